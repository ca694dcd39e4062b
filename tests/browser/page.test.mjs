// page.test.mjs -- the web page in one browser engine (BOXCITY_ENGINE:
// chromium, the default, firefox or webkit): one list of checks for every
// engine (the picture of a seed and step against boxcity-snap's, also after
// the page has run on and after a pause and a resume, one step per frame,
// Space, the seed's extremes, the one-line messages, no WebGL, nothing the
// page's content security policy would block), then what only Chromium's
// driver can do (a held key, the mouse, full screen, WebGL 1, a lost
// context).
//   BOXCITY_SITE  the built site (build-web/site)
//   BOXCITY_SNAP  a native boxcity-snap, for the reference pictures
//   BOXCITY_SHOTS keep the screenshots in this folder (default: thrown away)
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { ENGINES, serveSite } from './browser.mjs';

const SITE = process.env.BOXCITY_SITE;
const SNAP = process.env.BOXCITY_SNAP;
const ENGINE = process.env.BOXCITY_ENGINE || 'chromium';
const SEED = '42', FRAMES = '600';
const MIN_PSNR = 25;

let site, browser, dir;

before(async () => {
  assert.ok(SITE && SNAP, 'BOXCITY_SITE and BOXCITY_SNAP must be set');
  assert.ok(ENGINES[ENGINE], `no engine ${ENGINE}`);
  dir = process.env.BOXCITY_SHOTS || mkdtempSync(join(tmpdir(), 'boxcity-page-'));
  mkdirSync(dir, { recursive: true });
  site = await serveSite(SITE);
  browser = await ENGINES[ENGINE]();
  console.log(`# ${ENGINE}: ${browser.version}`);
});

after(async () => {
  await browser?.close();
  await site?.close();
  if (dir && !process.env.BOXCITY_SHOTS) rmSync(dir, { recursive: true, force: true });
});

const open = (query, b = browser) => b.open(site.url + query);
const attribute = (page, name) =>
  page.eval((n) => document.getElementById('city').getAttribute(n), name);
const step = async (page) => Number(await attribute(page, 'data-step'));
const firstPicture = (page) => page.waitFor(() => document.getElementById('city').dataset.step);
const paused = (page, yes) =>
  page.waitFor((y) => document.getElementById('play').textContent === (y ? 'Play' : 'Pause'), yes);
const noErrors = (page) => { if (page.errors) assert.deepEqual(page.errors, []); };

async function shot(page, name) {
  const path = join(dir, `${ENGINE}-${name}`);
  writeFileSync(path, await page.shot());
  return path;
}

// ImageMagick's compare prints the metric on stderr.
function metric(kind, a, b) {
  const r = spawnSync('compare', ['-metric', kind, a, b, 'null:'], { encoding: 'utf8' });
  const value = parseFloat(r.stderr);
  assert.ok(!Number.isNaN(value), `compare failed: ${r.stderr}`);
  return r.stderr.startsWith('inf') ? Infinity : value;
}

