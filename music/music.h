// music/music.h: the tune played through libmikmod for as long as the demo runs, restarted from
// its file whenever it has played to its end. Failures are written to standard error and only
// silence the music.
#pragma once

struct MODULE;

inline constexpr const char* music_file = "quenFalox.xm";  // relative to the working directory

extern MODULE*     music;               // the playing tune; null when none is loaded
extern const char* music_driver_alias;  // libmikmod output driver tried first ("sdl")

void music_start();  // last step of start-up
void music_pump();   // once at the end of every frame that did not end its part
void music_stop();   // first step of the end sequence, before the fade-out
