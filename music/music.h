// music/music.h: the tune played through libmikmod for as long as the demo runs, restarted from
// its file whenever it has played to its end. The file is checked (music/tune_check.h) before
// the library sees it; a tune that fails the check is treated as one that cannot be loaded.
// Failures are written to standard error and only silence the music.
#pragma once

#include "main/data_files.h"

struct MODULE;

inline constexpr const char* music_file = demo_tune_file;  // in the data folder

extern MODULE*     music;               // the playing tune; null when none is loaded
extern const char* music_driver_alias;  // libmikmod output driver tried first ("sdl")

// Last step of start-up. A tune that cannot be loaded or fails the check writes one line,
// "Error loading: " and the reason, and leaves music null.
void music_start();
void music_pump();   // once at the end of every frame that did not end its part; reloads quietly
void music_stop();   // first step of the end sequence, before the fade-out
