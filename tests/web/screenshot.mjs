// tests/web/screenshot.mjs: the README's picture of the page (tests/web/run.sh --screenshot FILE):
// the still of part 2's frame 2165 in a 1024 x 768 Chromium window, written as a PNG.
import path from 'node:path';

import { openPage, startBrowser, startServer } from './support.mjs';

const site = path.resolve(process.env.SITE || 'build-web/site');
const file = path.resolve(process.argv[2] || 'docs/web.png');

const server = await startServer(site);
const chromium = await startBrowser();
try {
  const { page, problems } = await openPage(chromium.browser);
  await page.setViewport({ width: 1024, height: 768 });
  await page.goto(`${server.url}/?frame=2165`);
  await page.waitForFunction(() => document.getElementById('frame-sum').textContent !== '',
                             { timeout: 180000 });
  if (problems.length) throw new Error(problems.join('\n'));
  await page.screenshot({ path: file });
  console.log(`web screenshot: ${file}`);
} finally {
  await chromium.close();
  await server.close();
}
