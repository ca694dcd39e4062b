// web_bench.mjs -- the web page beside the native program as its users run
// it, in one run: frames per second of the page (N frames of one seed) and of
// boxcity in a 1024x768 window (an Xvfb of that size of its own, Mesa
// llvmpipe, its buffer swaps counted by the frame-count library), in
// alternating rounds, with the page's own script time per frame; the site's
// size, raw and gzipped; the time from the start of loading to the first
// picture. The page runs in Firefox, whose WebGL is Mesa llvmpipe too (the
// same rasterizer as native: the comparison that counts), and in headless
// Chromium (SwiftShader). Firefox needs an X display (scripts/bench-web gives
// it one).
//   node bench/web_bench.mjs SITE_DIR BOXCITY FRAMECOUNT_LIB [FRAMES [ROUNDS [ENGINE,...]]]
import { spawn } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { ENGINES, serveSite } from '../tests/browser/browser.mjs';

const [site, program, frameCount, framesArg, roundsArg, enginesArg] = process.argv.slice(2);
if (!site || !program || !frameCount) {
  console.error('usage: node bench/web_bench.mjs SITE_DIR BOXCITY FRAMECOUNT_LIB [FRAMES [ROUNDS [ENGINE,...]]]');
  process.exit(2);
}
const XVFB_RUN = join(dirname(fileURLToPath(import.meta.url)), '../tests/harness/xserver_run.sh');
const FRAMES = Number(framesArg || 100);
const ROUNDS = Number(roundsArg || 3);
const ENGINE_NAMES = (enginesArg || 'firefox,chromium').split(',');
const SEED = 20240607;
const FPS_GOAL = 0.9, GZIP_GOAL = 150 * 1024;

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// boxcity's frames a second in its 1024x768 window, over FRAMES frames after
// the first 10 (the start-up left out).
async function nativeFps() {
  const dir = mkdtempSync(join(tmpdir(), 'boxcity-bench-'));
  const file = join(dir, 'frames');
  const child = spawn(XVFB_RUN, ['-s', '-screen 0 1024x768x24', 'env', `LD_PRELOAD=${frameCount}`,
                                 `BOXCITY_FRAME_FILE=${file}`, program],
                      { stdio: 'ignore', detached: true });
  const count = () => { try { return Number(readFileSync(file, 'utf8').trim()) || 0; } catch { return 0; } };
  const reach = async (n) => {
    for (;;) {
      const c = count();
      if (c >= n) return [c, performance.now()];
      if (child.exitCode !== null) throw new Error(`boxcity ended after ${c} frames`);
      await sleep(20);
    }
  };
  try {
    const [c0, t0] = await reach(10);
    const [c1, t1] = await reach(c0 + FRAMES);
    return (c1 - c0) / ((t1 - t0) / 1000);
  } finally {
    const gone = new Promise((r) => (child.exitCode !== null ? r() : child.on('exit', r)));
    process.kill(-child.pid, 'SIGTERM');   // the wrapper waits for boxcity: end the whole group
    await gone;
    rmSync(dir, { recursive: true, force: true });
  }
}

// The page from step 0 on, the time of each picture taken as its step shows
// up on the canvas; frames 1..N as natively. The page's own share of a frame
// is the time spent in its animation-frame callbacks (the step, the GL layer,
// the WebGL calls); the rest is the browser's drawing and compositing.
async function pageFps(browser, url) {
  const page = await browser.open();
  await page.raw.evaluateOnNewDocument(() => {
    window.benchOwn = [];
    window.benchTimes = {};
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (cb) => request((t) => {
      const start = performance.now();
      cb(t);
      window.benchOwn.push(performance.now() - start);
    });
    document.addEventListener('DOMContentLoaded', () => {
      const city = document.getElementById('city');
      new MutationObserver(() => {
        window.benchTimes[city.dataset.step] = [performance.now(), window.benchOwn.length];
      }).observe(city, { attributes: true, attributeFilter: ['data-step'] });
    });
  });
  await page.raw.goto(`${url}?seed=${SEED}&frames=0&fps=0`);
  await page.raw.waitForFunction((n) => window.benchTimes[n] !== undefined,
                                 { timeout: 900000, polling: 200 }, FRAMES);
  const [t, own] = await page.eval((n) => {
    const [a, b] = [window.benchTimes[1], window.benchTimes[n]];
    const spent = window.benchOwn.slice(a[1], b[1]);
    return [[a[0], b[0]], spent.reduce((x, y) => x + y, 0) / spent.length];
  }, FRAMES);
  await page.close();
  return { fps: (FRAMES - 1) / ((t[1] - t[0]) / 1000), ownMs: own };
}

async function firstPictureMs(browser, url) {
  const page = await browser.open(`${url}?seed=${SEED}`);
  await page.waitFor(() => document.getElementById('city').dataset.step);
  const ms = await page.eval(() =>
    performance.getEntriesByName('boxcity-first-picture')[0].startTime);
  await page.close();
  return ms;
}

async function renderer(browser, url) {
  const page = await browser.open(`${url}?seed=1&pause`);
  const name = await page.eval(() => {
    const gl = document.createElement('canvas').getContext('webgl2');
    const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
    return info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : 'unknown';
  });
  await page.close();
  return name;
}

const server = await serveSite(site);
const summary = [];
try {
  for (const engine of ENGINE_NAMES) {
    const browser = await ENGINES[engine]();
    try {
      const native = [], web = [], ratio = [], own = [], first = [];
      console.log(`${engine} (${browser.version}), WebGL: ${await renderer(browser, server.url)}`);
      for (let round = 1; round <= ROUNDS; round++) {
        native.push(await nativeFps());
        const measured = await pageFps(browser, server.url);
        web.push(measured.fps);
        own.push(measured.ownMs);
        first.push(await firstPictureMs(browser, server.url));
        ratio.push(web.at(-1) / native.at(-1));
        console.log(`  round ${round}: native ${native.at(-1).toFixed(2)} fps, ` +
                    `page ${web.at(-1).toFixed(2)} fps (${(100 * ratio.at(-1)).toFixed(1)}%; ` +
                    `its own script ${own.at(-1).toFixed(2)} ms a frame), ` +
                    `first picture ${first.at(-1).toFixed(0)} ms`);
      }
      const n = median(native), w = median(web);
      summary.push(`  ${engine}: page ${w.toFixed(2)} fps, native windowed ${n.toFixed(2)} fps: ` +
                   `page/native ${(100 * w / n).toFixed(1)}%, within a round ` +
                   `${(100 * median(ratio)).toFixed(1)}% (goal >= ${100 * FPS_GOAL}%); ` +
                   `own script ${median(own).toFixed(2)} ms of ${(1000 / w).toFixed(0)} ms a frame; ` +
                   `first picture ${median(first).toFixed(0)} ms`);
    } finally {
      await browser.close();
    }
  }
  console.log(`\nSummary (medians of ${ROUNDS} rounds, seed ${SEED}, frames 1..${FRAMES}, 1024x768)`);
  console.log(summary.join('\n'));
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
} finally {
  await server.close();
}
