// front/web/page_link.js: the calls from the intro's C++ side (front/web/main.cpp) into its page:
// the canvas's presentation settings, a probe on the sound the tune hands to the browser, and
// the moments the page waits for. Linked into the module as a JavaScript library; each calls
// the page's handler on Module when it has one.
mergeInto(LibraryManager.library, {
  web_page_prepare_screen__deps: ['$SDL'],
  web_page_prepare_screen: function () {
    // SCREEN writes every pixel of each frame and makes it opaque itself: the browser's SDL need
    // not read the canvas back into memory on each lock, nor force its alpha on each unlock.
    SDL.defaults.discardOnLock = true;
    SDL.defaults.opaqueFrontBuffer = false;
  },

  // Counts the sample buffers that the sound library's callback fills (the browser's SDL asks
  // for one whenever its queue runs short) and how many of them are not silent, in
  // Module.audioProbe; and tells the page the audio context's state whenever it changes.
  web_page_watch_audio__deps: ['$SDL'],
  web_page_watch_audio: function () {
    var audio = SDL.audio;
    var context = SDL.audioContext;
    var page = function (state) {
      if (Module['onAudioState']) Module['onAudioState'](state);
    };
    if (!audio || !context) {
      page('unavailable');
      return;
    }
    var probe = Module['audioProbe'] || (Module['audioProbe'] = { buffers: 0, loud: 0, peak: 0 });
    var push = audio.pushAudio;
    audio.pushAudio = function (ptr, bytes) {
      var peak = 0;
      var i;
      if (audio.bytesPerSample == 2) {
        for (i = ptr >> 1; i < (ptr + bytes) >> 1; ++i) peak = Math.max(peak, Math.abs(HEAP16[i]));
      } else if (audio.bytesPerSample == 1) {
        for (i = ptr; i < ptr + bytes; ++i) peak = Math.max(peak, Math.abs(HEAPU8[i] - 128) << 8);
      }
      probe.buffers++;
      if (peak > 0) probe.loud++;
      probe.peak = Math.max(probe.peak, peak);
      push(ptr, bytes);
    };
    if (!context.kapuWatched) {
      context.kapuWatched = true;
      context.addEventListener('statechange', function () { page(context.state); });
    }
    page(context.state);
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
