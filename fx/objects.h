// fx/objects.h: the demo's shared objects (the frame, the pictures, the strips, the font, the
// colour list and the starfield) and the layer switches, which the effects draw into and read.
// Start-up makes the objects and the shutdown releases them (main/demo.h); the effects only use
// them and skip what is missing.
#pragma once
#include <array>
#include <cstdint>

#include "fx/font.h"
#include "fx/raster.h"
#include "fx/stars.h"
#include "img/img.h"

inline constexpr int32_t screen_w = 320;
inline constexpr int32_t screen_h = 240;

// Objects made at start-up, owned by the demo until shutdown
extern IMG*                canvas;    // screen_w x screen_h: every frame is composed here
extern std::array<IMG*, 4> letters;   // K, A, P, U at twice their file size
extern IMG*                banner_image;
extern IMG*                badge_image;
extern IMG*                logo0;     // part 3
extern IMG*                logo1;     // part 2
extern IMG*                logo2;     // part 1
extern FONT*               font;      // owns font_sheet
extern IMG*                font_sheet;
extern IMG*                scroll_strip;
extern IMG*                plasma_strip;
extern RASTER*             raster;
extern STARS*              stars;

// Layer switches, written by the key map only; all layer_on when the program starts
inline constexpr uint8_t layer_on = 1;
extern uint8_t show_plasma_scroller;  // the scroller layer runs while this equals 1
extern uint8_t show_stars;            // the stars run while this equals 1
extern uint8_t show_letters;          // letters drawn while non-zero; '3' flips bit 0, '6' bit 1

void demo_error();                    // the demo's error hook for the effects; silent
