// front/native/driver.h: the demo on a display: the screen, keyboard and pacing objects with
// which the live programs' start-up hooks the core's cycle up to SDL and libmikmod.
#pragma once
#include "main/pacer.h"
#include "screen/keyboard.h"
#include "screen/screen.h"

extern SCREEN*   screen;       // made by demo_init, freed last when the cycle ends
extern KEYBOARD* keyboard;
extern PACER     frame_pacer;  // 60 frames per second, fade-out frames included

// The program's choice of a window or the full screen, made before demo_init: the screen's
// flags word, and what the programs set unless the user has set it: nearest-pixel scaling and
// presentation synced to the display, and for the window the largest scale up to three times
// that fits the desktop (window_scale.h).
void demo_presentation(bool windowed);
