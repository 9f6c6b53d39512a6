// tests/support/demo_fixture.h: a test fixture that gives each test the demo's globals as at
// program start (no objects, switches on, every phase 0) and releases whatever the test made.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "fx/effects.h"
#include "fx/font.h"
#include "fx/sine.h"
#include "main/demo.h"
#include "support/support.h"

namespace kt {

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

// Reference plasma offset of channel c (0 red, 1 green, 2 blue) in the target row `rows_up`
// rows above the bottom one, for the frame's phases: the weighted sum of two sines whose phases
// have moved one entry per row from the bottom row up.
inline int32_t plasma_offset(const std::array<int32_t, 6>& phases, int32_t c, int32_t rows_up) {
    const auto sine = [&](int32_t wave) {
        return sine_table[static_cast<size_t>((phases[static_cast<size_t>(wave)] + rows_up) % SINE_LEN)];
    };
    return (sine(c) * plasma_waves[static_cast<size_t>(c)].amplitude +
            sine(c + 3) * plasma_waves[static_cast<size_t>(c + 3)].amplitude) >> 16;
}

// Reference plasma pixel (x, y) of a `width` x `height` target that held `previous` there: the
// red palette row copied keyed, green and blue ORed in, each turned by its offset and wrapping
// at the target's width; a palette narrower than the target leaves columns uncovered.
inline uint32_t plasma_reference(const IMG* palette, const std::array<int32_t, 6>& phases,
                                 int32_t width, int32_t height, int32_t x, int32_t y,
                                 uint32_t previous = 0) {
    const int32_t covered = std::min(palette->width, width);
    uint32_t pixel = previous;
    for (int32_t c = 0; c < 3; ++c) {
        const int32_t offset = plasma_offset(phases, c, height - 1 - y);
        const int32_t column = ((x - offset) % width + width) % width;
        if (column >= covered) continue;
        const uint32_t p = palette->pixels[c * palette->width + column];
        pixel = c == 0 ? (p != 0 ? p : previous) : pixel | p;
    }
    return pixel;
}

class DemoState : public ::testing::Test {
protected:
    void SetUp() override { restart(); }
    void TearDown() override { restart(); }

    static void restart() {
        demo_release_all();
        demo_reset_state();
        for (LetterWave& wave : letter_waves) wave.amplitude = 64;
    }
};

}  // namespace kt
