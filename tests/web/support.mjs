// tests/web/support.mjs: what the browser tests and the measurements share: a static server for
// the built page on a free port of 127.0.0.1, Chromium started through puppeteer-core with a
// fresh profile, the canvas read back from a page, and the native end-to-end tests' pixel
// classification of the three parts.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
};

// Serves `site` at / and, to show that the page asks only for relative addresses, at
// /sub/folder/. Under /nodata/ the same site lacks kapu.data (404), as on a server that lost it,
// and under /nowasm/ kapu.wasm.
export async function startServer(site) {
  const requests = [];
  const server = http.createServer((request, response) => {
    let url = new URL(request.url, 'http://localhost').pathname;
    requests.push(url);
    let hide = null;
    for (const prefix of ['/sub/folder/', '/nodata/', '/nowasm/']) {
      if (url.startsWith(prefix)) {
        if (prefix === '/nodata/') hide = 'kapu.data';
        if (prefix === '/nowasm/') hide = 'kapu.wasm';
        url = '/' + url.slice(prefix.length);
      }
    }
    if (url.endsWith('/')) url += 'index.html';
    const file = path.join(site, path.normalize(url));
    if (!file.startsWith(site) || path.basename(file) === hide) {
      response.writeHead(404).end('not here');
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end('not here');
        return;
      }
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      response.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}`,
    requests,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// Chromium headless with a profile of its own, deleted by close(); sound allowed without a
// gesture, so that a page's audio runs where no person can click.
export async function startBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kapu-web-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    protocolTimeout: 180000,
    args: [
      '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required', '--disable-dev-shm-usage',
    ],
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A new page whose console errors, uncaught errors and failed requests are collected.
export async function openPage(browser, before) {
  const page = await browser.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`uncaught: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
  if (before) await page.evaluateOnNewDocument(before);
  return { page, problems };
}

// The canvas's pixels, RGBA row by row, as the page shows them.
export async function canvasPixels(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    }
    return btoa(text);
  });
  return new Uint8Array(Buffer.from(base64, 'base64'));
}

// A binary PPM (P6, maxval 255) as { width, height, rgb }.
export function readPpm(file) {
  const bytes = fs.readFileSync(file);
  const header = bytes.toString('latin1', 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error(`${file}: not a P6 picture of maxval 255`);
  return { width: Number(header[1]), height: Number(header[2]), rgb: bytes.subarray(header[0].length) };
}

// The parts as tests/e2e/lib.sh tells them apart on a screenshot three times the size: the
// fraction of bright pixels (HSB brightness above 15 %) and of red ones (strong red, weak green
// and blue) in the left 40 of 960 columns, here 40 / 3 of 320. 0 when it looks like none.
export function partOf(rgba, width = 320, height = 240) {
  let bright = 0;
  let red = 0;
  const redColumns = Math.floor(40 / 3);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const i = (y * width + x) * 4;
      const [r, g, b] = [rgba[i], rgba[i + 1], rgba[i + 2]];
      if (Math.max(r, g, b) > 0.15 * 255) bright++;
      if (x < redColumns && r > 0.5 * 255 && g < 0.35 * 255 && b < 0.35 * 255) red++;
    }
  }
  const brightFraction = bright / (width * height);
  const redFraction = red / (redColumns * height);
  if (redFraction > 0.05) return 1;
  if (brightFraction > 0.65) return 3;
  if (brightFraction < 0.4) return 2;
  return 0;
}
