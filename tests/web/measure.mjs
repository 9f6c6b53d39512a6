// tests/web/measure.mjs: the web build's figures, measured in Chromium and printed, never judged
// (tests/web/run.sh --measure): the time to compose a frame of each part inside the page
// (?bench, best of five pages), the page's weight gzip-compressed, and the time from the start
// gesture to the first frame on the canvas (median of nine starts, the first of them the
// browser's first sound, which starts its audio service); picture and sound apart after a 10 s
// hidden tab and over a minute of a slow main thread; without sound, the share of animation
// frames that stepped other than one demo frame (60 s).
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

import { openPage, startBrowser, startServer } from './support.mjs';

const site = path.resolve(process.env.SITE || 'build-web/site');
const runs = 9;
const LONG = 180000;

const server = await startServer(site);
const chromium = await startBrowser();
try {
  let total = 0;
  console.log('Page weight (gzip -9):');
  for (const name of fs.readdirSync(site).sort()) {
    const bytes = fs.readFileSync(path.join(site, name));
    const packed = zlib.gzipSync(bytes, { level: 9 }).length;
    total += packed;
    console.log(`  ${name.padEnd(12)} ${String(bytes.length).padStart(8)} B -> ${String(packed).padStart(7)} B`);
  }
  console.log(`  total ${(total / 1024).toFixed(1)} KiB`);

  const best = { part1: Infinity, part2: Infinity, part3: Infinity };
  for (let i = 0; i < runs; ++i) {
    const { page } = await openPage(chromium.browser);
    await page.goto(`${server.url}/?bench=600`);
    await page.waitForFunction(() => window.kapu.debug.bench, { timeout: LONG });
    const bench = await page.evaluate(() => window.kapu.debug.bench);
    for (const part of Object.keys(best)) best[part] = Math.min(best[part], bench[part]);
    await page.close();
  }
  console.log(`Compose time per frame in the page (600 frames of each part, best of ${runs}):`);
  for (const [part, ms] of Object.entries(best)) console.log(`  ${part} ${(ms * 1000).toFixed(1)} µs`);

  const firsts = [];
  for (let i = 0; i < runs; ++i) {
    const { page } = await openPage(chromium.browser);
    await page.goto(`${server.url}/`);
    await page.waitForFunction(() => !document.getElementById('start').disabled, { timeout: LONG });
    await page.click('#start');
    await page.waitForFunction(() => window.kapu.debug.firstFrameMs !== null, { timeout: LONG });
    firsts.push(await page.evaluate(() => window.kapu.debug.firstFrameMs));
    await page.close();
  }
  firsts.sort((a, b) => a - b);
  console.log(`Start gesture to first frame: median ${firsts[runs >> 1].toFixed(1)} ms ` +
              `(${firsts.map((ms) => ms.toFixed(1)).join(', ')})`);

  const started = async (before) => {
    const opened = await openPage(chromium.browser, before);
    await opened.page.goto(`${server.url}/`);
    await opened.page.waitForFunction(() => !document.getElementById('start').disabled, { timeout: LONG });
    await opened.page.click('#start');
    return opened.page;
  };
  const wait = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
  const apart = (page) => page.evaluate(() => {
    const { shown, sound } = window.kapu.debug.sync();
    return { now: sound === null ? null : shown - sound, most: window.kapu.debug.apart };
  });
  {
    const page = await started();
    await page.waitForFunction(() => window.kapu.debug.state().shown > 60, { timeout: LONG });
    const hide = (hidden) => page.evaluate((h) => {
      Object.defineProperty(document, 'visibilityState', { value: h ? 'hidden' : 'visible', configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
    }, hidden);
    await hide(true);
    await wait(10000);
    await hide(false);
    await page.evaluate(() => { window.kapu.debug.apart = 0; });
    await wait(2000);
    const a = await apart(page);
    console.log(`Picture less sound after a 10 s hidden tab: ${a.now} frames (at most ${a.most} in the 2 s after)`);
    await page.close();
  }
  {
    const page = await started(() => {
      const request = window.requestAnimationFrame.bind(window);
      window.requestAnimationFrame = (callback) => request((time) => {
        const until = performance.now() + 12 + Math.random() * 20;
        while (performance.now() < until) { /* a busy main thread */ }
        callback(time);
      });
    });
    await page.waitForFunction(() => window.kapu.debug.sync().sound !== null, { timeout: LONG });
    await page.evaluate(() => { window.kapu.debug.apart = 0; });
    await wait(60000);
    const a = await apart(page);
    console.log(`Picture less sound after 60 s of 12-32 ms busy animation frames: ${a.now} frames (at most ${a.most})`);
    await page.close();
  }
  {
    const page = await started(() => { delete window.AudioContext; });
    await wait(60000);
    const frames = await page.evaluate(() => window.kapu.debug.frames);
    const other = frames.slice(1).filter(([, n]) => n !== 1).length;
    console.log(`Without sound, animation frames stepping 0 or 2+ demo frames: ${other} of ${frames.length - 1}`);
    await page.close();
  }
} finally {
  await chromium.close();
  await server.close();
}
