// music/music.h: the tune played through libmikmod for as long as the demo runs, restarted
// whenever it has played to its end. The file is read and checked (music/tune_check.h) once, at
// start-up, before the library sees it; a tune that fails the check is treated as one that
// cannot be loaded, and every restart loads the bytes that were checked. Failures are written to
// standard error and only silence the music.
#pragma once

#include "main/data_files.h"

struct MODULE;

inline constexpr const char* music_file = demo_tune_file;  // in the data folder

extern MODULE*     music;               // the playing tune; null when none is loaded
extern const char* music_driver_alias;  // libmikmod output driver tried first ("sdl")
// Pauses the sound device where the mixing runs on a thread of the device's own (SDL's audio),
// and returns once no mixing is under way: called before the player is stopped or the library
// shut down. The library takes its lock in that thread's callback, which runs under the
// device's lock, and takes the device's lock under its own while it shuts the output down:
// paused first, the two threads can never each hold what the other waits for. Set by the live
// programs; null where the mixing runs on the caller's thread.
extern void (*music_pause_output)();

// Last step of start-up. A tune that cannot be loaded or fails the check writes one line,
// "Error loading: " and the reason, and leaves music null.
void music_start();
// Once at the end of every frame that did not end its part: mixes the frame's sound, or reloads
// quietly from memory after the end. A tune that ends before its second update plays as silence.
void music_pump();
void music_stop();   // first step of the end sequence, before the fade-out
