// tests/web/browser_test.mjs: the intro's page in real Chromium: it loads cleanly, with its start
// screen, loading bar and sharp pixels at any device pixel ratio; its stills are demo-render's
// frames, checksum and pixels, composed without blocking the page, and ?frame= out of range is
// refused; live, a click starts it, Space moves through the parts, Esc fades to black and a key
// starts it again, with the tune's samples reaching the browser, no noise at the start, and the
// picture in step with the sound after a hidden tab, a frozen page and on a slow main thread;
// every control works by mouse and by touch; what fails (WebAssembly, the data, the program,
// the tune, Web Audio) is said in the page in a sentence that stays.
// Run by tests/web/run.sh with SITE (build-web/site) and REFERENCE (demo-render's frames and
// --sums file for frames 600, 1700 and 3500, and opening.wav, the tune's first 12 frames).
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

const startReady = () => !document.getElementById('start').disabled;

// A page without Web Audio, as in a browser that offers none.
const noAudio = () => {
  delete window.AudioContext;
  delete window.webkitAudioContext;
};

// A new page (set up by `before`) whose run was started with a click.
async function openStarted(before) {
  const opened = await openPage(chromium.browser, before);
  await opened.page.goto(`${server.url}/`);
  await waitFor(opened.page, startReady);
  await opened.page.click('#start');
  return opened;
}

test('the page loads without console errors, with its title, scaled canvas and start screen', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await page.setViewport({ width: 1024, height: 768 });
  await page.goto(`${server.url}/`);
  await waitFor(page, startReady);
  assert.equal(await page.title(), 'KAPU4417');
  assert.equal(await visibleText(page, 'start'), 'click or tap to start — with sound');
  assert.equal(await visibleText(page, 'title'), 'KAPU4417');
  const basics = await page.evaluate(() => ({
    description: document.querySelector('meta[name=description]')?.content || '',
    icon: document.querySelector('link[rel=icon]')?.href || '',
    canvas: document.getElementById('screen').getAttribute('aria-label') || '',
    keys: document.querySelector('#intro .keys').textContent,
    focus: document.activeElement === document.body,
  }));
  assert.ok(basics.description.length > 20, 'meta description');
  assert.match(basics.icon, /^data:image\/png;base64,/, 'the K as favicon');
  assert.ok(basics.canvas.length > 0, 'the canvas has an accessible name');
  assert.match(basics.keys, /Space next part/);
  // The first Tab reaches the start button, then the controls in their order.
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'start');
  const outline = await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle);
  assert.notEqual(outline, 'none', 'keyboard focus is visible');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'mute', 'the run\'s own controls wait for a run');
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
  await waitFor(page, startReady);
  await page.click('#start');
  await waitFor(page, () => window.kapu.debug.state().shown > 30);
  assert.equal(await visibleText(page, 'intro'), null);
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
  assert.equal(await visibleText(page, 'restart'), 'Watch again');
  assert.equal((await state(page)).stage, 4);

  // Another key: the intro again from its first frame, part 1, with sound.
  const buffers = (await page.evaluate(() => window.kapu.debug.audio())).buffers;
  await page.keyboard.press('KeyX');
  await waitFor(page, () => window.kapu.debug.state().runs === 2 && window.kapu.debug.state().shown > 30);
  assert.equal(await visibleText(page, 'intro'), null);
  assert.equal(partOf(await canvasPixels(page)), 1, 'part 1 again');
  assert.equal((await state(page)).stage, 0);
  await waitFor(page, (n) => window.kapu.debug.audio().buffers > n + 4, buffers);
  assert.deepEqual(problems, []);
  await page.close();
});

test('Q ends the run as Esc does', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await page.goto(`${server.url}/`);
  await waitFor(page, startReady);
  await page.keyboard.press('Enter');  // a key starts it too
  await waitFor(page, () => window.kapu.debug.state()?.shown > 10);
  await tapUntil(page, 'KeyQ', () => window.kapu.debug.state().stage === 3);
  await waitFor(page, () => window.kapu.debug.state().ended);
  assert.equal(await visibleText(page, 'restart'), 'Watch again');
  assert.deepEqual(problems, []);
  await page.close();
});

