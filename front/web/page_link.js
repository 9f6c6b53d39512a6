// front/web/page_link.js: the calls from the intro's C++ side (front/web/main.cpp) into its page:
// the canvas's presentation settings, the sound the tune hands to the browser (kept free of
// noise, counted as the clock the picture follows, measured for the tests, silenced by the mute
// control), and the moments the page waits for. Linked into the module as a JavaScript library;
// each calls the page's handler on Module when it has one.
mergeInto(LibraryManager.library, {
  web_page_prepare_screen__deps: ['$SDL'],
  web_page_prepare_screen: function () {
    // SCREEN writes every pixel of each frame and makes it opaque itself: the browser's SDL need
    // not read the canvas back into memory on each lock, nor force its alpha on each unlock.
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
  },

  // After each music start. The browser's SDL asks the sound library for one buffer after
  // another into the same block of memory and never clears it, and the library's SDL output
  // leaves the block untouched in its first two calls after a start: what lay in memory would be
  // played as noise. So the block is cleared after each buffer and marked: a buffer that still
  // bears the mark was not written, and goes out as silence that is not the tune's. From the
  // first buffer the tune wrote, every scheduled buffer is counted in Module.audioClock, whose
  // samples played are the clock the picture follows. Module.audioProbe counts the buffers, the
  // loud ones and the peak sample (and keeps the first buffers' peaks for the tests); the page
  // hears of the audio context's state whenever it changes.
  web_page_watch_audio__deps: ['$SDL'],
  web_page_watch_audio: function () {
    var audio = SDL.audio;
    var context = SDL.audioContext;
    var page = function (state) {
      if (Module['onAudioState']) Module['onAudioState'](state);
    };
    Module['audioClock'] = null;
    if (!audio || !context) {
      page('unavailable');
      return;
    }
    var probe = Module['audioProbe'] || (Module['audioProbe'] = { buffers: 0, loud: 0, peak: 0 });
    probe.first = [];  // per buffer of this start, up to 24: [peak, written by the tune]
    var clock = Module['audioClock'] = {
      context: context, freq: audio.freq, begun: false, done: 0, queue: [], heldByPage: false,
    };
    var mark = [-32768, 29411, -32768, 7121];  // a pattern the mixer's output never starts with
    var sixteen = audio.bytesPerSample == 2;
    var arm = function (ptr, bytes) {
      if (!sixteen) return;
      HEAP16.fill(0, ptr >> 1, (ptr + bytes) >> 1);
      for (var i = 0; i < mark.length; ++i) HEAP16[(ptr >> 1) + i] = mark[i];
    };
    var push = audio.pushAudio;
    audio.pushAudio = function (ptr, bytes) {
      var from = ptr >> 1;
      var to = (ptr + bytes) >> 1;
      var written = true;
      if (sixteen) {
        written = false;
        for (var m = 0; m < mark.length && !written; ++m) written = HEAP16[from + m] != mark[m];
        if (!written) HEAP16.fill(0, from, from + mark.length);
      }
      var peak = 0;
      var i;
      if (sixteen) {
        for (i = from; i < to; ++i) peak = Math.max(peak, Math.abs(HEAP16[i]));
      } else {
        for (i = ptr; i < ptr + bytes; ++i) peak = Math.max(peak, Math.abs(HEAPU8[i] - 128) << 8);
      }
      probe.buffers++;
      if (peak > 0) probe.loud++;
      probe.peak = Math.max(probe.peak, peak);
      if (probe.first.length < 24) probe.first.push([peak, written]);
      if (Module['muted']) {
        if (sixteen) HEAP16.fill(0, from, to); else HEAPU8.fill(128, ptr, ptr + bytes);
      }
      var before = audio.nextPlayTime;
      push(ptr, bytes);
      if (audio.nextPlayTime !== before) {  // scheduled, not dropped while paused
        if (written) clock.begun = true;
        if (clock.begun) {
          clock.queue.push({ start: audio.nextPlayTime - audio.bufferDurationSecs,
                             count: bytes / audio.bytesPerSample / audio.channels });
        }
      }
      arm(ptr, bytes);
    };
    arm(audio.buffer, audio.bufferSize);
    if (!context.kapuWatched) {
      context.kapuWatched = true;
      context.addEventListener('statechange', function () { page(context.state); });
    }
    page(context.state);
  },

  // Once an animation frame, before the picture steps: lets the browser's SDL fetch sound (as
  // its own main loop would), then gives the tune's samples played so far: -1 when no tune
  // sound runs (none was started, the audio context is gone or stopped by the browser), -2 while
  // the tune's first sample has yet to play. While the page holds the sound (paused, hidden)
  // the count stands still.
  web_page_audio_played__deps: ['web_page_audio_count'],
  web_page_audio_played: function () {
    var clock = Module['audioClock'];
    var played = _web_page_audio_count();
    if (clock) clock.lastPlayed = played;
    return played;
  },

  web_page_audio_count__deps: ['$SDL'],
  web_page_audio_count: function () {
    var audio = SDL.audio;
    var clock = Module['audioClock'];
    if (!audio || !clock || SDL.audioContext !== clock.context) return -1;
    if (audio.queueNewAudioData) audio.queueNewAudioData();
    var context = clock.context;
    if (!clock.begun) return -2;
    // Held back by the browser: still waiting when nothing has played yet, else no clock.
    if (context.state !== 'running' && !clock.heldByPage) return clock.done == 0 ? -2 : -1;
    // The sample reaching the ears: the context's time less the output's own delay.
    var now = context.currentTime - (context.outputLatency || 0);
    var queue = clock.queue;
    while (queue.length && now >= queue[0].start + queue[0].count / clock.freq) {
      clock.done += queue[0].count;
      queue.shift();
    }
    if (!queue.length) return clock.done;
    if (clock.done == 0 && now < queue[0].start) return -2;
    return clock.done + Math.max(0, Math.min(queue[0].count, (now - queue[0].start) * clock.freq));
  },

  // The browser's SDL has SDL_DisplayFormatAlpha but not SDL_DisplayFormat, which SCREEN's
  // conversion names for layouts other than the canvas's. The canvas layout never takes that
  // path; should it be taken, the copy in the display's format is the same here.
  SDL_DisplayFormat__deps: ['SDL_DisplayFormatAlpha'],
  SDL_DisplayFormat: function (surf) {
    return _SDL_DisplayFormatAlpha(surf);
  },

  web_page_first_frame: function () {
    if (Module['onFirstFrame']) Module['onFirstFrame']();
  },

  web_page_ended: function () {
    if (Module['onEnded']) Module['onEnded']();
  },
});
