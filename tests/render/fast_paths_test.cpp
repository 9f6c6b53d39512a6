// tests/render/fast_paths_test.cpp: the plasma composes each row in one go; it must leave every
// pixel as the three passes of row copies (red keyed, green and blue ORed) leave it, also with a
// red level of 0 somewhere, over any previous content, and for other target widths.
#include <gtest/gtest.h>

#include "fx/effects.h"
#include "fx/sine.h"
#include "support/demo_fixture.h"

namespace {

using kt::ImgPtr;

// The three passes with the public row copies, each over every row before the next.
void three_passes(IMG* target) {
    const std::array<void (*)(const IMG*, IMG*, int32_t, int32_t, int32_t), 3> copies = {
        IMG_blit_row_keyed, IMG_blit_row_or, IMG_blit_row_or};
    for (int32_t c = 0; c < 3; ++c) {
        int32_t a = plasma_phases[static_cast<size_t>(c)], b = plasma_phases[static_cast<size_t>(c + 3)];
        for (int32_t y = target->height - 1; y >= 0; --y) {
            const int32_t offset = (sine_table[static_cast<size_t>(a)] * plasma_waves[static_cast<size_t>(c)].amplitude +
                                    sine_table[static_cast<size_t>(b)] * plasma_waves[static_cast<size_t>(c + 3)].amplitude) >> 16;
            copies[static_cast<size_t>(c)](plasma_palette, target, c, y, offset);
            a = wrap_index(a + 1, SINE_LEN);
            b = wrap_index(b + 1, SINE_LEN);
        }
    }
}

uint32_t noise(uint32_t i) { return (i * 2654435761u) >> 8; }

class PlasmaRows : public kt::DemoState {};

TEST_F(PlasmaRows, EqualTheThreePassesOfRowCopies) {
    canvas = IMG_new();
    IMG_resize(canvas, 320, 240);
    struct Case {
        const char* name;
        int32_t     w, h;
        int32_t     red_holes;  // red palette pixels set to 0 (every 7th column), or none
        int32_t     frames;
    };
    const std::vector<Case> cases = {
        {"canvas", 320, 240, 0, 3}, {"strip", 320, 26, 0, 3},   {"red holes", 320, 240, 1, 2},
        {"narrower", 200, 50, 0, 2}, {"wider", 500, 20, 1, 2}, {"one row", 320, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fx_plasma(canvas);  // makes the palette
        ASSERT_TRUE(plasma_palette);
        if (c.red_holes)
            for (int32_t x = 0; x < plasma_palette->width; x += 7) plasma_palette->pixels[x] = 0;
        for (int32_t f = 0; f < c.frames; ++f) {
            SCOPED_TRACE(f);
            ImgPtr got = kt::make_img(c.w, c.h), want = kt::make_img(c.w, c.h);
            for (int32_t i = 0; i < c.w * c.h; ++i)
                got->pixels[i] = want->pixels[i] = noise(static_cast<uint32_t>(i + f));
            fx_plasma(got.get());
            three_passes(want.get());
            EXPECT_EQ(kt::first_difference(want.get(), got.get()), "");
            for (int32_t k = 0; k < 37; ++k) fx_plasma_step();
        }
        IMG_free(&plasma_palette);
    }
}

TEST_F(PlasmaRows, DrawnIntoThePaletteItselfRunsThePassesInTurn) {
    canvas = IMG_new();
    IMG_resize(canvas, 320, 240);
    fx_plasma(canvas);
    for (int32_t k = 0; k < 5; ++k) fx_plasma_step();
    ImgPtr copy(IMG_clone(plasma_palette));
    IMG* saved = plasma_palette;
    plasma_palette = copy.get();
    three_passes(copy.get());  // the passes reading the image they write, as the copy did
    plasma_palette = saved;
    fx_plasma(plasma_palette);
    EXPECT_EQ(kt::first_difference(copy.get(), plasma_palette), "");
}

}  // namespace