test('F and a double click toggle full screen', async () => {
  const { page } = await openPage(chromium.browser);
  await page.goto(`${server.url}/`);
  await waitFor(page, startReady);
  await page.keyboard.press('KeyF');
  await waitFor(page, () => document.fullscreenElement !== null);
  await page.keyboard.press('KeyF');
  await waitFor(page, () => document.fullscreenElement === null);
  assert.equal(await visibleText(page, 'start'), 'click or tap to start — with sound', 'F does not start the intro');
  await page.click('#screen', { count: 2 });
  await waitFor(page, () => document.fullscreenElement !== null);
  await page.close();
});

test('without WebAssembly the page says so', async () => {
  const { page } = await openPage(chromium.browser, () => { delete window.WebAssembly; });
  await page.goto(`${server.url}/`);
  await waitFor(page, () => !document.getElementById('message').hidden);
  assert.match(await visibleText(page, 'message'), /cannot run WebAssembly/);
  assert.equal(await visibleText(page, 'again'), null);
  await page.close();
});

test('when the pictures and tune cannot be fetched the page says so', async () => {
  const { page } = await openPage(chromium.browser);
  await page.goto(`${server.url}/nodata/`);
  await waitFor(page, () => !document.getElementById('message').hidden);
  assert.match(await visibleText(page, 'message'), /pictures and tune \(kapu\.data\) could not be fetched/);
  assert.equal(await visibleText(page, 'again'), null);
  await page.close();
});

test('without Web Audio the intro runs silently with a note', async () => {
  const { page, problems } = await openStarted(noAudio);
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
  await waitFor(page, startReady);
  await page.click('#start');
  await waitFor(page, () => !document.getElementById('note').hidden);
  assert.match(await visibleText(page, 'note'), /has not allowed sound/);
  const { shown } = await state(page);
  await waitFor(page, (n) => window.kapu.debug.state().shown > n + 30, shown);
  assert.equal((await state(page)).stage, 0);
  assert.deepEqual(problems, []);
  await page.close();
});

// The page's own counters: the frame on the canvas and the frame whose samples play.
const sync = (page) => page.evaluate(() => window.kapu.debug.sync());

async function startLive(page, url = `${server.url}/`) {
  await page.goto(url);
  await waitFor(page, startReady);
  await page.click('#start');
  await waitFor(page, () => window.kapu.debug.sync().sound !== null && window.kapu.debug.state().shown > 30);
}

// Waits `ms` of the page's time, then `frames` more animation frames, and gives the largest
// distance between picture and sound the page saw in them.
async function apartAfter(page, frames) {
  await page.evaluate(() => { window.kapu.debug.apart = 0; });
  const { shown } = await state(page);
  await waitFor(page, (n) => window.kapu.debug.state().shown >= n, shown + frames);
  const { shown: picture, sound } = await sync(page);
  return Math.max(await page.evaluate(() => window.kapu.debug.apart), Math.abs(picture - sound));
}

