// main/demo.h: the demo's objects, switches and key map, the composition of one frame of each
// part, and the driver that runs the parts on a display (the last group lives outside the core).
#pragma once
#include <array>
#include <cstdint>

#include "fx/font.h"
#include "fx/raster.h"
#include "fx/stars.h"
#include "img/img.h"

inline constexpr int32_t screen_w = 320;
inline constexpr int32_t screen_h = 240;

// Frames per part when no key ends it early
inline constexpr int32_t part1_frames = 1001;
inline constexpr int32_t part2_frames = 2000;
inline constexpr int32_t part3_frames = 1000;
inline constexpr int32_t fade_frames = 256;

// Objects made at start-up, owned by the driver until shutdown
extern IMG*                canvas;
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

// Requests and layer switches, written by demo_key
extern uint8_t quit_request;          // 0 go on, 1 leave the program, 2 leave the current part
extern uint8_t show_plasma_scroller;  // the scroller layer runs while this equals 1
extern uint8_t show_stars;            // the stars run while this equals 1
extern uint8_t show_letters;          // letters drawn while non-zero; '3' flips bit 0, '6' bit 1

void demo_key(int32_t key);           // acts on the low-order byte
void demo_error();                    // the driver's error hook; silent

// Start-up without display or sound: the canvas (w x h) and every picture, strip, font, colour
// list and starfield, in start-up order, reading the files from the working directory. Returns
// null when all required pictures loaded, else the name of the first one that did not (what was
// made so far stays and demo_release_objects releases it). A missing font sheet is not fatal.
const char* demo_create_objects(int32_t w, int32_t h);
void demo_release_objects();          // the shutdown's release order; logo2, raster, stars stay
void demo_reset_state();              // switches, requests and every motion back to their start

// One frame of each part composed into `canvas`, without the frame tail
void demo_draw_part1();
void demo_draw_part2();
void demo_draw_part3();

// The driver on a display (main/, outside the core library)
void demo_init();
void demo_part1();
void demo_part2();
void demo_part3();
void demo_fade_out();
void demo_shutdown();
