// tests/web/measure.mjs: the web build's figures, measured in Chromium and printed, never judged
// (tests/web/run.sh --measure): the time to compose a frame of each part inside the page
// (?bench, best of five pages), the page's weight gzip-compressed, and the time from the start
// gesture to the first frame on the canvas (median of nine starts, the first of them the
// browser's first sound, which starts its audio service).
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
} finally {
  await chromium.close();
  await server.close();
}
