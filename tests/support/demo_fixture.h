// tests/support/demo_fixture.h: a test fixture that gives each test the demo's globals as at
// program start (no objects, switches on, every phase 0) and releases whatever the test made.
#pragma once
#include <gtest/gtest.h>

#include "fx/effects.h"
#include "fx/font.h"
#include "fx/sine.h"
#include "main/demo.h"
#include "support/support.h"

namespace kt {

// Releases every demo object, the ones the shutdown keeps included, and the plasma palette.
inline void release_all_demo_objects() {
    demo_release_objects();
    if (logo2) IMG_free(&logo2);
    if (raster) RASTER_free(&raster);
    if (stars) STARS_free(&stars);
    if (plasma_palette) IMG_free(&plasma_palette);
}

// A 15 x 26 font over a sheet of 16 x 8 cells (codes 0 .. 127), every pixel of the cell of code
// c holding cell_colour(c); pass a constant for solid blocks, or c-dependent colours to tell the
// glyphs apart in a strip.
template <typename CellColour>
FONT* make_test_font(CellColour cell_colour) {
    FONT* f = FONT_new();
    f->glyph_w = 15;
    f->glyph_h = 26;
    f->sheet = make_img(16 * 15, 8 * 26).release();
    for (int32_t c = 0; c < 128; ++c)
        for (int32_t y = 0; y < 26; ++y)
            for (int32_t x = 0; x < 15; ++x)
                f->sheet->pixels[((c / 16) * 26 + y) * f->sheet->width + (c % 16) * 15 + x] = cell_colour(c);
    return f;
}

// Reference plasma pixel (x, y) of a target `height` rows tall for the phases given, from the
// palette rows: pixel = R[(x - red offset) mod w] | G[...] | B[...], each offset the weighted sum
// of two sines whose phases have moved one entry per row from the bottom row up.
inline uint32_t plasma_reference(const IMG* palette, const std::array<int32_t, 6>& phases,
                                 int32_t height, int32_t x, int32_t y) {
    const int32_t w = palette->width;
    uint32_t pixel = 0;
    for (int32_t c = 0; c < 3; ++c) {
        const int32_t rows_up = height - 1 - y;
        const int32_t s1 = sine_table[static_cast<size_t>((phases[static_cast<size_t>(c)] + rows_up) % SINE_LEN)];
        const int32_t s2 = sine_table[static_cast<size_t>((phases[static_cast<size_t>(c + 3)] + rows_up) % SINE_LEN)];
        const int32_t a1 = plasma_waves[static_cast<size_t>(c)].amplitude;
        const int32_t a2 = plasma_waves[static_cast<size_t>(c + 3)].amplitude;
        const int32_t offset = (s1 * a1 + s2 * a2) >> 16;
        const int32_t column = ((x - offset) % w + w) % w;
        pixel |= palette->pixels[c * w + column];
    }
    return pixel;
}

class DemoState : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    void TearDown() override { restart(); }

    static void restart() {
        release_all_demo_objects();
        demo_reset_state();
        for (LetterWave& wave : letter_waves) wave.amplitude = 64;
    }
};

}  // namespace kt
