// Plasma: the palette gradients, the pixels of a frame against the row-offset formula, the
// phase advance, and targets or canvases that cannot take a plasma.
#include <gtest/gtest.h>

#include <set>
#include <span>
#include <sstream>
#include <string>
#include <tuple>

#include "support/demo_fixture.h"

namespace {

using kt::ImgPtr;
using kt::make_img;

// The first pixel of `target` that differs from the reference plasma drawn over `before` (over 0
// when null), or "".
std::string plasma_difference(const IMG* target, const std::array<int32_t, 6>& phases,
                              const IMG* before = nullptr) {
    for (int32_t y = 0; y < target->height; ++y)
        for (int32_t x = 0; x < target->width; ++x) {
            const int32_t i = y * target->width + x;
            const uint32_t want = kt::plasma_reference(plasma_palette, phases, target->width, target->height,
                                                       x, y, before ? before->pixels[i] : 0);
            const uint32_t got = target->pixels[i];
            if (want != got) {
                std::ostringstream out;
                out << "pixel (" << x << ", " << y << "): want 0x" << std::hex << want << " got 0x" << got;
                return out.str();
            }
        }
    return "";
}

uint32_t at(const IMG* img, int32_t x, int32_t y) { return img->pixels[y * img->width + x]; }

class Plasma : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        canvas = make_img(screen_w, screen_h).release();
    }
};

TEST_F(Plasma, FirstCallBuildsTheThreeChannelGradients) {
    ASSERT_EQ(plasma_palette, nullptr);
    fx_plasma(canvas);
    ASSERT_NE(plasma_palette, nullptr);
    ASSERT_EQ(plasma_palette->width, 320);
    ASSERT_EQ(plasma_palette->height, 3);
    for (auto [x, y, want] : {std::tuple{0, 0, 0xFE0000u}, {159, 0, 0xD90000u}, {319, 0, 0x7F0000u},
                              {0, 1, 0x00FE00u}, {239, 1, 0x00B000u}, {0, 2, 0x0000D9u},
                              {159, 2, 0x0000B0u}, {319, 2, 0x00007Fu}})
        EXPECT_EQ(at(plasma_palette, x, y), want) << "palette (" << x << ", " << y << ")";
}

// Green starts 64/65536 of an entry ahead of red, which carries it one entry further at exactly
// these columns.
TEST_F(Plasma, GreenRowIsOneLevelAboveRedAtFourteenColumns) {
    fx_plasma(canvas);
    const std::set<int32_t> higher = {239, 244, 249, 254, 259, 264, 269, 274, 279, 284, 289, 294, 309, 314};
    for (int32_t x = 0; x < 320; ++x) {
        const uint32_t red = at(plasma_palette, x, 0) >> 16;
        const uint32_t green = at(plasma_palette, x, 1) >> 8;
        EXPECT_EQ(green, red + (higher.count(x) ? 1u : 0u)) << "column " << x;
        EXPECT_NE(red, 0u) << "column " << x;
        EXPECT_EQ(at(plasma_palette, x, 0) & 0x00FFFFu, 0u) << "column " << x;
        EXPECT_EQ(at(plasma_palette, x, 1) & 0xFF00FFu, 0u) << "column " << x;
        EXPECT_EQ(at(plasma_palette, x, 2) & 0xFFFF00u, 0u) << "column " << x;
        EXPECT_NE(at(plasma_palette, x, 2), 0u) << "column " << x;
    }
}

TEST_F(Plasma, BottomRowsWithAllPhasesZero) {
    fx_plasma(canvas);
    for (auto [x, y, want] : {std::tuple{0, 239, 0xFEFED9u}, {160, 239, 0xD9D9AFu}, {319, 239, 0x7F7F7Fu},
                              {0, 238, 0x7F7F7Fu}, {1, 238, 0xFEFED9u}})
        EXPECT_EQ(at(canvas, x, y), want) << "pixel (" << x << ", " << y << ")";
}

