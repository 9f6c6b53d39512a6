// tests/web/screenshot.mjs: pictures of the page.
//   node screenshot.mjs FILE.png   the README's picture: the still of part 2's frame 2165 in a
//                                  1366 x 768 Chromium window (tests/web/run.sh --screenshot)
//   node screenshot.mjs FOLDER     the set to look at after a change of the page: before and
//                                  after the start at 1366 x 768, a phone upright and on its side
//                                  (390 x 844 at 3 device pixels per CSS pixel), and the page
//                                  embedded in a 480 x 360 frame (run.sh --screenshots FOLDER)
import fs from 'node:fs';
import path from 'node:path';

import { openPage, startBrowser, startServer } from './support.mjs';

const site = path.resolve(process.env.SITE || 'build-web/site');
const target = path.resolve(process.argv[2] || 'docs/web.png');
const LONG = 180000;

const server = await startServer(site);
const chromium = await startBrowser();

async function live(viewport, name, { tap = false } = {}) {
  const { page, problems } = await openPage(chromium.browser);
  await page.setViewport(viewport);
  await page.goto(`${server.url}/`);
  await page.waitForFunction(() => !document.getElementById('start').disabled, { timeout: LONG });
  await page.screenshot({ path: path.join(target, `${name}-start.png`) });
  await (tap ? page.tap('#start') : page.click('#start'));
  await page.waitForFunction(() => window.kapu.debug.state().shown > 1200, { timeout: LONG });
  if (tap) await page.tap('#screen'); else await page.mouse.move(viewport.width / 2, viewport.height / 2);
  await page.screenshot({ path: path.join(target, `${name}-running.png`) });
  if (problems.length) throw new Error(problems.join('\n'));
  await page.close();
}

try {
  if (target.endsWith('.png')) {
    const { page, problems } = await openPage(chromium.browser);
    await page.setViewport({ width: 1366, height: 768 });
    await page.goto(`${server.url}/?frame=2165`);
    await page.waitForFunction(() => document.getElementById('frame-sum').textContent !== '',
                               { timeout: LONG });
    if (problems.length) throw new Error(problems.join('\n'));
    await page.screenshot({ path: target });
  } else {
    fs.mkdirSync(target, { recursive: true });
    await live({ width: 1366, height: 768 }, 'desktop');
    await live({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true }, 'phone-upright', { tap: true });
    await live({ width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: true }, 'phone-side', { tap: true });
    const { page } = await openPage(chromium.browser);
    await page.setViewport({ width: 640, height: 480 });
    await page.setContent(`<body style="background:#446;margin:0;padding:40px 80px">
      <iframe src="${server.url}/?embed" width="480" height="360" style="border:0"
              allow="autoplay; fullscreen" title="KAPU4417"></iframe></body>`);
    const frame = await (await page.$('iframe')).contentFrame();
    await frame.waitForFunction(() => !document.getElementById('start').disabled, { timeout: LONG });
    await page.screenshot({ path: path.join(target, 'embed-start.png') });
    await frame.click('#start');
    await frame.waitForFunction(() => window.kapu.debug.state().shown > 1200, { timeout: LONG });
    await page.mouse.move(300, 300);
    await page.screenshot({ path: path.join(target, 'embed-running.png') });
    await page.close();
  }
  console.log(`web screenshots: ${target}`);
} finally {
  await chromium.close();
  await server.close();
}
