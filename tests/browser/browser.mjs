// browser.mjs -- what the page tests and the page benchmark share: the site
// served from a free port, and the three browser engines behind one small
// page interface, each with a profile of its own:
//   chromium  Debian's chromium, headless, WebGL on SwiftShader (puppeteer)
//   firefox   Debian's firefox-esr on the X display, WebGL on Mesa
//             (puppeteer over WebDriver BiDi)
//   webkit    MiniBrowser of Debian's WebKitGTK on the X display, through
//             WebKitWebDriver (plain WebDriver HTTP calls)
// Firefox and WebKit find no GL without a display: run them under
// tests/harness/xserver_run.sh.
import { spawn, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { createServer as createNetServer } from 'node:net';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.wasm': 'application/wasm',
};
const WIDTH = 1024, HEIGHT = 768;
const WAIT_MS = 60000;

// Serves the files of dir on 127.0.0.1 at a port the system picks. Every
// page also gets its own policy once more as a report-only header with a
// report address: whatever the policy would block in any engine arrives in
// violations.
export async function serveSite(dir) {
  const html = readFileSync(join(dir, 'index.html'), 'utf8');
  const policy = /http-equiv="Content-Security-Policy" content="([^"]*)"/.exec(html)?.[1];
  const violations = [];
  const server = createServer((req, res) => {
    if (req.method === 'POST' && req.url === '/csp-report') {
      let body = '';
      req.on('data', (d) => { body += d; });
      req.on('end', () => { violations.push(body); res.writeHead(204).end(); });
      return;
    }
    let path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(dir, path));
    let body;
    try {
      if (!file.startsWith(normalize(dir))) throw new Error('outside');
      body = readFileSync(file);
    } catch {
      res.writeHead(404).end();
      return;
    }
    const headers = { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream' };
    if (policy && extname(file) === '.html')
      headers['Content-Security-Policy-Report-Only'] = `${policy}; report-uri /csp-report`;
    res.writeHead(200, headers);
    res.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    policy,
    violations,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Polls fn in the page until it returns something true.
async function poll(page, fn, args, timeout = WAIT_MS) {
  const end = Date.now() + timeout;
  for (;;) {
    const value = await page.eval(fn, ...args);
    if (value) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${fn}`);
    await sleep(100);
  }
}

// A puppeteer page behind the shared interface; console errors and uncaught
// exceptions are kept in errors.
async function puppeteerPage(browser, url) {
  const page = await browser.newPage();
  const p = {
    raw: page,
    errors: [],
    eval: (fn, ...args) => page.evaluate(fn, ...args),
    waitFor: (fn, ...args) => poll(p, fn, args),
    shot: () => page.screenshot(),
    press: (key) => page.keyboard.press(key),
    close: () => page.close(),
  };
  page.on('console', (m) => { if (m.type() === 'error') p.errors.push(m.text()); });
  page.on('pageerror', (e) => p.errors.push(e.message));
  await page.setViewport({ width: WIDTH, height: HEIGHT, deviceScaleFactor: 1 });
  if (url) await page.goto(url);
  return p;
}

function withProfile(prefix) {
  const profile = mkdtempSync(join(tmpdir(), prefix));
  return { profile, remove: () => rmSync(profile, { recursive: true, force: true }) };
}

// Chromium without the network, the sandbox (not available as root) or GPU,
// with WebGL through SwiftShader unless webgl is false.
export async function launchChromium({ webgl = true } = {}) {
  const { profile, remove } = withProfile('boxcity-chromium-');
  const args = [
    '--no-sandbox', '--enable-unsafe-swiftshader', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic',
    `--user-data-dir=${profile}`,
  ];
  if (!webgl) args.push('--disable-webgl', '--disable-3d-apis');
  const browser = await puppeteer.launch({
    executablePath: process.env.BOXCITY_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args,
    defaultViewport: { width: WIDTH, height: HEIGHT, deviceScaleFactor: 1 },
  });
  return {
    name: 'chromium',
    browser,
    version: await browser.version(),
    open: (url) => puppeteerPage(browser, url),
    close: async () => { await browser.close(); remove(); },
  };
}

// Firefox ESR in a window of the X display: headless, it finds no GL here.
export async function launchFirefox({ webgl = true } = {}) {
  const { profile, remove } = withProfile('boxcity-firefox-');
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.BOXCITY_FIREFOX || '/usr/bin/firefox-esr',
    headless: false,
    userDataDir: profile,
    extraPrefsFirefox: { 'webgl.disabled': !webgl },
    defaultViewport: { width: WIDTH, height: HEIGHT, deviceScaleFactor: 1 },
  });
  return {
    name: 'firefox',
    browser,
    version: await browser.version(),
    open: (url) => puppeteerPage(browser, url),
    close: async () => { await browser.close(); remove(); },
  };
}

// MiniBrowser ships inside the WebKitGTK library package, not on the path.
function miniBrowser() {
  if (process.env.BOXCITY_MINIBROWSER) return process.env.BOXCITY_MINIBROWSER;
  const arch = spawnSync('dpkg-architecture', ['-qDEB_HOST_MULTIARCH'], { encoding: 'utf8' });
  for (const dir of [arch.stdout?.trim(), 'x86_64-linux-gnu', 'aarch64-linux-gnu']) {
    const path = `/usr/lib/${dir}/webkit2gtk-4.1/MiniBrowser`;
    if (dir && existsSync(path)) return path;
  }
  throw new Error('MiniBrowser not found (Debian package libwebkit2gtk-4.1-0)');
}

async function freePort() {
  const server = createNetServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// WebKit through WebKitWebDriver and plain WebDriver HTTP: the few calls the
// tests need do not warrant a client library. One window; a page is a
// navigation in it. WebDriver reports no console messages (errors is null).
export async function launchWebKit({ webgl = true } = {}) {
  const port = await freePort();
  const driver = spawn(process.env.BOXCITY_WEBKITDRIVER || 'WebKitWebDriver', [`--port=${port}`],
                       { stdio: ['ignore', 'ignore', 'pipe'] });
  let driverLog = '';
  driver.stderr.on('data', (d) => { driverLog += d; });
  const base = `http://127.0.0.1:${port}`;
  async function call(method, path, body) {
    const r = await fetch(base + path, {
      method,
      headers: body ? { 'Content-Type': 'application/json' } : {},
      body: body ? JSON.stringify(body) : undefined,
    });
    const json = await r.json();
    if (!r.ok) throw new Error(`WebDriver ${path}: ${json.value?.error}: ${json.value?.message}`);
    return json.value;
  }
  let session;
  for (let i = 0; ; i++) {
    try {
      session = await call('POST', '/session', { capabilities: { alwaysMatch: {
        'webkitgtk:browserOptions': {
          binary: miniBrowser(),
          args: ['--automation', `--enable-webgl=${webgl}`],
        },
      } } });
      break;
    } catch (e) {
      if (i >= 100 || driver.exitCode !== null) {
        driver.kill();
        throw new Error(`WebKitWebDriver: ${e.message} ${driverLog}`);
      }
      await sleep(100);
    }
  }
  const s = `/session/${session.sessionId}`;
  // The window grown until the page itself is 1024x768.
  for (let i = 0; i < 4; i++) {
    const inner = await call('POST', `${s}/execute/sync`,
                             { script: 'return [innerWidth, innerHeight]', args: [] });
    if (inner[0] === WIDTH && inner[1] === HEIGHT) break;
    const rect = await call('GET', `${s}/window/rect`);
    await call('POST', `${s}/window/rect`, { width: rect.width + WIDTH - inner[0],
                                               height: rect.height + HEIGHT - inner[1] });
  }
  const evaluate = (fn, ...args) => call('POST', `${s}/execute/sync`, {
    script: `return (${fn}).apply(null, arguments)`, args,
  });
  return {
    name: 'webkit',
    version: `WebKitGTK ${session.capabilities.browserVersion}`,
    open: async (url) => {
      await call('POST', `${s}/url`, { url });
      const p = {
        errors: null,
        eval: evaluate,
        waitFor: (fn, ...args) => poll(p, fn, args),
        shot: async () => Buffer.from(await call('GET', `${s}/screenshot`), 'base64'),
        press: (key) => call('POST', `${s}/actions`, { actions: [{ type: 'key', id: 'keys', actions: [
          { type: 'keyDown', value: key }, { type: 'keyUp', value: key }] }] }),
        close: () => call('POST', `${s}/url`, { url: 'about:blank' }),
      };
      return p;
    },
    close: async () => {
      await call('DELETE', s).catch(() => {});
      driver.kill();
      await new Promise((resolve) => (driver.exitCode !== null ? resolve() : driver.on('exit', resolve)));
    },
  };
}

export const ENGINES = { chromium: launchChromium, firefox: launchFirefox, webkit: launchWebKit };
