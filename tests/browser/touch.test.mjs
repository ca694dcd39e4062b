// touch.test.mjs -- the page on a phone and for a reader who asks for less
// motion, in Chromium's emulation: a phone of 390x844 CSS pixels at device
// scale 3, portrait and landscape, driven by touch alone.
//   BOXCITY_SITE  the built site (build-web/site)
//   BOXCITY_SHOTS keep the screenshots in this folder (default: thrown away)
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { launchChromium, serveSite } from './browser.mjs';

const SITE = process.env.BOXCITY_SITE;
const PORTRAIT = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const LANDSCAPE = { ...PORTRAIT, width: 844, height: 390, isLandscape: true };

let site, chromium, dir;

before(async () => {
  assert.ok(SITE, 'BOXCITY_SITE must be set');
  dir = process.env.BOXCITY_SHOTS || mkdtempSync(join(tmpdir(), 'boxcity-touch-'));
  mkdirSync(dir, { recursive: true });
  site = await serveSite(SITE);
  chromium = await launchChromium();
});

after(async () => {
  await chromium?.close();
  await site?.close();
  if (dir && !process.env.BOXCITY_SHOTS) rmSync(dir, { recursive: true, force: true });
});

async function open(query, { reduced = false } = {}) {
  const page = await chromium.open();
  page.raw.setDefaultTimeout(60000);
  await page.raw.setViewport(PORTRAIT);
  if (reduced) await page.raw.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]);
  await page.raw.goto(site.url + query);
  await page.waitFor(() => document.getElementById('city').dataset.step);
  return page;
}

const step = (page) => page.eval(() => Number(document.getElementById('city').dataset.step));
const still = async (page) => {
  const at = await step(page);
  await new Promise((r) => setTimeout(r, 300));
  return (await step(page)) === at;
};
const runs = (page) => page.waitFor(() => {
  const city = document.getElementById('city');
  window.from ??= Number(city.dataset.step);
  return Number(city.dataset.step) > window.from + 2 && !(window.from = undefined);
});
const label = (page) => page.eval(() => document.getElementById('play').textContent);

