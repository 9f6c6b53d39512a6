// fx/effects.h: the demo's effects (raster bars, plasma, scroller, bouncing letters, logotype
// motions) and their motion state. Each moving effect is a draw operation and a per-frame
// advance (_step), called in that order; the phases start at 0 and are never reset by the demo.
#pragma once
#include <array>
#include <cstdint>

#include "img/img.h"

// Raster bars: eight bars of one colour profile swinging on a sine, written into `raster`
inline constexpr int32_t bar_count = 8;
inline constexpr int32_t bar_spacing = 96;    // phase distance between neighbouring bars
inline constexpr int32_t bar_amplitude = 32;  // rows
inline constexpr int32_t bar_speed = 4;       // phase advance per frame
inline constexpr int32_t bar_profile = 7;     // which entry of bar_profiles is drawn
struct BarProfile {
    int32_t                  n;       // colours used, top to bottom
    std::array<uint32_t, 16> colors;
};
extern const std::array<BarProfile, 8> bar_profiles;
extern int32_t bar_phase;
void fx_raster_bars();

// Plasma: three one-row gradients, one per channel, rotated per row by two weighted sines
struct PlasmaWave {
    int32_t frame_step;  // phase advance per frame
    int32_t row_step;    // phase advance per target row
    int32_t amplitude;   // weight of the wave's sine in the channel offset
};
extern const std::array<PlasmaWave, 6> plasma_waves;  // red, green, blue first waves; then second
extern std::array<int32_t, 6> plasma_phases;
extern IMG* plasma_palette;  // canvas width x 3, made by the first fx_plasma, never released
void fx_plasma(IMG* target);
void fx_plasma_step();
void fx_plasma_palette_row(IMG* image, int32_t span, int32_t peak, int32_t phase, int32_t row,
                           int32_t shift);  // span in 1/65536 period across the row; phase 16.16

// Scroller: the built-in text drawn into `scroll_strip`, echoed to standard output as it leaves,
// coloured by the plasma strip and pasted onto the canvas at a height bouncing on a half sine
inline constexpr int32_t scroll_speed_start = 2;
extern const char* const scroll_text;
extern int32_t scroll_pos;           // index of the character in the first glyph slot
extern int32_t scroll_x;             // column of the first glyph slot
extern int32_t scroll_speed;         // pixels per frame: scroll_speed_start, or 1, 2, 4, 0 by the keys
extern int32_t scroll_bounce_phase;
inline constexpr int32_t scroll_bounce_step = 3;
extern int32_t scroll_y;             // canvas row of the strip in the current frame
// errno of the first echo that standard output refused for good; 0 while none. A character it
// cannot take at once (EAGAIN where a front end made it non-blocking, EINTR) is dropped
// instead, so that the echo never holds up a frame; no failure ends the demo.
extern int             scroll_echo_error;
void fx_scroller();
void fx_scroller_step();
// scroll_y from the bounce phase (the strip resting on the canvas's bottom edge at 0, up to 31
// rows higher), the phase's advance, then the keyed paste of the strip at that row.
void fx_scroller_bounce();

// Bouncing letters: four half-transparent sprites, each coordinate the sum of two sines
struct LetterWave {
    int32_t frame_step;   // phase advance per frame
    int32_t letter_step;  // phase distance from one letter to the next
    int32_t amplitude;    // pixels; start-up sets it from the size of letters[0]
};
extern std::array<LetterWave, 4> letter_waves;  // x1, x2, y1, y2
extern std::array<int32_t, 4> letter_phases;
void fx_letters();
void fx_letters_step();

// Logotypes: part 1's row wobble and part 3's bounce
inline constexpr int32_t wobble_len = 2866;
extern const std::array<int32_t, wobble_len> wobble_table;  // offsets -32 .. 32
extern int32_t wobble_phase;
inline constexpr int32_t logo_bounce_step = 4;
extern int32_t logo_bounce_phase;
extern int32_t logo_y;
void fx_logo_wobble();
void fx_logo_bounce();

// Puts every phase, position and speed above back to where the program starts them: 0, but
// scroll_x at the canvas width (screen_w without a canvas) and scroll_speed at
// scroll_speed_start. The palette and the letter amplitudes stay. For tests and renderers that
// compose a run from its start.
void fx_reset();
