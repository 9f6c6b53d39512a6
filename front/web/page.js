// front/web/page.js: the page around the intro's module (kapu.js, kapu.wasm, kapu.data, all
// beside this file): loads it, scales the canvas by whole factors, starts a run on a click or a
// key and offers another after the fade-out, toggles full screen, and tells in the page what
// went wrong. With ?frame=N it shows frame N of a run without keys or sound and writes its
// checksum into #frame-sum; with ?bench[=FRAMES] it times the composition of each part and
// shows the result.
'use strict';

(function () {
  const START_TEXT = 'click or press a key';
  const AGAIN_TEXT = 'press a key to watch again';
  const SILENT_AFTER_MS = 1500;  // how long the browser may take to let the sound start

  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const overlay = $('overlay');
  const params = new URLSearchParams(location.search);
  const live = params.get('frame') === null && !params.has('bench');
  const stderr = [];  // the module's standard error, lines
  let ready = false;
  let running = false;
  let startedAt = 0;
  let silentTimer = 0;

  // What the tests and the curious can read; nothing here changes the run.
  const debug = {
    firstFrameMs: null,   // from the start gesture to the first frame on the canvas
    runs: 0,
    ended: false,
    audioState: null,
    bench: null,
    state() {
      if (!ready) return null;
      return { stage: Module._web_stage(), shown: Module._web_shown(), sound: Module._web_sound() === 1,
               running, ended: debug.ended, runs: debug.runs };
    },
    audio() {
      return Object.assign({ state: debug.audioState }, Module.audioProbe || { buffers: 0, loud: 0, peak: 0 });
    },
  };
  window.kapu = { debug };

  function show(element, text) {
    element.textContent = text;
    element.hidden = false;
  }

  function fail(text) {
    overlay.hidden = true;
    show($('message'), text);
  }

  function note(text) {
    if (text) show($('note'), text); else $('note').hidden = true;
  }

  // The canvas at the largest whole factor of its size (the module's frame size) that fits the
  // window, at least 1.
  function rescale() {
    const scale = Math.max(1, Math.floor(Math.min(innerWidth / canvas.width, innerHeight / canvas.height)));
    const style = document.documentElement.style;
    style.setProperty('--screen-width', canvas.width + 'px');
    style.setProperty('--screen-height', canvas.height + 'px');
    style.setProperty('--scale', String(scale));
  }

  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }

  // gestureAt: the time stamp of the click or key that starts the run.
  function start(gestureAt) {
    if (!ready || running || !live || !$('message').hidden) return;
    startedAt = gestureAt;
    debug.firstFrameMs = null;
    debug.ended = false;
    const status = Module._web_start();
    if (status !== 0) {
      fail(stderr.length ? stderr[0] : 'The intro could not open its canvas.');
      return;
    }
    running = true;
    debug.runs++;
    overlay.hidden = true;
    if (Module._web_sound() !== 1) {
      const why = stderr.filter((line) => /^(Could not|Reason|Error loading)/.test(line));
      note('No sound: ' + (why.length ? why.join(' ') : 'the tune could not be played') + '. The intro runs silently.');
    }
  }

  function onAudioState(state) {
    debug.audioState = state;
    clearTimeout(silentTimer);
    if (state === 'running') {
      note('');
    } else if (state === 'unavailable') {
      note('No sound: this browser offers no Web Audio. The intro runs silently.');
    } else {
      silentTimer = setTimeout(() => {
        if (debug.audioState !== 'running' && running) {
          note('The browser has not allowed sound yet: the intro runs silently (a click may allow it).');
        }
      }, SILENT_AFTER_MS);
    }
  }

  function onEnded() {
    running = false;
    debug.ended = true;
    note('');
    show(overlay, AGAIN_TEXT);
  }

  function still(frame) {
    const sum = Module.UTF8ToString(Module._web_still(frame));
    if (!sum) {
      fail(stderr.length ? stderr[0] : 'Frame ' + frame + ' could not be composed.');
      return;
    }
    $('frame-sum').textContent = sum;
  }

  function bench(frames) {
    const text = Module.UTF8ToString(Module._web_bench(frames));
    if (!text) {
      fail(stderr.length ? stderr[0] : 'The timing could not run.');
      return;
    }
    debug.bench = JSON.parse(text);
    const ms = (part) => (debug.bench[part] * 1000).toFixed(1) + ' µs';
    note(`Composing a frame, mean of ${debug.bench.frames} of each part: part 1 ${ms('part1')}, ` +
         `part 2 ${ms('part2')}, part 3 ${ms('part3')}`);
  }

  function onReady() {
    ready = true;
    if (Module._web_open_screen() !== 1) {
      fail('The intro could not open its canvas.');
      return;
    }
    rescale();
    const frame = params.get('frame');
    if (frame !== null) {
      if (!/^\d+$/.test(frame)) {
        fail('?frame= takes a frame number: 0, 1, 2, ...');
        return;
      }
      still(Number(frame));
    } else if (params.has('bench')) {
      bench(Number(params.get('bench')) || 600);
    } else {
      show(overlay, START_TEXT);
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
  addEventListener('keydown', (event) => {
    if (event.ctrlKey || event.altKey || event.metaKey || /^F\d+$/.test(event.key)) {
      event.stopImmediatePropagation();
    }
  }, true);
  document.addEventListener('keydown', (event) => {
    if (event.repeat) return;
    if (event.code === 'KeyF') {
      toggleFullscreen();
    } else {
      start(event.timeStamp);
    }
  });
  $('stage').addEventListener('click', (event) => start(event.timeStamp));
  $('stage').addEventListener('dblclick', toggleFullscreen);

  // Errors the module cannot report itself: the data package that could not be fetched (its
  // request's handler throws, naming the file), anything else uncaught while loading or running.
  addEventListener('error', (event) => {
    const what = String(event.message || event.error || 'unknown error');
    if (/kapu\.data/.test(what)) {
      fail('The intro\'s pictures and tune (kapu.data) could not be fetched: ' + what);
    } else {
      fail((ready ? 'The intro stopped: ' : 'The intro could not load: ') + what);
    }
  });

  window.Module = {
    canvas,
    print() {},  // the scroller's text, echoed a character at a time: not for the page
    printErr(text) {
      stderr.push(text);
      console.warn(text);
    },
    onRuntimeInitialized: onReady,
    onAbort(what) {
      fail('The intro could not start: ' + what);
    },
    onAudioState,
    onFirstFrame() {
      debug.firstFrameMs = performance.now() - startedAt;
    },
    onEnded,
  };

  const script = document.createElement('script');
  script.src = 'kapu.js';
  script.onerror = () => fail('The intro (kapu.js) could not be fetched.');
  document.body.appendChild(script);
})();