function convert(...args) {
  const r = spawnSync('convert', args, { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stderr);
  return r.stdout.trim();
}

// The 4:3 picture fills the width (portrait) or the height (landscape) of
// the screen, centred, with only black around it; its lowest rows, the city
// up close, are lit.
function assertLetterboxed(path, { width, height, deviceScaleFactor: s }) {
  const w = Math.round(Math.min(width, height * 4 / 3) * s);
  const h = Math.round(Math.min(height, width * 3 / 4) * s);
  const x = Math.round((width * s - w) / 2), y = Math.round((height * s - h) / 2);
  const max = (box) => convert(path, '-crop', box, '+repage', '-format', '%[max]', 'info:');
  assert.equal(convert(path, '-format', '%wx%h', 'info:'), `${width * s}x${height * s}`);
  if (y > 2) {
    assert.equal(max(`${width * s}x${y - 2}+0+0`), '0', 'black above');
    assert.equal(max(`${width * s}x${y - 2}+0+${y + h + 2}`), '0', 'black below');
  }
  if (x > 2) {
    assert.equal(max(`${x - 2}x${height * s}+0+0`), '0', 'black on the left');
    assert.equal(max(`${x - 2}x${height * s}+${x + w + 2}+0`), '0', 'black on the right');
  }
  const lit = (left) => Number(max(`${Math.round(w / 8)}x${Math.round(h / 8)}+${left}+${y + h - Math.round(h / 8)}`));
  assert.ok(lit(x) > 0 && lit(x + w - Math.round(w / 8)) > 0, 'the picture reaches both sides');
}

describe('a phone', () => {
  it('taps: the caption with the seed, the link and pause/play; a double tap for full screen', async () => {
    const page = await open('?seed=4294967295&frames=3');
    const { touchscreen } = page.raw;
    const caption = () => page.eval(() => !document.getElementById('caption').hidden);
    assert.equal(await caption(), false);
    // The caption goes after a few seconds: what it shows is read at once.
    await touchscreen.tap(200, 400);
    const [shown, x, y] = await page.eval(() => {
      const r = document.getElementById('play').getBoundingClientRect();
      return [[!document.getElementById('caption').hidden, document.getElementById('seed').textContent,
               document.getElementById('link').getAttribute('href'),
               document.getElementById('play').textContent], r.x + r.width / 2, r.y + r.height / 2];
    });
    await touchscreen.tap(x, y);       // the click comes after the touch, on its own
    assert.deepEqual(shown, [true, 'seed 4294967295', '?seed=4294967295', 'Pause']);
    await page.waitFor(() => document.getElementById('play').textContent === 'Play');
    writeFileSync(join(dir, 'phone-caption.png'), await page.raw.screenshot());
    assert.ok(await still(page), 'paused by the control');

    for (const on of [true, false]) {
      await new Promise((r) => setTimeout(r, 500));    // a double tap of its own
      await touchscreen.tap(200, 300);
      await touchscreen.tap(200, 300);
      await page.waitFor((o) => (document.fullscreenElement !== null) === o, on);
    }
    await page.eval(() => { document.getElementById('caption').hidden = true; });
    await touchscreen.tap(200, 300);
    await touchscreen.tap(x, y);
    await runs(page);
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  it('neither zooms nor scrolls on a pinch or a drag', async () => {
    const page = await open('?seed=7&pause');
    // Raw touch points, as a finger moves them: the browser's own gesture
    // recognition sees them as it would a screen's.
    const cdp = await page.raw.createCDPSession();
    const touch = (type, points) => cdp.send('Input.dispatchTouchEvent',
      { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
    await touch('touchStart', [[150, 400], [240, 440]]);
    for (let i = 1; i <= 10; i++)
      await touch('touchMove', [[150 - 10 * i, 400 - 20 * i], [240 + 10 * i, 440 + 20 * i]]);
    await touch('touchEnd', []);
    await touch('touchStart', [[195, 600]]);
    for (let i = 1; i <= 10; i++) await touch('touchMove', [[195 - 15 * i, 600 - 40 * i]]);
    await touch('touchEnd', []);
    await new Promise((r) => setTimeout(r, 300));
    assert.deepEqual(await page.eval(() => [visualViewport.scale, scrollX, scrollY,
                                            visualViewport.offsetLeft, visualViewport.offsetTop]),
                     [1, 0, 0, 0, 0]);
    assert.equal(await page.eval(() => document.getElementById('caption').hidden), true,
                 'a drag is not a tap');
    await page.close();
  });

  it('letterboxes the picture in portrait and again when turned to landscape', async () => {
    const page = await open('?seed=42&frames=600&pause');
    const portrait = join(dir, 'phone-portrait.png');
    writeFileSync(portrait, await page.raw.screenshot());
    assertLetterboxed(portrait, PORTRAIT);
    await page.raw.setViewport(LANDSCAPE);
    await new Promise((r) => setTimeout(r, 300));
    const landscape = join(dir, 'phone-landscape.png');
    writeFileSync(landscape, await page.raw.screenshot());
    assertLetterboxed(landscape, LANDSCAPE);
    await page.close();
  });
});

describe('reduced motion', () => {
  const hint = (page) => page.eval(() => {
    const s = document.getElementById('status');
    return s.hidden ? null : s.textContent;
  });

  it('shows the first picture paused and says how to play: Space or a tap', async () => {
    for (const play of [(p) => p.raw.keyboard.press('Space'), (p) => p.raw.touchscreen.tap(200, 400)]) {
      const page = await open('?seed=42', { reduced: true });
      assert.equal(await step(page), 1);
      assert.ok(await still(page), 'paused');
      assert.match(await hint(page), /Space.*tap to play/);
      writeFileSync(join(dir, 'phone-reduced-motion.png'), await page.raw.screenshot());
      await play(page);
      await runs(page);
      assert.equal(await hint(page), null);
      await page.raw.keyboard.press('Space');       // paused again: the hint was for the first only
      await page.waitFor(() => document.getElementById('play').textContent === 'Play');
      assert.equal(await hint(page), null);
      assert.deepEqual(page.errors, []);
      await page.close();
    }
  });

  it('leaves &pause its meaning: that picture, held, no hint; without either it runs', async () => {
    const held = await open('?seed=42&frames=5&pause', { reduced: true });
    assert.equal(await step(held), 5);
    assert.ok(await still(held));
    assert.equal(await hint(held), null);
    await held.close();
    const moving = await open('?seed=42');
    await runs(moving);
    await moving.close();
  });
});