function snap(seed, frames) {
  const path = join(dir, `snap-${seed}-${frames}.png`);
  const r = spawnSync(SNAP, ['--seed', seed, '--frames', String(frames), '--png', path],
                      { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stderr);
  return path;
}

// The picture is boxcity-snap's of that step, and nearer to it than to the
// steps beside it: a picture a step behind, or with parts left standing,
// is not.
function assertPictureOf(picture, frames, min = MIN_PSNR) {
  const psnr = metric('PSNR', snap(SEED, frames), picture);
  const before = metric('PSNR', snap(SEED, frames - 1), picture);
  const next = metric('PSNR', snap(SEED, frames + 1), picture);
  console.log(`# ${ENGINE} step ${frames}: PSNR ${psnr.toFixed(2)} dB ` +
              `(steps beside it ${before.toFixed(2)}, ${next.toFixed(2)})`);
  assert.ok(psnr >= min, `step ${frames}: PSNR ${psnr} dB`);
  assert.ok(psnr > before && psnr > next, `step ${frames}: nearer to a step beside it`);
}

// Records every data-step the page passes through.
const watchSteps = (page) => page.eval(() => {
  const city = document.getElementById('city');
  window.steps = [Number(city.dataset.step)];
  new MutationObserver(() => window.steps.push(Number(city.dataset.step)))
    .observe(city, { attributeFilter: ['data-step'] });
});
async function assertOneStepPerFrame(page) {
  const steps = await page.eval(() => window.steps);
  assert.ok(steps.every((s, i) => i === 0 || s === steps[i - 1] + 1), `one step per frame: ${steps}`);
}

describe(`the page in ${ENGINE}`, () => {
  let first;

  it('shows the picture of a seed and step and stays on it while paused', async () => {
    const page = await open(`?seed=${SEED}&frames=${FRAMES}&pause`);
    await firstPicture(page);
    const ms = await page.eval(() => performance.getEntriesByName('boxcity-first-picture')[0].startTime);
    console.log(`# ${ENGINE}: first picture of step ${FRAMES} ${Math.round(ms)} ms after the page began loading`);
    assert.equal(await attribute(page, 'data-seed'), SEED);
    assert.equal(await step(page), Number(FRAMES));
    first = await shot(page, 'first.png');
    assertPictureOf(first, Number(FRAMES));

    await new Promise((r) => setTimeout(r, 500));
    assert.equal(await step(page), Number(FRAMES));
    assert.equal(metric('AE', first, await shot(page, 'later.png')), 0);
    noErrors(page);
    await page.close();
  });

  it('shows the same picture on a second load', async () => {
    const page = await open(`?seed=${SEED}&frames=${FRAMES}&pause`);
    await firstPicture(page);
    assert.equal(metric('AE', first, await shot(page, 'second.png')), 0);
    noErrors(page);
    await page.close();
  });

  it('runs one step a frame, and shows the step it is on after a pause and after a resume',
     async () => {
       const page = await open(`?seed=${SEED}&frames=${Number(FRAMES) - 40}`);
       await firstPicture(page);
       await watchSteps(page);
       const pauseAfter = async (n) => {
         await page.waitFor((s) => Number(document.getElementById('city').dataset.step) >= s, n);
         await page.press(' ');
         await paused(page, true);
         const at = await step(page);
         await new Promise((r) => setTimeout(r, 300));
         assert.equal(await step(page), at, 'stays on its step while paused');
         return at;
       };
       const s1 = await pauseAfter(Number(FRAMES));
       assertPictureOf(await shot(page, 'ran.png'), s1);
       await page.press(' ');
       await paused(page, false);
       const s2 = await pauseAfter(s1 + 15);
       assertPictureOf(await shot(page, 'resumed.png'), s2);
       await assertOneStepPerFrame(page);
       noErrors(page);
       await page.close();
     });

  it('carries the lowest and the highest seed into data-seed, the caption and its link',
     async () => {
       for (const seed of ['0', '4294967295']) {
         const page = await open(`?seed=${seed}&pause`);
         await firstPicture(page);
         assert.equal(await attribute(page, 'data-seed'), seed);
         const caption = await page.eval(() => {
           document.dispatchEvent(new MouseEvent('mousemove'));
           const c = document.getElementById('caption');
           return [c.hidden, c.textContent, document.getElementById('link').getAttribute('href')];
         });
         assert.deepEqual(caption, [false, `seed ${seed} · link to this city · Play`, `?seed=${seed}`]);
         noErrors(page);
         await page.close();
       }
     });

  it('gets one line for a bad address, and nothing runs', async () => {
    const cases = [
      ['?seed=abc', "seed: 'abc' is not a number"],
      ['?seed=4294967296', "seed: '4294967296' is too large (at most 4294967295)"],
      ['?seed=-1', "seed: '-1' is negative"],
      ['?seed=', 'seed needs a value'],
      ['?seed=1&frames=1e3', "frames: '1e3' is not a number"],
      ['?seed=4%002', "seed: '4\\x002' is not a number"],   // not seed 4, cut at the NUL
      ['?frames=18446744073709551616',
       "frames: '18446744073709551616' is too large (at most 18446744073709551615)"],
      ['?fps=-1', "fps: '-1' is not a frame limit (0 for none, or 1..1000)"],
      ['?fps=99999', "fps: '99999' is not a frame limit (0 for none, or 1..1000)"],
      ['?resolution=0x0', "resolution: '0x0' has no pixels (each side at least 1)"],
      ['?resolution=abc',
       "resolution: 'abc' is not a resolution (native, or WxH such as 1024x768, each 1..16384)"],
    ];
    for (const [query, line] of cases) {
      const page = await open(query);
      await page.waitFor(() => !document.getElementById('error').hidden);
      assert.deepEqual(await page.eval(() => [
        document.getElementById('error').textContent,
        document.getElementById('city').getAttribute('data-step'),
        document.getElementById('status').hidden]), [line, null, true], query);
      await page.close();
    }
  });

  it('says so when WebGL is switched off', async () => {
    const plain = await ENGINES[ENGINE]({ webgl: false });
    try {
      const page = await open(`?seed=${SEED}`, plain);
      await page.waitFor(() => !document.getElementById('error').hidden);
      assert.match(await page.eval(() => document.getElementById('error').textContent),
                   /^WebGL initialization failed: \S/);
      assert.equal(await attribute(page, 'data-step'), null);
    } finally {
      await plain.close();
    }
  });

  it('loads nothing that its content security policy would block', async () => {
    assert.match(site.policy, /script-src 'self' 'wasm-unsafe-eval';/);
    await new Promise((r) => setTimeout(r, 500));     // reports still on their way
    assert.deepEqual(site.violations, []);
  });
});

describe('what only Chromium\'s driver can do', { skip: ENGINE !== 'chromium' }, () => {
  it('letterboxes the picture in black in a wider window', async () => {
    const page = await open(`?seed=${SEED}&frames=${FRAMES}&pause`);
    await page.raw.setViewport({ width: 1280, height: 768 });
    await firstPicture(page);
    const wide = await shot(page, 'wide.png');
    const magick = (...args) => spawnSync('convert', args, { encoding: 'utf8' }).stdout.trim();
    assert.equal(magick(wide, '-crop', '128x768+0+0', '-format', '%[max]', 'info:'), '0');
    assert.equal(magick(wide, '-crop', '128x768+1152+0', '-format', '%[max]', 'info:'), '0');
    const middle = join(dir, 'middle.png');
    magick(wide, '-crop', '1024x768+128+0', '+repage', middle);
    assert.equal(metric('AE', join(dir, `${ENGINE}-first.png`), middle), 0);
    noErrors(page);
    await page.close();
  });

  it('is the same where the browser has only WebGL 1', async () => {
    const page = await browser.open();
    await page.raw.evaluateOnNewDocument(() => {
      const get = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
        return type === 'webgl2' ? null : get.call(this, type, ...rest);
      };
    });
    await page.raw.goto(`${site.url}?seed=${SEED}&frames=${FRAMES}&pause`);
    await firstPicture(page);
    assert.ok(await page.eval(() => document.getElementById('city').getContext('webgl') instanceof WebGLRenderingContext));
    assert.equal(metric('AE', join(dir, `${ENGINE}-first.png`), await shot(page, 'webgl1.png')), 0);
    await page.close();
  });

  it('takes a held Space as one press, shows the caption on a mouse move, F and a double click',
     async () => {
       const page = await open('?frames=5');
       const { mouse, keyboard } = page.raw;
       await firstPicture(page);
       const seed = await attribute(page, 'data-seed');
       assert.ok(Math.abs(Number(seed) - Date.now() / 1000) < 120, `seed ${seed} from the clock`);

       assert.equal(await page.eval(() => document.getElementById('caption').hidden), true);
       assert.equal(await page.eval(() => document.getElementById('status').hidden), true);
       assert.equal(await page.eval(() => getComputedStyle(document.getElementById('city')).cursor), 'none');
       await mouse.move(300, 300);
       assert.deepEqual(await page.eval(() => [document.getElementById('caption').hidden,
                                               document.getElementById('link').getAttribute('href')]),
                        [false, `?seed=${seed}`]);

       // Held down: one press, then repeats (each a keydown with repeat set).
       await keyboard.down('Space');
       for (let i = 0; i < 5; i++) await keyboard.down('Space');
       await keyboard.up('Space');
       await paused(page, true);
       const held = await step(page);
       await new Promise((r) => setTimeout(r, 400));
       assert.equal(await step(page), held);
       await keyboard.press('Space');
       await page.waitFor((s) => Number(document.getElementById('city').dataset.step) > s, held);

       for (const toggle of [() => keyboard.press('f'), () => mouse.click(500, 400, { count: 2 })]) {
         await toggle();
         await page.waitFor(() => document.fullscreenElement !== null);
         await toggle();
         await page.waitFor(() => document.fullscreenElement === null);
       }
       // Held, F asks for full screen once (counted: the browser may refuse
       // requests that come too fast).
       await page.eval(() => {
         const root = document.documentElement, request = root.requestFullscreen;
         window.requests = 0;
         root.requestFullscreen = function () { window.requests++; return request.call(this); };
       });
       for (let i = 0; i < 6; i++) await keyboard.down('f');
       await keyboard.up('f');
       await new Promise((r) => setTimeout(r, 300));
       assert.equal(await page.eval(() => window.requests), 1);
       await keyboard.press('f');

       // The caption stays while the pointer moves, and goes a few seconds after.
       for (let t = 1; t <= 6; t++) {
         await mouse.move(300 + 20 * (t % 2), 300);
         await new Promise((r) => setTimeout(r, 700));
         assert.equal(await page.eval(() => document.getElementById('caption').hidden), false, `move ${t}`);
       }
       await page.raw.waitForFunction(() => document.getElementById('caption').hidden, { timeout: 6000 });
       noErrors(page);
       await page.close();
     });

  it('takes no inline style or script', async () => {
    const page = await open(`?seed=${SEED}&pause`);
    assert.deepEqual(await page.eval(() => {
      const [style, script] = [document.createElement('style'), document.createElement('script')];
      style.textContent = '#city { opacity: 0.5 }';
      script.textContent = 'window.inline = true';
      document.head.append(style, script);
      return [getComputedStyle(document.getElementById('city')).opacity, window.inline === true];
    }), ['1', false]);
    await page.close();
  });

  const openScaled = async (query, scale, init = () => {}) => {
    const page = await browser.open();
    await page.raw.setViewport({ width: 1024, height: 768, deviceScaleFactor: scale });
    await page.raw.evaluateOnNewDocument(init);
    await page.raw.goto(site.url + query);
    await firstPicture(page);
    return page;
  };

  it('fills its area with as many pixels as the address and the renderer allow', async () => {
    // SwiftShader draws on the CPU: at most 1024x768 unless the address asks.
    for (const [res, scale, size] of [['native', 2, 2048], ['', 2, 1024], ['800x800', 1, 800]]) {
      const page = await openScaled(`?seed=${SEED}&frames=${FRAMES}&pause${res && '&resolution=' + res}`, scale);
      const pixels = () => page.eval(() => [document.getElementById('city').width, document.getElementById('city').height]);
      assert.deepEqual(await pixels(), [size, size * 3 / 4], res);
      if (size === 2048) {        // the same picture, sharper (its edges smoothed when scaled down)
        const down = join(dir, 'sharp-down.png');
        spawnSync('convert', [await shot(page, 'sharp.png'), '-resize', '1024x768', down]);
        assertPictureOf(down, Number(FRAMES), 23);
        await page.raw.setViewport({ width: 640, height: 480, deviceScaleFactor: 2 });
        await page.waitFor(() => document.getElementById('city').width === 1280);
      }
      await page.close();
    }
  });

  it('runs as many steps a second as the frame limit, however fast the display', async () => {
    for (const [query, limit] of [['&fps=2', 2], ['', 60]]) {
      const page = await openScaled(`?resolution=64x48${query}`, 1, () => {
        window.clock = 0;                                  // a 250 Hz display, on a clock of its own
        window.requestAnimationFrame = (f) => setTimeout(() => f(window.clock += 4), 0);
      });
      const at = () => page.eval(() => [Number(document.getElementById('city').dataset.step), window.clock]);
      const [s0, t0] = await at();
      await new Promise((r) => setTimeout(r, 1000));
      const [s1, t1] = await at(), expected = (limit * (t1 - t0)) / 1000;
      assert.ok(Math.abs(s1 - s0 - expected) <= 2 + expected / 10, `${s1 - s0} steps in ${t1 - t0} ms at ${limit}/s`);
      await page.close();
    }
  });

  // The wallpapers' folders (what their zips hold), each host's calls made
  // as the host makes them: Lively's by name (a dropdown's by its index) and
  // its pause as JSON, Wallpaper Engine's {name: {value}} and setPaused.
  for (const host of ['lively', 'wallpaper-engine']) {
    const lively = host === 'lively', json = (f) => JSON.parse(readFileSync(join(SITE, '..', host, f), 'utf8'));
    const settings = lively ? json('LivelyProperties.json') : json('project.json').general.properties;
    const call = (page, kind, name, value) => page.eval((lively, kind, name, value) => {
      if (kind === 'pause') lively ? livelyWallpaperPlaybackChanged(JSON.stringify({ IsPaused: value }))
                                   : wallpaperPropertyListener.setPaused(value);
      else lively ? livelyPropertyListener(name, value) : wallpaperPropertyListener.applyUserProperties({ [name]: { value } });
    }, lively, kind, name, lively && name === 'resolution' ? settings.resolution.items.indexOf(value) : value);

    it(`as a ${host} wallpaper, covers the screen, follows the host's settings and stops while it pauses`, async () => {
      assert.deepEqual([settings.fps.value, settings.fps.min, settings.fps.max], [30, 1, 240]);
      const wallpaper = await serveSite(join(SITE, '..', host)), page = await browser.open();
      await page.raw.setViewport({ width: 1280, height: 768 });
      await page.raw.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]);
      await page.raw.evaluateOnNewDocument(() => {
        window.clock = window.frames = window.draws = 0;      // a 100 Hz display on a clock of its own
        window.requestAnimationFrame = (f) => { window.frames++; return setTimeout(() => f(window.clock += 10), 0); };
        for (const name of ['drawElements', 'bufferSubData']) {
          const real = WebGL2RenderingContext.prototype[name];
          WebGL2RenderingContext.prototype[name] = function (...a) { window.draws++; return real.apply(this, a); };
        }
      });
      await page.raw.goto(`${wallpaper.url}?resolution=64x48`);
      await firstPicture(page);
      await page.raw.mouse.click(500, 400, { count: 2 });     // no caption, no full screen (below)
      const at = () => page.eval(() => [Number(document.getElementById('city').dataset.step), window.clock,
                                        window.frames, window.draws, document.getElementById('city').width]);
      for (const [fps, limit] of [[null, 30], [10, 10], [99999, 30], [7.5, 30]]) {
        if (fps !== null) await call(page, 'set', 'fps', fps);
        const [s0, t0] = await at();
        await page.waitFor((t) => window.clock >= t + 500, t0);
        const [s1, t1] = await at(), expected = (limit * (t1 - t0)) / 1000;
        assert.ok(Math.abs(s1 - s0 - expected) <= 2 + expected / 10, `fps ${fps}: ${s1 - s0} steps in ${t1 - t0} ms`);
      }
      assert.deepEqual(await page.eval(() => [document.getElementById('caption').hidden, document.fullscreenElement]),
                       [true, null]);
      for (const [res, width] of [['native', 1280], ['640x480', 640], ['none', 64]]) {   // 1280x960 covers 1280x768
        await call(page, 'set', 'resolution', res);
        await page.waitFor((w) => document.getElementById('city').width === w, width);
      }
      const left = spawnSync('convert', [await shot(page, `${host}.png`), '-crop', '128x768+0+0', '-format', '%[max]', 'info:'],
                             { encoding: 'utf8' }).stdout.trim();
      assert.notEqual(left, '0', 'no bar at the side: the picture is cropped to the screen');
      await call(page, 'pause', null, true);
      await new Promise((r) => setTimeout(r, 100));     // a frame already asked for comes, and ends the loop
      const still = await at();
      await new Promise((r) => setTimeout(r, 500));
      assert.deepEqual(await at(), still, 'paused: no step, frame, draw or upload');
      await call(page, 'pause', null, false);
      await page.waitFor((s) => Number(document.getElementById('city').dataset.step) > s, still[0]);
      noErrors(page);
      await page.close();
      await wallpaper.close();
    });
  }

  it('shows how far it is while it runs to a far step', async () => {
    const page = await open('?frames=1000000');
    await page.waitFor(() =>
      /^Running to step 1000000: [1-9]\d*%$/.test(document.getElementById('status').textContent));
    assert.equal(await attribute(page, 'data-step'), null);
    await page.close();
  });

  it('says so when the browser takes WebGL away', async () => {
    const page = await open(`?seed=${SEED}&pause`);
    await firstPicture(page);
    await page.eval(() => document.getElementById('city').getContext('webgl2')
      .getExtension('WEBGL_lose_context').loseContext());
    await page.waitFor(() => !document.getElementById('error').hidden);
    assert.equal(await page.eval(() => document.getElementById('error').textContent),
                 'WebGL context lost: reload the page to start again');
    await page.close();
  });
});
