// front/web/page.js: the page around the intro's module (kapu.js, kapu.wasm, kapu.data, all
// beside this file): shows the start screen with a loading bar while the files arrive, prepares
// the run before the start gesture, starts it on a click, tap or key, steps it at each animation
// frame, offers controls for touch and mouse (pause, next part, fade out, mute, full screen,
// help), holds picture and sound while the tab is hidden, scales the canvas by whole factors of
// device pixels, and tells in the page, in a sentence that stays, what went wrong.
// With ?frame=N it composes frame N of a run without keys or sound, a slice at a time, and
// writes its checksum into #frame-sum; with ?bench[=FRAMES] it times the composition of each
// part; with ?embed it shows only the picture and the controls, for an iframe.
'use strict';

(function () {
  const MAX_FRAME = 215999;          // ?frame= up to one hour at 60 frames per second
  const SILENT_AFTER_MS = 1500;      // how long the browser may take to let the sound start
  const CONTROLS_IDLE_MS = 2500;     // the controls fade out after this long without a pointer
  const STILL_SLICE_MS = 40;         // composing a still in slices keeps the page responsive
  const DOUBLE_TAP_MS = 350;
  const KEY_SPACE = 32;
  const KEY_ESCAPE = 27;
  const SAMPLES_PER_FRAME = 735;     // 44100 Hz / 60 frames per second

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const params = new URLSearchParams(location.search);
  const embed = params.has('embed');
  const live = params.get('frame') === null && !params.has('bench');
  const stderr = [];  // the module's standard error, lines
  let ready = false;
  let prepared = false;
  let running = false;
  let paused = false;        // by the visitor
  let hidden = false;        // the tab is hidden
  let failed = false;
  let startedAt = 0;
  let silentTimer = 0;
  let idleTimer = 0;
  let frameRequest = 0;
  let stickyNote = false;    // a note about a failure, which no later state clears
  let lastTap = 0;

  // What the tests and the curious can read; nothing here changes the run.
  const debug = {
    firstFrameMs: null,   // from the start gesture to the first frame on the canvas
    runs: 0,
    ended: false,
    audioState: null,
    bench: null,
    stillMs: null,        // the longest slice of composing a still
    stillSlices: 0,
    frames: [],           // per animation frame, the last 4000: [time stamp, frames stepped]
    apart: 0,             // most frames between picture and sound since the last reset
    state() {
      if (!ready) return null;
      return { stage: Module._web_stage(), shown: Module._web_shown(), sound: Module._web_sound() === 1,
               running, paused, ended: debug.ended, runs: debug.runs };
    },
    audio() {
      return Object.assign({ state: debug.audioState }, Module.audioProbe || { buffers: 0, loud: 0, peak: 0 });
    },
    // The frame on the canvas and the frame whose samples play (null without a sound clock).
    sync() {
      const clock = Module.audioClock;
      const played = clock && clock.lastPlayed >= 0 ? clock.lastPlayed : null;
      return { shown: ready ? Module._web_shown() - 1 : null,
               sound: played === null ? null : Math.floor(played / SAMPLES_PER_FRAME) };
    },
  };
  window.kapu = { debug };

  if (embed) document.documentElement.classList.add('embed');

  function show(element, text) {
    if (text !== undefined) element.textContent = text;
    element.hidden = false;
  }

  // A failure: one plain sentence that stays; the first one is kept.
  function fail(text) {
    if (failed) return;
    failed = true;
    running = false;
    cancelAnimationFrame(frameRequest);
    $('intro').hidden = true;
    $('again').hidden = true;
    show($('message'), text);
  }

  function note(text, sticky) {
    if (stickyNote && !sticky) return;
    if (sticky) stickyNote = true;
    if (text) show($('note'), text); else $('note').hidden = true;
  }

  function progress(fraction) {
    const percent = Math.max(0, Math.min(100, Math.round(fraction * 100)));
    $('loading-bar').style.width = percent + '%';
    $('loading').setAttribute('aria-valuenow', String(percent));
  }

  // The canvas at the largest whole number of device pixels per demo pixel that fits the
  // window, placed on whole device pixels, so that every demo pixel is equally wide at any
  // device pixel ratio; in a window smaller than the frame, scaled down to fit.
  function rescale() {
    const ratio = window.devicePixelRatio || 1;
    const width = canvas.width || 320;
    const height = canvas.height || 240;
    const deviceWidth = Math.floor(document.documentElement.clientWidth * ratio);
    const deviceHeight = Math.floor(document.documentElement.clientHeight * ratio);
    const fit = Math.min(deviceWidth / width, deviceHeight / height);
    const scale = fit >= 1 ? Math.floor(fit) : fit;
    const w = Math.floor(width * scale);
    const h = Math.floor(height * scale);
    const style = document.documentElement.style;
    style.setProperty('--screen-width', w / ratio + 'px');
    style.setProperty('--screen-height', h / ratio + 'px');
    style.setProperty('--screen-left', Math.floor((deviceWidth - w) / 2) / ratio + 'px');
    style.setProperty('--screen-top', Math.floor((deviceHeight - h) / 2) / ratio + 'px');
    canvas.style.imageRendering = fit >= 1 ? '' : 'auto';
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
      return;
    }
    const refused = () => note(embed
      ? 'Full screen is not allowed in this frame: open the intro in a page of its own.'
      : 'The browser did not allow full screen.');
    if (!document.fullscreenEnabled || !document.documentElement.requestFullscreen) {
      refused();
      return;
    }
    document.documentElement.requestFullscreen().catch(refused);
  }

  // The controls: shown on pointer movement, a tap or keyboard focus; hidden again while the
  // intro plays and nobody touches them.
  function wake() {
    const controls = $('controls');
    controls.classList.remove('idle');
    clearTimeout(idleTimer);
    if (running && !paused && $('help').hidden) {
      idleTimer = setTimeout(() => controls.classList.add('idle'), CONTROLS_IDLE_MS);
    }
  }

  function setControls() {
    for (const id of ['pause', 'next', 'quit']) $(id).disabled = !running;
    const pause = $('pause');
    pause.textContent = paused ? '▶' : '❚❚';
    pause.setAttribute('aria-label', paused ? 'Go on' : 'Pause');
    $('mute').setAttribute('aria-pressed', Module.muted ? 'true' : 'false');
  }

  // The picture and the sound stand still while the visitor pauses or the tab is hidden.
  function hold() {
    const stop = paused || hidden;
    if (!running) return;
    Module._web_pause(stop ? 1 : 0);
    const clock = Module.audioClock;
    if (clock) {
      if (stop) {
        clock.heldByPage = true;
        clock.context.suspend().catch(() => {});
      } else {
        clock.context.resume().catch(() => {});
      }
    }
    setControls();
    wake();
  }

  function tick(time) {
    if (!running) return;
    frameRequest = requestAnimationFrame(tick);
    const before = Module._web_shown();
    Module._web_frame(time);
    const stepped = Module._web_shown() - before;
    debug.frames.push([time, stepped]);
    if (debug.frames.length > 4000) debug.frames.shift();
    const { shown, sound } = debug.sync();
    if (sound !== null && running && !paused) debug.apart = Math.max(debug.apart, Math.abs(shown - sound));
  }

  // gestureAt: the time stamp of the click, tap or key that starts the run.
  function start(gestureAt) {
    if (!ready || running || !live || failed) return;
    startedAt = gestureAt;
    debug.firstFrameMs = null;
    debug.ended = false;
    debug.frames = [];
    debug.apart = 0;
    stickyNote = false;
    note('');
    const status = Module._web_start();
    prepared = false;
    if (status !== 0) {
      fail(stderr.length ? stderr[0] : 'The intro could not open its canvas.');
      return;
    }
    running = true;
    paused = false;
    debug.runs++;
    $('intro').hidden = true;
    $('again').hidden = true;
    if (Module._web_sound() !== 1) {
      const why = stderr.filter((line) => /^(Could not|Reason|Error loading)/.test(line));
      note('No sound: ' + (why.length ? why.join(' ') : 'the tune could not be played') +
           '. The intro runs silently.', true);
    }
    setControls();
    wake();
    frameRequest = requestAnimationFrame(tick);
  }

  function onAudioState(state) {
    debug.audioState = state;
    clearTimeout(silentTimer);
    const clock = Module.audioClock;
    if (state === 'running') {
      if (clock) clock.heldByPage = false;
      note('');
    } else if (state === 'unavailable') {
      note('No sound: this browser offers no Web Audio. The intro runs silently.', true);
    } else if (!(clock && clock.heldByPage)) {
      silentTimer = setTimeout(() => {
        if (debug.audioState !== 'running' && running && !paused && !hidden) {
          note('The browser has not allowed sound yet: the intro runs silently (a click may allow it).');
        }
      }, SILENT_AFTER_MS);
    }
  }

  function onEnded() {
    running = false;
    paused = false;
    cancelAnimationFrame(frameRequest);
    debug.ended = true;
    if (!stickyNote) note('');
    show($('again'));
    setControls();
    wake();
    prepare();
  }

  // The next run's objects, made while nobody waits for them.
  function prepare() {
    if (prepared || !live || failed) return true;
    const status = Module._web_prepare();
    if (status !== 0) {
      fail(stderr.length ? stderr[0] : 'The intro could not open its canvas.');
      return false;
    }
    prepared = true;
    return true;
  }

  function still(frame) {
    if (Module._web_still_begin(frame) !== 1) {
      fail(stderr.length ? stderr[0] : 'Frame ' + frame + ' could not be composed.');
      return;
    }
    $('start').hidden = true;
    $('intro').querySelector('.keys').hidden = true;
    $('intro').querySelector('.what').textContent = 'Composing frame ' + frame + ' …';
    progress(0);
    debug.stillMs = 0;
    debug.stillSlices = 0;
    const slice = () => {
      const began = performance.now();
      const done = Module._web_still_continue(STILL_SLICE_MS);
      debug.stillMs = Math.max(debug.stillMs, performance.now() - began);
      debug.stillSlices++;
      const sum = Module.UTF8ToString(Module._web_still_sum());
      if (sum) {
        $('intro').hidden = true;
        $('frame-sum').textContent = sum;
        return;
      }
      progress(done / (frame + 1));
      setTimeout(slice, 0);
    };
    slice();
  }

  function bench(frames) {
    const text = Module.UTF8ToString(Module._web_bench(frames));
    if (!text) {
      fail(stderr.length ? stderr[0] : 'The timing could not run.');
      return;
    }
    $('intro').hidden = true;
    debug.bench = JSON.parse(text);
    const ms = (part) => (debug.bench[part] * 1000).toFixed(1) + ' µs';
    note(`Composing a frame, mean of ${debug.bench.frames} of each part: part 1 ${ms('part1')}, ` +
         `part 2 ${ms('part2')}, part 3 ${ms('part3')}`);
  }

  // The favicon: the demo's letter K on a dark rounded square, drawn from the module's K.ppm.
  function favicon() {
    const at = Module._web_icon();
    if (!at) return;
    const words = Module.HEAPU32.subarray(at >> 2);
    const [w, h] = [words[0], words[1]];
    const size = 48;
    const icon = document.createElement('canvas');
    icon.width = icon.height = size;
    const context = icon.getContext('2d');
    context.fillStyle = '#123';
    context.beginPath();
    context.roundRect(0, 0, size, size, 8);
    context.fill();
    const image = context.getImageData(0, 0, size, size);
    const [left, top] = [(size - w) >> 1, (size - h) >> 1];
    for (let y = 0; y < h; ++y) {
      for (let x = 0; x < w; ++x) {
        const pixel = words[2 + y * w + x];
        if (pixel === 0) continue;
        const i = ((top + y) * size + left + x) * 4;
        image.data.set([pixel >> 16 & 255, pixel >> 8 & 255, pixel & 255, 255], i);
      }
    }
    context.putImageData(image, 0, 0);
    document.querySelector('link[rel=icon]').href = icon.toDataURL('image/png');
  }

  function onReady() {
    ready = true;
    favicon();
    progress(1);
    if (Module._web_open_screen() !== 1) {
      fail('The intro could not open its canvas.');
      return;
    }
    rescale();
    const frame = params.get('frame');
    if (frame !== null) {
      if (!/^\d+$/.test(frame) || Number(frame) > MAX_FRAME) {
        fail(`?frame= takes a frame number from 0 to ${MAX_FRAME} (one hour at 60 frames per second).`);
        return;
      }
      still(Number(frame));
    } else if (params.has('bench')) {
      setTimeout(() => bench(Number(params.get('bench')) || 600), 0);
    } else if (prepare()) {
      $('start').disabled = false;
      $('loading').hidden = true;
      $('controls').hidden = false;
      setControls();
    }
  }

  rescale();
  addEventListener('resize', rescale);

  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot run WebAssembly, which the intro needs. Try a current browser.');
    return;
  }

  // Keys with Ctrl, Alt or Meta and the function keys keep the browser's meaning (reload,
  // shortcuts, its own full screen): the browser's SDL would cancel every key's default action.
  // So do Space and Enter on a button (they press it) and every key while the help is open.
  addEventListener('keydown', (event) => {
    const onButton = event.target instanceof HTMLButtonElement && /^(Space|Enter|NumpadEnter|Tab)$/.test(event.code);
    const helpOpen = !$('help').hidden;
    if (helpOpen && event.code === 'Escape') showHelp(false);
    if (event.ctrlKey || event.altKey || event.metaKey || /^F\d+$/.test(event.key) || onButton ||
        event.code === 'Tab' || helpOpen) {
      event.stopImmediatePropagation();
    }
  }, true);
  document.addEventListener('keydown', (event) => {
    if (event.repeat) return;
    if (event.code === 'KeyF') {
      toggleFullscreen();
    } else if (!running) {
      start(event.timeStamp);
    }
  });

  // A click or tap on the start screen or the picture starts; during a run a tap shows the
  // controls, two taps on the picture toggle full screen (the browser's SDL takes the touches
  // on the canvas, so they are read before it sees them).
  $('intro').addEventListener('click', (event) => start(event.timeStamp));
  $('again').addEventListener('click', (event) => start(event.timeStamp));
  $('stage').addEventListener('click', (event) => {
    if (!running) start(event.timeStamp);
  });
  $('stage').addEventListener('dblclick', toggleFullscreen);
  $('stage').addEventListener('touchend', (event) => {
    wake();
    if (event.timeStamp - lastTap < DOUBLE_TAP_MS && running) {
      toggleFullscreen();
      lastTap = 0;
    } else {
      lastTap = event.timeStamp;
    }
  }, { capture: true, passive: true });
  for (const type of ['pointermove', 'pointerdown', 'focusin']) addEventListener(type, wake, { passive: true });

  function showHelp(open) {
    $('help').hidden = !open;
    $('help-button').setAttribute('aria-expanded', open ? 'true' : 'false');
    if (open) $('help-close').focus(); else $('help-button').focus();
    wake();
  }

  // A control pressed with a pointer does not keep the focus: Space and the other keys then
  // reach the intro again rather than pressing the control once more.
  $('controls').addEventListener('click', (event) => {
    const button = event.target.closest('button');
    if (button && event.detail > 0) setTimeout(() => button.blur(), 0);
  });
  $('pause').addEventListener('click', () => {
    paused = !paused;
    hold();
  });
  // A key from the controls acts in the next frame: a paused run goes on to take it.
  const control = (key) => {
    if (paused) {
      paused = false;
      hold();
    }
    Module._web_key(key);
  };
  $('next').addEventListener('click', () => control(KEY_SPACE));
  $('quit').addEventListener('click', () => control(KEY_ESCAPE));
  $('mute').addEventListener('click', () => {
    Module.muted = !Module.muted;
    setControls();
  });
  $('full').addEventListener('click', toggleFullscreen);
  $('help-button').addEventListener('click', () => showHelp($('help').hidden));
  $('help-close').addEventListener('click', () => showHelp(false));

  document.addEventListener('visibilitychange', () => {
    hidden = document.visibilityState === 'hidden';
    hold();
  });

  // Errors the module cannot report itself: the data package that could not be fetched (its
  // request's handler throws, naming the file), anything else uncaught while loading or running.
  addEventListener('error', (event) => {
    const what = String(event.message || event.error || '');
    if (/kapu\.data/.test(what)) {
      fail('The intro\'s pictures and tune (kapu.data) could not be fetched. Reload the page to try again.');
    } else if (ready) {
      fail('The intro stopped after an internal error. Reload the page to start it again.');
    } else {
      fail('The intro could not be loaded. Reload the page to try again.');
    }
  });

  window.Module = {
    canvas,
    muted: false,
    print() {},  // the scroller's text, echoed a character at a time: not for the page
    printErr(text) {
      stderr.push(text);
    },
    // The data package's download: "Downloading data... (loaded/total)".
    setStatus(text) {
      const got = /\((\d+)\/(\d+)\)/.exec(text || '');
      if (got && Number(got[2]) > 0) progress(0.1 + 0.85 * Number(got[1]) / Number(got[2]));
    },
    onRuntimeInitialized: onReady,
    onAbort() {
      fail(ready ? 'The intro stopped after an internal error. Reload the page to start it again.'
                 : 'The intro\'s program (kapu.wasm) could not be fetched or started. Reload the page to try again.');
    },
    onAudioState,
    onFirstFrame() {
      debug.firstFrameMs = performance.now() - startedAt;
    },
    onEnded,
  };

  progress(0.05);
  const script = document.createElement('script');
  script.src = 'kapu.js';
  script.onerror = () => fail('The intro\'s program (kapu.js) could not be fetched. Reload the page to try again.');
  document.body.appendChild(script);
})();
