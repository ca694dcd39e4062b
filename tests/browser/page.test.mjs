// page.test.mjs -- the web page in Debian's chromium: the picture of a seed
// and step against boxcity-snap's, pausing, the keys, the caption, the
// letterbox, and the one-line messages for bad addresses and for a browser
// without WebGL.
//   BOXCITY_SITE  the built site (build-web/site)
//   BOXCITY_SNAP  a native boxcity-snap, for the reference picture
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { launchChromium, serveSite } from './browser.mjs';

const SITE = process.env.BOXCITY_SITE;
const SNAP = process.env.BOXCITY_SNAP;
const SEED = '42', FRAMES = '600';
const MIN_PSNR = 25;

let site, chromium, dir;

before(async () => {
  assert.ok(SITE && SNAP, 'BOXCITY_SITE and BOXCITY_SNAP must be set');
  dir = mkdtempSync(join(tmpdir(), 'boxcity-page-'));
  site = await serveSite(SITE);
  chromium = await launchChromium();
});

after(async () => {
  await chromium?.close();
  await site?.close();
  if (dir) rmSync(dir, { recursive: true, force: true });
});

// A page on address query, with every console error and uncaught exception kept.
async function open(query, browser = chromium.browser) {
  const page = await browser.newPage();
  page.errors = [];
  page.on('console', (m) => { if (m.type() === 'error') page.errors.push(m.text()); });
  page.on('pageerror', (e) => page.errors.push(e.message));
  await page.goto(site.url + query);
  return page;
}

const attribute = (page, name) => page.$eval('#city', (c, n) => c.getAttribute(n), name);
const firstPicture = (page) => page.waitForSelector('#city[data-step]');

async function shot(page, name) {
  const path = join(dir, name);
  writeFileSync(path, await page.screenshot());
  return path;
}

// ImageMagick's compare prints the metric on stderr.
function metric(kind, a, b) {
  const r = spawnSync('compare', ['-metric', kind, a, b, 'null:'], { encoding: 'utf8' });
  const value = parseFloat(r.stderr);
  assert.ok(!Number.isNaN(value), `compare failed: ${r.stderr}`);
  return r.stderr.startsWith('inf') ? Infinity : value;
}

