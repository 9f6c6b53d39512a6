// main/driver.h: the display, keyboard and pacing objects of the driver that runs the parts.
#pragma once
#include "main/pacer.h"
#include "screen/keyboard.h"
#include "screen/screen.h"

extern SCREEN*   screen;    // made by demo_init, freed last by demo_shutdown
extern KEYBOARD* keyboard;
extern PACER     frame_pacer;  // 60 frames per second, fade-out frames included

// What the programs set before the first mode unless the user has set it: nearest-pixel
// scaling and presentation synced to the display, and for the window a three-fold scale.
void demo_presentation_defaults(bool windowed);