test('the picture keeps in step with the sound after a hidden tab and a stall', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await startLive(page);
  assert.ok(await apartAfter(page, 60) <= 2, 'in step after the start');

  // A hidden tab holds both; shown again, both go on from where they were.
  const setHidden = (hidden) => page.evaluate((h) => {
    Object.defineProperty(document, 'visibilityState', { value: h ? 'hidden' : 'visible', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  const before = await sync(page);
  await setHidden(true);
  await new Promise((resolve) => setTimeout(resolve, 10000));
  const during = await sync(page);
  assert.ok(during.sound - before.sound < 30, `the sound went on ${during.sound - before.sound} frames while hidden`);
  assert.ok(during.shown - before.shown < 30, `the picture went on ${during.shown - before.shown} frames while hidden`);
  await setHidden(false);
  assert.ok(await apartAfter(page, 60) <= 2, 'in step after 10 s hidden');

  // The main thread stalls for 3 s (no timers, no animation frames): the queued sound plays out,
  // and the picture catches up with what was played.
  await page.evaluate(() => {
    const until = performance.now() + 3000;
    while (performance.now() < until) { /* stalled */ }
  });
  assert.ok(await apartAfter(page, 120) <= 2, 'in step after a 3 s stall');
  assert.deepEqual(problems, []);
  await page.close();
});

test('on a slow main thread (each animation frame busy 30 ms) the picture stays with the sound', async () => {
  const { page, problems } = await openPage(chromium.browser, () => {
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => request((time) => {
      const until = performance.now() + 30;
      while (performance.now() < until) { /* busy */ }
      callback(time);
    });
  });
  await startLive(page);
  const first = await sync(page);
  assert.ok(await apartAfter(page, 240) <= 2, 'picture and sound apart on a slow main thread');
  const last = await sync(page);
  assert.ok(last.sound - first.sound >= 200, 'the sound played on');
  assert.deepEqual(problems, []);
  await page.close();
});

// A WAV file's 16-bit samples, and the largest of the first `frames` stereo frames.
function wavPeak(file, frames) {
  const bytes = fs.readFileSync(file);
  const data = bytes.indexOf('data', 12, 'latin1') + 8;
  let peak = 0;
  for (let i = 0; i < frames * 2; ++i) peak = Math.max(peak, Math.abs(bytes.readInt16LE(data + 2 * i)));
  return peak;
}

test('the sound starts without noise: silence, then the tune at its own level', async () => {
  const opening = wavPeak(path.join(reference, 'opening.wav'), 4410);
  for (const run of [1, 2]) {
    const { page, problems } = await openPage(chromium.browser);
    await startLive(page);
    if (run === 2) {  // a restart opens the sound again
      await page.click('#quit');
      await waitFor(page, () => window.kapu.debug.state().ended);
      await page.click('#restart');
      await waitFor(page, () => window.kapu.debug.state().runs === 2 && window.kapu.debug.audio().first.length >= 8);
    }
    await waitFor(page, () => window.kapu.debug.audio().first.length >= 8);
    const { first } = await page.evaluate(() => window.kapu.debug.audio());
    const tune = first.findIndex(([, written]) => written);
    assert.ok(tune >= 0, 'the tune wrote a buffer');
    for (const [peak] of first.slice(0, tune)) assert.equal(peak, 0, `run ${run}: a buffer before the tune is not silent`);
    // 1024 samples a buffer: the first five cover the first 100 ms.
    const loudest = Math.max(...first.slice(0, 5).map(([peak]) => peak));
    assert.ok(loudest <= opening * 1.05 + 64, `run ${run}: first 100 ms peak ${loudest}, the tune's opening ${opening}`);
    assert.deepEqual(problems, []);
    await page.close();
  }
});

test('pacing replayed on the animation frames\' time stamps: one frame per refresh at 60 Hz', async () => {
  const { page, problems } = await openStarted(noAudio);
  await waitFor(page, () => window.kapu.debug.state().shown > 300);
  const frames = await page.evaluate(() => window.kapu.debug.frames);
  let regular = 0;
  let one = 0;
  for (let i = 2; i < frames.length; ++i) {
    const gap = frames[i][0] - frames[i - 1][0];
    if (gap < 15.5 || gap > 18) continue;  // a refresh the machine did not skip
    regular++;
    if (frames[i][1] === 1) one++;
  }
  assert.ok(regular > 100, `${regular} regular refreshes`);
  assert.ok(one >= regular * 0.98, `${regular - one} of ${regular} regular refreshes stepped 0 or 2 frames`);
  const stepped = frames.slice(1).reduce((sum, [, n]) => sum + n, 0);
  const seconds = (frames[frames.length - 1][0] - frames[0][0]) / 1000;
  assert.ok(Math.abs(stepped - seconds * 60) <= 3, `${stepped} frames in ${seconds.toFixed(2)} s`);
  assert.deepEqual(problems, []);
  await page.close();
});

test('every control works by mouse and by touch, each with its name', async () => {
  for (const touch of [false, true]) {
    const { page, problems } = await openPage(chromium.browser);
    await page.setViewport({ width: 800, height: 600, hasTouch: touch, isMobile: touch });
    const press = (id) => (touch ? page.tap(`#${id}`) : page.click(`#${id}`));
    await page.goto(`${server.url}/`);
    await waitFor(page, startReady);
    const names = await page.$$eval('#controls button', (buttons) => buttons.map((b) => b.getAttribute('aria-label')));
    assert.deepEqual(names, ['Pause', 'Next part', 'Fade out and end', 'Mute', 'Full screen', 'Keys and controls']);
    await press('start');
    await waitFor(page, () => window.kapu.debug.state().shown > 30);
    const how = touch ? 'touch' : 'mouse';

    await press('pause');
    await waitFor(page, () => window.kapu.debug.state().paused);
    const { shown } = await state(page);
    await new Promise((resolve) => setTimeout(resolve, 500));
    assert.equal((await state(page)).shown, shown, `${how}: paused`);
    assert.equal(await page.$eval('#pause', (b) => b.getAttribute('aria-label')), 'Go on');
    await press('pause');
    await waitFor(page, (n) => window.kapu.debug.state().shown > n + 10, shown);

    await press('next');
    await waitFor(page, () => window.kapu.debug.state().stage === 1);

    await press('mute');
    assert.equal(await page.$eval('#mute', (b) => b.getAttribute('aria-pressed')), 'true', `${how}: muted`);
    assert.equal(await page.evaluate(() => Module.muted), true);
    await press('mute');
    assert.equal(await page.evaluate(() => Module.muted), false);

    await press('full');
    await waitFor(page, () => document.fullscreenElement !== null);
    await press('full');
    await waitFor(page, () => document.fullscreenElement === null);

    await press('help-button');
    assert.match(await visibleText(page, 'help'), /Keys and controls/);
    await press('help-close');
    assert.equal(await visibleText(page, 'help'), null);

    await press('quit');
    await waitFor(page, () => window.kapu.debug.state().ended);
    assert.equal(await visibleText(page, 'restart'), 'Watch again');
    await press('restart');
    await waitFor(page, () => window.kapu.debug.state().runs === 2 && window.kapu.debug.state().shown > 10);
    assert.equal((await state(page)).stage, 0, `${how}: again from part 1`);
    assert.deepEqual(problems, [], how);
    await page.close();
  }
});

test('demo pixels are whole, equal numbers of device pixels at any device pixel ratio', async () => {
  const { page } = await openPage(chromium.browser);
  for (const [width, height, ratio] of [[1366, 768, 1], [1366, 768, 1.25], [1280, 720, 1.5],
    [1024, 768, 2], [390, 844, 3], [844, 390, 3], [200, 150, 1]]) {
    await page.setViewport({ width, height, deviceScaleFactor: ratio });
    await page.goto(`${server.url}/?frame=0`);
    await waitFor(page, () => document.getElementById('frame-sum').textContent !== '');
    const box = await page.$eval('#screen', (c) => {
      const r = c.getBoundingClientRect();
      return { left: r.left, top: r.top, width: r.width, height: r.height };
    });
    const device = Object.fromEntries(Object.entries(box).map(([k, v]) => [k, v * ratio]));
    const where = `${width} x ${height} at ${ratio}`;
    // Layout keeps 1/64 CSS pixel; painting snaps to the nearest device pixel.
    for (const [k, v] of Object.entries(device)) assert.ok(Math.abs(v - Math.round(v)) < 0.05, `${where}: ${k} ${v}`);
    const scale = Math.round(device.width) / 320;
    if (width >= 320 && height >= 240) {
      assert.ok(Number.isInteger(scale) && scale >= 1, `${where}: ${scale} device pixels per demo pixel`);
      assert.equal(Math.round(device.height), 240 * scale);
      // The largest such scale that fits.
      assert.ok(320 * (scale + 1) > Math.floor(width * ratio) || 240 * (scale + 1) > Math.floor(height * ratio), `${where}: could be larger`);
    } else {
      assert.ok(box.width <= width && box.height <= height, `${where}: scaled down to fit`);
    }
  }
  await page.close();
});

test('?frame= out of range is refused with a message; a long still leaves the page responsive', async () => {
  const { page, problems } = await openPage(chromium.browser);
  for (const frame of ['-1', '4294967296', '99999999999999999999', 'x']) {
    await page.goto(`${server.url}/?frame=${frame}`);
    await waitFor(page, () => !document.getElementById('message').hidden);
    assert.match(await visibleText(page, 'message'), /\?frame= takes a frame number from 0 to 215999/, frame);
    assert.equal(await page.$eval('#frame-sum', (e) => e.textContent), '');
  }
  const golden = new Map(fs.readFileSync(goldenFile, 'utf8').split('\n').map((l) => l.split(' '))
    .filter((w) => w[0] === 'frame' && w[1] === 'plain').map((w) => [w[2], w[3]]));
  for (const frame of ['0', '4000']) assert.equal(await still(page, `${server.url}/?frame=${frame}`), golden.get(frame));
  // A long still: composed in slices; the page answers meanwhile and the bar moves.
  await page.goto(`${server.url}/?frame=60000`);
  await waitFor(page, () => Number(document.getElementById('loading').getAttribute('aria-valuenow')) > 0);
  assert.equal(await page.$eval('#frame-sum', (e) => e.textContent), '', 'the page answers while composing');
  await waitFor(page, () => document.getElementById('frame-sum').textContent !== '');
  assert.ok(await page.evaluate(() => window.kapu.debug.stillSlices) > 2, 'composed in slices');
  assert.deepEqual(problems, []);
  await page.close();
});

test('the loading bar fills while the files arrive on a slow network', async () => {
  const { page } = await openPage(chromium.browser);
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false, latency: 20, downloadThroughput: 4e6 / 8, uploadThroughput: 4e6 / 8 });
  await page.goto(`${server.url}/`, { waitUntil: 'domcontentloaded' });
  const seen = new Set();
  while (await page.$eval('#start', (b) => b.disabled)) {
    seen.add(await page.$eval('#loading', (e) => Number(e.getAttribute('aria-valuenow'))));
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  assert.equal(await visibleText(page, 'title'), 'KAPU4417');
  const between = [...seen].filter((v) => v > 10 && v < 95);
  assert.ok(between.length >= 2, `the bar showed ${[...seen].sort((a, b) => a - b).join(', ')}`);
  await page.close();
});

test('failures are said in a sentence that stays: program missing, tune unplayable', async () => {
  {
    const { page } = await openPage(chromium.browser);
    await page.goto(`${server.url}/nowasm/`);
    await waitFor(page, () => !document.getElementById('message').hidden);
    const text = await visibleText(page, 'message');
    assert.match(text, /program \(kapu\.wasm\) could not be fetched or started/);
    assert.doesNotMatch(text, /Aborted|ASSERTIONS/);
    await new Promise((resolve) => setTimeout(resolve, 1000));
    assert.equal(await visibleText(page, 'message'), text, 'the sentence stays');
    await page.close();
  }
  {
    // The tune's header spoiled in the data package: the tune check refuses it.
    const data = fs.readFileSync(path.join(site, 'kapu.data'));
    const at = data.indexOf('Extended Module: ', 0, 'latin1');
    assert.ok(at >= 0);
    const spoiled = Buffer.from(data);
    spoiled.write('Xxxxxxxx', at, 'latin1');
    const { page, problems } = await openPage(chromium.browser);
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      if (request.url().endsWith('/kapu.data')) {
        request.respond({ status: 200, contentType: 'application/octet-stream', body: spoiled });
      } else {
        request.continue();
      }
    });
    await page.goto(`${server.url}/`);
    await waitFor(page, startReady);
    await page.click('#start');
    await waitFor(page, () => window.kapu.debug.state().shown > 60);
    await new Promise((resolve) => setTimeout(resolve, 1000));
    assert.match(await visibleText(page, 'note'), /^No sound: Error loading: .*The intro runs silently\.$/);
    assert.equal((await state(page)).sound, false);
    assert.deepEqual(problems.filter((p) => !/kapu\.data/.test(p)), []);
    await page.close();
  }
});

