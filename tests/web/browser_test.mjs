// tests/web/browser_test.mjs: the intro's page in real Chromium: it loads cleanly; its stills
// are demo-render's frames, checksum and pixels; live, a click starts it, Space moves through the
// parts, Esc fades to black and a key starts it again, with the tune's samples reaching the
// browser; what is missing (WebAssembly, the data, Web Audio) is said in the page.
// Run by tests/web/run.sh with SITE (build-web/site) and REFERENCE (demo-render's frames and
// --sums file for frames 600, 1700 and 3500).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { canvasPixels, openPage, partOf, readPpm, startBrowser, startServer } from './support.mjs';

const site = path.resolve(process.env.SITE || 'build-web/site');
const reference = path.resolve(process.env.REFERENCE || 'build-web/reference');
const goldenFile = new URL('../golden/frames.txt', import.meta.url).pathname;
const LONG = 120000;  // generous: the machine may be busy with other builds

let server;
let chromium;

before(async () => {
  server = await startServer(site);
  chromium = await startBrowser();
});

after(async () => {
  await chromium?.close();
  await server?.close();
});

const visibleText = (page, id) =>
  page.$eval(`#${id}`, (element) => (element.hidden ? null : element.textContent));

const state = (page) => page.evaluate(() => window.kapu.debug.state());

async function waitFor(page, fn, arg) {
  await page.waitForFunction(fn, { timeout: LONG, polling: 'raf' }, arg);
}

// Holds a key until the demo has taken a frame step with it, then lets it go: the demo reads
// the key as a level once a frame, so a press and release between two frames would go unseen.
async function tapUntil(page, key, done, arg) {
  await page.keyboard.down(key);
  try {
    await waitFor(page, done, arg);
  } finally {
    await page.keyboard.up(key);
  }
}

// Space until the canvas shows part `part` (1, 2, 3), as the native end-to-end tests go: a
// press held into a second frame skips two parts, so it goes round again until it lands.
async function gotoPart(page, part) {
  for (let tries = 0; tries < 8; ++tries) {
    const shown = partOf(await canvasPixels(page));
    if (shown === part && (await state(page)).stage === part - 1) return;
    const { stage } = await state(page);
    await tapUntil(page, 'Space', (from) => window.kapu.debug.state().stage !== from, stage);
    // Let a few frames of the new part reach the canvas before looking at it.
    const { shown: at } = await state(page);
    await waitFor(page, (n) => window.kapu.debug.state().shown >= n + 3, at);
  }
  assert.fail(`part ${part} never showed`);
}

test('the page loads without console errors, with its title, scaled canvas and start overlay', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await page.setViewport({ width: 1024, height: 768 });
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('overlay').hidden);
  assert.equal(await page.title(), 'KAPU4417');
  assert.equal(await visibleText(page, 'overlay'), 'click or press a key');
  assert.equal(await visibleText(page, 'message'), null);
  const look = await page.$eval('#screen', (canvas) => {
    const style = getComputedStyle(canvas);
    return { width: style.width, height: style.height, rendering: style.imageRendering,
             background: getComputedStyle(document.body).backgroundColor };
  });
  // 1024 x 768 fits three times 320 x 240
  assert.deepEqual(look, { width: '960px', height: '720px', rendering: 'pixelated',
                           background: 'rgb(0, 0, 0)' });
  await page.setViewport({ width: 700, height: 600 });
  await waitFor(page, () => getComputedStyle(document.getElementById('screen')).width === '640px');
  assert.deepEqual(problems, []);
  await page.close();
});

// Loads a still and gives the checksum it wrote into #frame-sum; fails on a message instead.
async function still(page, url) {
  await page.goto(url);
  await waitFor(page, () => document.getElementById('frame-sum').textContent !== '' ||
                            !document.getElementById('message').hidden);
  assert.equal(await visibleText(page, 'message'), null, url);
  return page.$eval('#frame-sum', (e) => e.textContent);
}

test('?frame=N shows demo-render\'s frame N, checksum and pixels, also from a subfolder', async () => {
  const sums = new Map(fs.readFileSync(path.join(reference, 'sums.txt'), 'utf8').trim().split('\n')
    .map((line) => line.split(' ')));
  for (const [frame, folder] of [['600', '/'], ['1700', '/'], ['3500', '/'], ['1700', '/sub/folder/']]) {
    const { page, problems } = await openPage(chromium.browser);
    assert.equal(await still(page, `${server.url}${folder}?frame=${frame}`), sums.get(frame),
                 `frame ${frame} from ${folder}: checksum`);

    const want = readPpm(path.join(reference, `frame-${frame.padStart(6, '0')}.ppm`));
    const got = await canvasPixels(page);
    assert.equal(got.length, want.width * want.height * 4);
    for (let p = 0; p < want.width * want.height; ++p) {
      const rgba = [got[4 * p], got[4 * p + 1], got[4 * p + 2], got[4 * p + 3]];
      const rgb = [want.rgb[3 * p], want.rgb[3 * p + 1], want.rgb[3 * p + 2], 255];
      if (rgba.some((v, i) => v !== rgb[i])) {
        assert.fail(`frame ${frame}: pixel (${p % want.width}, ${Math.floor(p / want.width)}) ` +
                    `is RGBA ${rgba}, demo-render's RGB ${rgb.slice(0, 3)} (opaque)`);
      }
    }
    assert.deepEqual(problems, [], `frame ${frame}`);
    await page.close();
  }
});

