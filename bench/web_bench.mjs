// web_bench.mjs -- the web page beside the native program, in one run: frames
// per second of the same seed's frames 1..N drawn by the page in headless
// chromium and by the native renderer offscreen (boxcity-headless), in
// alternating rounds, with the page's own script time per frame; the site's
// size, raw and gzipped; the time from the start of loading to the first
// picture.
//   node bench/web_bench.mjs SITE_DIR HEADLESS [FRAMES [ROUNDS]]
import { spawnSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { launchChromium, serveSite } from '../tests/browser/browser.mjs';

const [site, headless, framesArg, roundsArg] = process.argv.slice(2);
if (!site || !headless) {
  console.error('usage: node bench/web_bench.mjs SITE_DIR HEADLESS [FRAMES [ROUNDS]]');
  process.exit(2);
}
const FRAMES = Number(framesArg || 100);
const ROUNDS = Number(roundsArg || 3);
const SEED = 20240607;
const FPS_GOAL = 0.9, GZIP_GOAL = 150 * 1024;

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// Seconds of a boxcity-headless run drawing every one of frames steps; the
// difference of two runs leaves out the start-up and the final read-back.
function nativeSeconds(frames) {
  const start = process.hrtime.bigint();
  const r = spawnSync(headless, [String(frames), String(SEED), '1'], { encoding: 'utf8' });
  if (r.status !== 0) throw new Error(`boxcity-headless: ${r.stderr}`);
  return Number(process.hrtime.bigint() - start) / 1e9;
}

function nativeFps() {
  return (FRAMES - 1) / (nativeSeconds(FRAMES) - nativeSeconds(1));
}

// The page from step 0 on, the time of each picture taken as its step shows
// up on the canvas; frames 1..N as natively.
async function pageFps(browser, url) {
  const page = await browser.newPage();
  await page.goto(`${url}?seed=${SEED}&frames=0`);
  await page.evaluate(() => {
    window.benchTimes = {};
    const city = document.getElementById('city');
    new MutationObserver(() => { window.benchTimes[city.dataset.step] = performance.now(); })
      .observe(city, { attributes: true, attributeFilter: ['data-step'] });
  });
  // The main thread's script time (the step, the GL layer, the WebGL calls)
  // over the frames in between: the page's own share of a frame.
  const step = () => page.$eval('#city', (c) => Number(c.dataset.step));
  await page.waitForFunction(() => window.benchTimes[1] !== undefined, { polling: 50 });
  const before = { metrics: await page.metrics(), step: await step() };
  await page.waitForFunction((n) => window.benchTimes[n] !== undefined,
                             { timeout: 600000, polling: 200 }, FRAMES);
  const after = { metrics: await page.metrics(), step: await step() };
  const t = await page.evaluate((n) => [window.benchTimes[1], window.benchTimes[n]], FRAMES);
  await page.close();
  return {
    fps: (FRAMES - 1) / ((t[1] - t[0]) / 1000),
    ownMs: 1000 * (after.metrics.ScriptDuration - before.metrics.ScriptDuration) /
           (after.step - before.step),
  };
}

async function firstPictureMs(browser, url) {
  const page = await browser.newPage();
  await page.goto(`${url}?seed=${SEED}`);
  await page.waitForSelector('#city[data-step]');
  const ms = await page.evaluate(() =>
    performance.getEntriesByName('boxcity-first-picture')[0].startTime);
  await page.close();
  return ms;
}

async function renderer(browser, url) {
  const page = await browser.newPage();
  await page.goto(`${url}?seed=1&pause`);
  const name = await page.evaluate(() => {
    const gl = document.createElement('canvas').getContext('webgl2');
    const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
    return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : 'unknown';
  });
  await page.close();
  return name;
}

const server = await serveSite(site);
const chromium = await launchChromium();
try {
  const native = [], web = [], ratio = [], own = [], first = [];
  for (let round = 1; round <= ROUNDS; round++) {
    native.push(nativeFps());
    const measured = await pageFps(chromium.browser, server.url);
    web.push(measured.fps);
    own.push(measured.ownMs);
    first.push(await firstPictureMs(chromium.browser, server.url));
    ratio.push(web.at(-1) / native.at(-1));
    console.log(`round ${round}: native ${native.at(-1).toFixed(2)} fps, ` +
                `page ${web.at(-1).toFixed(2)} fps (${(100 * ratio.at(-1)).toFixed(1)}%; ` +
                `its own script ${own.at(-1).toFixed(2)} ms a frame), ` +
                `first picture ${first.at(-1).toFixed(0)} ms`);
  }
  const n = median(native), w = median(web);
  console.log(`\nSummary (medians of ${ROUNDS} rounds, seed ${SEED}, frames 1..${FRAMES}, 1024x768)`);
  console.log(`  frames per second: page ${w.toFixed(2)}, native offscreen ${n.toFixed(2)}: ` +
              `page/native ${(100 * w / n).toFixed(1)}%, within a round ` +
              `${(100 * median(ratio)).toFixed(1)}%  (goal >= ${100 * FPS_GOAL}%)`);
  console.log(`  the page's own script per frame ${median(own).toFixed(2)} ms of ` +
              `${(1000 / w).toFixed(0)} ms; the rest is the browser's drawing`);
  console.log(`  first picture ${median(first).toFixed(0)} ms after the page began loading`);
  let raw = 0, gz = 0;
  for (const name of readdirSync(site).sort()) {
    const data = readFileSync(join(site, name));
    const packed = gzipSync(data, { level: 9 }).length;
    raw += data.length;
    gz += packed;
    console.log(`  ${name.padEnd(14)} ${String(data.length).padStart(8)} bytes, ` +
                `${String(packed).padStart(7)} gzipped`);
  }
  console.log(`  site in all    ${String(raw).padStart(8)} bytes, ${String(gz).padStart(7)} gzipped` +
              `  (goal < ${GZIP_GOAL / 1024} KB gzipped)`);
  console.log(`  page's WebGL: ${await renderer(chromium.browser, server.url)}`);
} finally {
  await chromium.close();
  await server.close();
}