test('?embed in a 160 x 120 frame: the picture and the controls; full screen refused with a note', async () => {
  const { page, problems } = await openPage(chromium.browser);
  await page.setViewport({ width: 400, height: 300 });
  await page.setContent(`<iframe src="${server.url}/?embed" width="160" height="120" style="border:0"></iframe>`);
  const frame = await (await page.$('iframe')).contentFrame();
  await frame.waitForFunction(() => !document.getElementById('start').disabled, { timeout: LONG });
  const look = await frame.evaluate(() => {
    const inside = (id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return r.left >= 0 && r.top >= 0 && r.right <= innerWidth + 0.5 && r.bottom <= innerHeight + 0.5;
    };
    return { title: getComputedStyle(document.getElementById('title')).display,
             screen: inside('screen'), start: inside('start'), controls: inside('controls') };
  });
  assert.deepEqual(look, { title: 'none', screen: true, start: true, controls: true });
  await frame.click('#start');
  await frame.waitForFunction(() => window.kapu.debug.state().shown > 30, { timeout: LONG });
  await frame.click('#full');
  await frame.waitForFunction(() => !document.getElementById('note').hidden, { timeout: LONG });
  assert.match(await frame.$eval('#note', (e) => e.textContent), /Full screen is not allowed in this frame/);
  assert.deepEqual(problems, []);
  await page.close();
});