// Row 0 of 240 uses phase 239 on all six waves: offsets 238, 258 and 288.
TEST_F(Plasma, TopRowIsTheGradientsRotatedByTheirOffsets) {
    fx_plasma(canvas);
    const IMG* p = plasma_palette;
    for (int32_t x = 0; x < 320; ++x) {
        const uint32_t want = at(p, (x - 238 + 320) % 320, 0) | at(p, (x - 258 + 640) % 320, 1) |
                              at(p, (x - 288 + 320) % 320, 2);
        ASSERT_EQ(at(canvas, x, 0), want) << "column " << x;
    }
}

TEST_F(Plasma, WholeFrameFollowsTheOffsetFormulaAtAnyPhases) {
    for (int32_t k = 0; k < 37; ++k) fx_plasma_step();
    for (uint32_t& pixel : std::span(canvas->pixels, 320 * 240)) pixel = 0xFFFFFFFF;  // must not show
    fx_plasma(canvas);
    EXPECT_EQ(plasma_difference(canvas, plasma_phases), "");
    plasma_phases = {1023, 0, 511, 512, 7, 1000};
    fx_plasma(canvas);
    EXPECT_EQ(plasma_difference(canvas, plasma_phases), "");
}

// The strip's last row takes offset 0 like the canvas's last row; the palette keeps the
// canvas's width whatever the target.
TEST_F(Plasma, StripTargetUsesTheCanvasWidePalette) {
    ImgPtr strip = make_img(320, 26);
    fx_plasma(strip.get());
    ASSERT_NE(plasma_palette, nullptr);
    EXPECT_EQ(plasma_palette->width, 320);
    EXPECT_EQ(at(strip.get(), 0, 25), 0xFEFED9u);
    EXPECT_EQ(at(strip.get(), 319, 25), 0x7F7F7Fu);
    EXPECT_EQ(plasma_difference(strip.get(), plasma_phases), "");
}

// Where the palette allows, each row is composed in one go; every pixel must still be what the
// red keyed copy and the green and blue OR copies leave: over any previous content, with a red
// level of 0 somewhere, and for targets of other widths.
TEST_F(Plasma, RowsAreWhatTheRowCopiesLeaveOverAnyTarget) {
    struct Case {
        const char* name;
        int32_t     w, h;
        bool        red_holes;  // red palette pixels set to 0 (every 7th column)
        int32_t     frames;
    };
    const std::vector<Case> cases = {
        {"canvas", 320, 240, false, 3}, {"strip", 320, 26, false, 3}, {"red holes", 320, 240, true, 2},
        {"narrower", 200, 50, false, 2}, {"wider", 500, 20, true, 2},  {"one row", 320, 1, true, 1},
    };
    const auto noise = [](uint32_t i) { return (i * 2654435761u) >> 8; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fx_plasma(canvas);  // makes the palette
        ASSERT_TRUE(plasma_palette);
        if (c.red_holes)
            for (int32_t x = 0; x < plasma_palette->width; x += 7) plasma_palette->pixels[x] = 0;
        for (int32_t f = 0; f < c.frames; ++f) {
            SCOPED_TRACE(f);
            ImgPtr target = make_img(c.w, c.h);
            for (int32_t i = 0; i < c.w * c.h; ++i) target->pixels[i] = noise(static_cast<uint32_t>(i + f));
            const ImgPtr before(IMG_clone(target.get()));
            fx_plasma(target.get());
            EXPECT_EQ(plasma_difference(target.get(), plasma_phases, before.get()), "");
            for (int32_t k = 0; k < 37; ++k) fx_plasma_step();
        }
        IMG_free(&plasma_palette);
    }
}

