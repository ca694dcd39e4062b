// browser.mjs -- what the page tests and the page benchmark share: the site
// served from a free port, and Debian's chromium started headless with a
// profile of its own, drawing WebGL in software.
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
};

// Serves the files of dir on 127.0.0.1 at a port the system picks.
export async function serveSite(dir) {
  const server = createServer((req, res) => {
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
    res.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream' });
    res.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// Chromium without the network, the sandbox (not available as root) or GPU,
// with WebGL through SwiftShader unless webgl is false.
export async function launchChromium({ webgl = true } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'boxcity-chromium-'));
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
    defaultViewport: { width: 1024, height: 768, deviceScaleFactor: 1 },
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