// The golden frames of the run without keys, composed by the page's WebAssembly (SIMD paths
// included) and the web build's rand().
test('the stills match every golden frame of the run without keys', async () => {
  const golden = fs.readFileSync(goldenFile, 'utf8').split('\n')
    .map((line) => line.split(' ')).filter((words) => words[0] === 'frame' && words[1] === 'plain');
  assert.ok(golden.length >= 10, `${golden.length} golden frames in ${goldenFile}`);
  const { page } = await openPage(chromium.browser);
  for (const [, , frame, sum] of golden) {
    assert.equal(await still(page, `${server.url}/?frame=${frame}`), sum, `golden frame ${frame}`);
  }
  await page.close();
});

test('live: a click starts it, Space moves to part 2 and 3, Esc fades to black, a key starts again', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('overlay').hidden);
  await page.click('#overlay');
  await waitFor(page, () => window.kapu.debug.state().shown > 30);
  assert.equal(await visibleText(page, 'overlay'), null);
  assert.equal(partOf(await canvasPixels(page)), 1, 'part 1 after the start');
  assert.equal((await state(page)).stage, 0);

  // The tune: the sound library's callback filled buffers that are not all silence.
  await waitFor(page, () => window.kapu.debug.audio().loud > 0);
  const audio = await page.evaluate(() => window.kapu.debug.audio());
  assert.equal(audio.state, 'running');
  assert.ok(audio.peak > 256, `peak sample ${audio.peak}`);
  assert.equal(await visibleText(page, 'note'), null);

  await gotoPart(page, 2);
  await gotoPart(page, 3);

  await tapUntil(page, 'Escape', () => window.kapu.debug.state().stage === 3);
  await waitFor(page, () => window.kapu.debug.state().ended);
  const black = await canvasPixels(page);
  const lit = black.findIndex((v, i) => i % 4 !== 3 && v !== 0);
  assert.equal(lit, -1, `the fade-out leaves pixel ${Math.floor(lit / 4)} lit`);
  assert.equal(await visibleText(page, 'overlay'), 'press a key to watch again');
  assert.equal((await state(page)).stage, 4);

  // Another key: the intro again from its first frame, part 1, with sound.
  const buffers = (await page.evaluate(() => window.kapu.debug.audio())).buffers;
  await page.keyboard.press('KeyX');
  await waitFor(page, () => window.kapu.debug.state().runs === 2 && window.kapu.debug.state().shown > 30);
  assert.equal(await visibleText(page, 'overlay'), null);
  assert.equal(partOf(await canvasPixels(page)), 1, 'part 1 again');
  assert.equal((await state(page)).stage, 0);
  await waitFor(page, (n) => window.kapu.debug.audio().buffers > n + 4, buffers);
  assert.deepEqual(problems, []);
  await page.close();
});

test('Q ends the run as Esc does', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('overlay').hidden);
  await page.keyboard.press('Enter');  // a key starts it too
  await waitFor(page, () => window.kapu.debug.state()?.shown > 10);
  await tapUntil(page, 'KeyQ', () => window.kapu.debug.state().stage === 3);
  await waitFor(page, () => window.kapu.debug.state().ended);
  assert.equal(await visibleText(page, 'overlay'), 'press a key to watch again');
  assert.deepEqual(problems, []);
  await page.close();
});

test('F and a double click toggle full screen', async () => {
  const { page } = await openPage(chromium.browser);
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('overlay').hidden);
  await page.keyboard.press('KeyF');
  await waitFor(page, () => document.fullscreenElement !== null);
  await page.keyboard.press('KeyF');
  await waitFor(page, () => document.fullscreenElement === null);
  assert.equal(await visibleText(page, 'overlay'), 'click or press a key', 'F does not start the intro');
  await page.click('#screen', { count: 2 });
  await waitFor(page, () => document.fullscreenElement !== null);
  await page.close();
});

test('without WebAssembly the page says so', async () => {
  const { page } = await openPage(chromium.browser, () => { delete window.WebAssembly; });
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('message').hidden);
  assert.match(await visibleText(page, 'message'), /cannot run WebAssembly/);
  assert.equal(await visibleText(page, 'overlay'), null);
  await page.close();
});

test('when the pictures and tune cannot be fetched the page says so', async () => {
  const { page } = await openPage(chromium.browser);
  await page.goto(`${server.url}/nodata/`);
  await waitFor(page, () => !document.getElementById('message').hidden);
  assert.match(await visibleText(page, 'message'), /pictures and tune \(kapu\.data\) could not be fetched/);
  assert.equal(await visibleText(page, 'overlay'), null);
  await page.close();
});

test('without Web Audio the intro runs silently with a note', async () => {
  const { page, problems } = await openPage(chromium.browser, () => {
    delete window.AudioContext;
    delete window.webkitAudioContext;
  });
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('overlay').hidden);
  await page.click('#overlay');
  await waitFor(page, () => window.kapu.debug.state().shown > 60);
  assert.match(await visibleText(page, 'note'), /^No sound: .*The intro runs silently\.$/);
  assert.equal((await state(page)).sound, false);
  assert.equal(partOf(await canvasPixels(page)), 1);
  assert.deepEqual(problems, []);
  await page.close();
});

test('sound the browser keeps suspended leaves the intro running silently with a note', async () => {
  const { page, problems } = await openPage(chromium.browser, () => {
    // An audio context that the browser never lets run, as without a gesture it may not.
    const Refused = class extends window.AudioContext {
      constructor(...args) {
        super(...args);
        this.suspend();
      }
      resume() { return Promise.resolve(); }
    };
    window.AudioContext = Refused;
  });
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('overlay').hidden);
  await page.click('#overlay');
  await waitFor(page, () => !document.getElementById('note').hidden);
  assert.match(await visibleText(page, 'note'), /has not allowed sound/);
  const { shown } = await state(page);
  await waitFor(page, (n) => window.kapu.debug.state().shown > n + 30, shown);
  assert.equal((await state(page)).stage, 0);
  assert.deepEqual(problems, []);
  await page.close();
});