function magick(...args) {
  const r = spawnSync('convert', args, { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stderr);
  return r.stdout.trim();
}

describe('the picture of a seed and step', () => {
  let reference, first;

  before(() => {
    reference = join(dir, 'snap.png');
    const r = spawnSync(SNAP, ['--seed', SEED, '--frames', FRAMES, '--png', reference],
                        { encoding: 'utf8' });
    assert.equal(r.status, 0, r.stderr);
  });

  it('matches boxcity-snap and stays on its step while paused', async () => {
    const page = await open(`?seed=${SEED}&frames=${FRAMES}&pause`);
    await firstPicture(page);
    assert.equal(await attribute(page, 'data-seed'), SEED);
    assert.equal(await attribute(page, 'data-step'), FRAMES);
    first = await shot(page, 'first.png');
    const psnr = metric('PSNR', reference, first);
    console.log(`# PSNR against boxcity-snap: ${psnr.toFixed(2)} dB`);
    assert.ok(psnr >= MIN_PSNR, `PSNR ${psnr} dB`);

    await new Promise((r) => setTimeout(r, 500));
    assert.equal(await attribute(page, 'data-step'), FRAMES);
    assert.equal(metric('AE', first, await shot(page, 'later.png')), 0);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  it('is the same on a second load, letterboxed in black in a wider window', async () => {
    const page = await open(`?seed=${SEED}&frames=${FRAMES}&pause`);
    await page.setViewport({ width: 1280, height: 768 });
    await firstPicture(page);
    const wide = await shot(page, 'wide.png');
    assert.equal(magick(wide, '-crop', '128x768+0+0', '-format', '%[max]', 'info:'), '0');
    assert.equal(magick(wide, '-crop', '128x768+1152+0', '-format', '%[max]', 'info:'), '0');
    const middle = join(dir, 'middle.png');
    magick(wide, '-crop', '1024x768+128+0', '+repage', middle);
    assert.equal(metric('AE', first, middle), 0);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  it('is the same where the browser has only WebGL 1', async () => {
    const page = await chromium.browser.newPage();
    await page.evaluateOnNewDocument(() => {
      const get = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
        return type === 'webgl2' ? null : get.call(this, type, ...rest);
      };
    });
    await page.goto(`${site.url}?seed=${SEED}&frames=${FRAMES}&pause`);
    await firstPicture(page);
    assert.ok(await page.$eval('#city', (c) => c.getContext('webgl') instanceof WebGLRenderingContext));
    assert.equal(metric('AE', first, await shot(page, 'webgl1.png')), 0);
    await page.close();
  });
});

describe('a running page', () => {
  it('steps every frame, pauses and resumes with Space, shows the caption on a mouse move', async () => {
    const page = await open('?frames=5');
    const step = async () => Number(await attribute(page, 'data-step'));
    await page.waitForSelector('#city[data-step]');
    await page.evaluate(() => {
      const city = document.getElementById('city');
      window.steps = [];
      new MutationObserver((records) => records.forEach((r) => window.steps.push(Number(r.oldValue))))
        .observe(city, { attributeFilter: ['data-step'], attributeOldValue: true });
    });
    await page.waitForFunction(() => Number(document.getElementById('city').dataset.step) > 8);
    const steps = await page.evaluate(() => [...window.steps, Number(city.dataset.step)]);
    assert.ok(steps[0] >= 5 && steps.every((s, i) => i === 0 || s === steps[i - 1] + 1),
              `one step per frame: ${steps}`);
    const seed = await attribute(page, 'data-seed');
    assert.ok(Math.abs(Number(seed) - Date.now() / 1000) < 120, `seed ${seed} from the clock`);

    assert.equal(await page.$eval('#caption', (c) => c.hidden), true);
    assert.equal(await page.$eval('#status', (s) => s.hidden), true);
    assert.equal(await page.$eval('#city', (c) => getComputedStyle(c).cursor), 'none');
    await page.mouse.move(300, 300);
    assert.equal(await page.$eval('#caption', (c) => c.hidden), false);
    assert.equal(await page.$eval('#caption a', (a) => a.getAttribute('href')), `?seed=${seed}`);
    assert.match(await page.$eval('#caption', (c) => c.textContent), new RegExp(`seed ${seed}`));

    await page.keyboard.press('Space');
    const held = await step();
    await new Promise((r) => setTimeout(r, 400));
    assert.equal(await step(), held);
    await page.keyboard.press('Space');
    await page.waitForFunction((s) => Number(document.getElementById('city').dataset.step) > s, {}, held);

    await page.keyboard.press('f');
    assert.ok(await page.waitForFunction(() => document.fullscreenElement !== null));
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement === null);
    await page.mouse.click(500, 400, { count: 2 });
    await page.waitForFunction(() => document.fullscreenElement !== null);
    await page.mouse.click(500, 400, { count: 2 });
    await page.waitForFunction(() => document.fullscreenElement === null);
    await page.waitForFunction(() => document.getElementById('caption').hidden, { timeout: 6000 });
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  it('shows how far it is while it runs to a far step', async () => {
    const page = await open('?frames=1000000');
    await page.waitForFunction(() =>
      /^Running to step 1000000: [1-9]\d*%$/.test(document.getElementById('status').textContent));
    assert.equal(await attribute(page, 'data-step'), null);
    await page.close();
  });
});

describe('one line instead of a picture', () => {
  const cases = [
    ['?seed=abc', "seed: 'abc' is not a number"],
    ['?seed=4294967296', "seed: '4294967296' is too large (at most 4294967295)"],
    ['?seed=-1', "seed: '-1' is negative"],
    ['?seed=', 'seed needs a value'],
    ['?seed=1&frames=1e3', "frames: '1e3' is not a number"],
    ['?seed=4%002', "seed: '4\\x002' is not a number"],   // not seed 4, cut at the NUL
    ['?frames=18446744073709551616',
     "frames: '18446744073709551616' is too large (at most 18446744073709551615)"],
  ];

  it('gets one line and nothing runs', async () => {
    for (const [query, line] of cases) {
      const page = await open(query);
      await page.waitForSelector('#error:not([hidden])');
      assert.equal(await page.$eval('#error', (e) => e.textContent), line, query);
      assert.equal(await attribute(page, 'data-step'), null, query);
      assert.equal(await page.$eval('#status', (s) => s.hidden), true, query);
      await page.close();
    }
  });

  it('says so when the browser takes WebGL away', async () => {
    const page = await open(`?seed=${SEED}&pause`);
    await firstPicture(page);
    await page.$eval('#city', (c) => c.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext());
    await page.waitForSelector('#error:not([hidden])');
    assert.equal(await page.$eval('#error', (e) => e.textContent),
                 'WebGL context lost: reload the page to start again');
    await page.close();
  });

  it('says so when the browser has no WebGL', async () => {
    const plain = await launchChromium({ webgl: false });
    try {
      const page = await open(`?seed=${SEED}`, plain.browser);
      await page.waitForSelector('#error:not([hidden])');
      assert.match(await page.$eval('#error', (e) => e.textContent),
                   /^WebGL initialization failed: \S/);
      assert.equal(await attribute(page, 'data-step'), null);
    } finally {
      await plain.close();
    }
  });
});