// Drawn into the palette itself, each channel's copies read the rows that the earlier copies
// wrote: every channel over every row, bottom row first, before the next channel.
TEST_F(Plasma, DrawnIntoThePaletteItselfRunsTheChannelsInTurn) {
    fx_plasma(canvas);
    for (int32_t k = 0; k < 5; ++k) fx_plasma_step();
    const ImgPtr want(IMG_clone(plasma_palette));
    const std::array<void (*)(const IMG*, IMG*, int32_t, int32_t, int32_t), 3> copies = {
        IMG_blit_row_keyed, IMG_blit_row_or, IMG_blit_row_or};
    for (int32_t c = 0; c < 3; ++c)
        for (int32_t y = 2; y >= 0; --y)
            copies[static_cast<size_t>(c)](want.get(), want.get(), c, y, kt::plasma_offset(plasma_phases, c, 2 - y));
    fx_plasma(plasma_palette);
    EXPECT_EQ(kt::first_difference(want.get(), plasma_palette), "");
}

TEST_F(Plasma, StepAdvancesEachPhaseByItsFrameStep) {
    fx_plasma(canvas);
    EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{0, 0, 0, 0, 0, 0})) << "drawing moves nothing";
    fx_plasma_step();
    EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{4, 5, 6, 1017, 1016, 1015}));
    for (int32_t k = 1; k < 1024; ++k) fx_plasma_step();
    EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{0, 0, 0, 0, 0, 0}));
}

TEST_F(Plasma, NullTargetMakesNoPaletteAndSaysNothing) {
    kt::StdoutCapture out;
    fx_plasma(nullptr);
    EXPECT_EQ(plasma_palette, nullptr);
    EXPECT_EQ(out.text(), "");
}

// The palette takes the canvas's width: without a canvas, or with one of no columns, there is
// nothing to build it for (and no division by zero); the target is left as it was.
TEST_F(Plasma, NoUsableCanvasMakesNoPaletteAndDrawsNothing) {
    ImgPtr strip = make_img(8, 2, 0x123456);
    IMG_free(&canvas);
    fx_plasma(strip.get());
    EXPECT_EQ(plasma_palette, nullptr);
    canvas = make_img(0, 5).release();
    kt::StdoutCapture out;
    fx_plasma(strip.get());
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(plasma_palette, nullptr);
    EXPECT_EQ(kt::rows(strip.get()), kt::Rows(2, std::vector<uint32_t>(8, 0x123456)));
}

TEST_F(Plasma, PaletteRowFoldsNegativeSpanAndPhase) {
    ImgPtr a = make_img(320, 1);
    ImgPtr b = make_img(320, 1);
    fx_plasma_palette_row(a.get(), 0x4000, 255, 5, 0, 16);
    fx_plasma_palette_row(b.get(), -0x4000, 255, 5 - 3 * 1024 * 65536, 0, 16);
    EXPECT_EQ(kt::first_difference(a.get(), b.get()), "");
    EXPECT_EQ(at(a.get(), 319, 0), 0x7F0000u);  // the start phase is at the last column
}

TEST_F(Plasma, PaletteRowOrsIntoWhatIsThere) {
    ImgPtr img = make_img(320, 1, 0x000001);
    fx_plasma_palette_row(img.get(), 0x4000, 255, 0, 0, 8);
    EXPECT_EQ(at(img.get(), 0, 0), 0x00FE01u);
    EXPECT_EQ(at(img.get(), 319, 0), 0x007F01u);
}

TEST_F(Plasma, PaletteRowRefusesWhatItCannotBuild) {
    ImgPtr narrow = make_img(0, 3);
    ImgPtr small = make_img(4, 2);
    kt::StdoutCapture out;
    fx_plasma_palette_row(nullptr, 0x4000, 255, 0, 0, 16);
    fx_plasma_palette_row(narrow.get(), 0x4000, 255, 0, 0, 16);
    fx_plasma_palette_row(small.get(), 0x4000, 255, 0, 2, 16);
    fx_plasma_palette_row(small.get(), 0x4000, 255, 0, -1, 16);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(kt::rows(small.get()), kt::Rows(2, std::vector<uint32_t>(4, 0)));
}

}  // namespace
