// Logotype motions: the wobble table's layout, the row-by-row wobble of part 1 and the bounce
// of part 3, with pictures that are missing or taller than the canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/demo_fixture.h"

namespace {

using kt::make_img;

int32_t wobble(int32_t i) { return wobble_table[static_cast<size_t>(i)]; }

TEST(WobbleTable, Landmarks) {
    for (auto [entry, want] : {std::pair{0, 0}, {320, 0}, {321, 1}, {351, 16}, {352, 16}, {383, 0},
                               {414, -16}, {572, 0}, {826, 0}, {921, 32}, {1714, 0}, {2034, 0},
                               {2035, 1}, {2039, 4}, {2045, 0}, {2050, -4}, {2210, 0},
                               {2217, 8}, {2865, -1}})
        EXPECT_EQ(wobble(entry), want) << "entry " << entry;
}

TEST(WobbleTable, StillStretchesAndRange) {
    for (int32_t i = 0; i <= 320; ++i) ASSERT_EQ(wobble(i), 0) << "entry " << i;
    for (int32_t i = 1714; i <= 2034; ++i) ASSERT_EQ(wobble(i), 0) << "entry " << i;
    EXPECT_EQ(*std::max_element(wobble_table.begin(), wobble_table.end()), 32);
    EXPECT_EQ(*std::min_element(wobble_table.begin(), wobble_table.end()), -32);
}

// Humps alternate in sign from +, and neighbouring humps meet at a shared 0.
TEST(WobbleTable, HumpsAlternateInSign) {
    struct Run {
        int32_t n;
        int32_t count;
    };
    auto check = [](int32_t start, std::initializer_list<Run> runs) {
        int32_t sign = 1;
        for (const Run& run : runs)
            for (int32_t h = 0; h < run.count; ++h, start += run.n, sign = -sign) {
                EXPECT_EQ(wobble(start), 0) << "hump start " << start;
                const int32_t middle = wobble(start + run.n / 2);
                EXPECT_GT(middle * sign, 0) << "hump at " << start << " of length " << run.n;
                EXPECT_EQ(wobble(start + run.n / 2), wobble(start + run.n / 2 + 1)) << "hump at " << start;
            }
        return start;
    };
    EXPECT_EQ(check(320, {{63, 4}, {127, 2}, {191, 2}, {127, 2}, {63, 4}}), 1714);
    EXPECT_EQ(check(2034, {{11, 16}, {15, 32}, {11, 15}}), 2865 - 10);
}

// logo2 is 100 x 4 with pixel value x + 1 at column x; the canvas 320 x 240 black.
class LogoWobble : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        canvas = make_img(screen_w, screen_h).release();
        logo2 = numbered(100, 4).release();
    }
    static kt::ImgPtr numbered(int32_t w, int32_t h) {
        kt::ImgPtr img = make_img(w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) img->pixels[y * w + x] = static_cast<uint32_t>(x + 1 + 1000 * y);
        return img;
    }
    // Canvas column of logotype row i's first pixel, or -1.
    static int32_t start_of_row(int32_t canvas_row, uint32_t first_pixel) {
        for (int32_t x = 0; x < canvas->width; ++x)
            if (canvas->pixels[canvas_row * canvas->width + x] == first_pixel) return x;
        return -1;
    }
};

TEST_F(LogoWobble, StillPartOfTheTableCentresTheLogotype) {
    fx_logo_wobble();
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(start_of_row(118 + i, 1 + 1000u * static_cast<uint32_t>(i)), 110) << "row " << i;
    EXPECT_EQ(wobble_phase, 1);
}

// Row i at phase t takes entry i + t, so the waves travel up one row per frame.
TEST_F(LogoWobble, RowsTakeTheirEntryForThePhase) {
    wobble_phase = 318;  // rows 0..3 take entries 318..321: 0, 0, 0, 1
    fx_logo_wobble();
    EXPECT_EQ(start_of_row(118, 1), 110);
    EXPECT_EQ(start_of_row(121, 3001), 111);
    IMG_clear(canvas);
    wobble_phase = 350;  // entries 350..353: 16, 16, 16, 16 (the top of the first hump)
    fx_logo_wobble();
    EXPECT_EQ(start_of_row(119, 1001), 126);
}

TEST_F(LogoWobble, PhaseWrapsAtTheTableEnd) {
    for (auto [before, after] : {std::pair{0, 1}, {2864, 2865}, {2865, 0}}) {
        wobble_phase = before;
        fx_logo_wobble();
        EXPECT_EQ(wobble_phase, after) << "from " << before;
    }
}

// A logotype as wide as the canvas wobbled to the left wraps in at the right edge.
TEST_F(LogoWobble, RowsShiftedLeftWrapAroundTheRightEdge) {
    IMG_free(&logo2);
    logo2 = numbered(320, 2).release();
    wobble_phase = 2865;  // row 0 takes entry 2865 (-1), row 1 entry 0 after the wrap
    fx_logo_wobble();
    EXPECT_EQ(canvas->pixels[119 * 320 + 319], 1u);
    EXPECT_EQ(canvas->pixels[119 * 320 + 0], 2u);
    EXPECT_EQ(canvas->pixels[120 * 320 + 0], 1001u);
}

TEST_F(LogoWobble, TransparentPixelsLetTheCanvasShow) {
    logo2->pixels[5] = 0;
    for (int32_t i = 0; i < 320 * 240; ++i) canvas->pixels[i] = 0xC0FFEE;
    fx_logo_wobble();
    EXPECT_EQ(canvas->pixels[118 * 320 + 115], 0xC0FFEEu);
    EXPECT_EQ(canvas->pixels[118 * 320 + 116], 7u);
}

// Rows that would land above or below the canvas are skipped, without a report.
TEST_F(LogoWobble, LogotypeTallerThanTheCanvasKeepsToItsRows) {
    IMG_free(&logo2);
    logo2 = numbered(10, 300).release();
    kt::StdoutCapture out;
    fx_logo_wobble();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(start_of_row(0, 1 + 1000 * 30), 155);     // (240 - 300) / 2 = -30
    EXPECT_EQ(start_of_row(239, 1 + 1000 * 269), 155);
}

TEST_F(LogoWobble, MissingLogotypeDrawsNothingButTheWobbleGoesOn) {
    IMG_free(&logo2);
    kt::StdoutCapture out;
    fx_logo_wobble();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(wobble_phase, 1);
    for (int32_t i = 0; i < 320 * 240; ++i) ASSERT_EQ(canvas->pixels[i], 0u);
}

class LogoBounce : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        canvas = make_img(screen_w, screen_h).release();
        logo0 = make_img(50, 30, 0x0000FF).release();
    }
};

// The row comes from the phase before the advance: d = -|(60 x s) >> 15|.
TEST_F(LogoBounce, RowAtKnownPhases) {
    for (auto [phase, d] : {std::pair{0, 0}, {512, 0}, {256, -59}, {768, -60}, {4, -1}}) {
        logo_bounce_phase = phase;
        fx_logo_bounce();
        EXPECT_EQ(logo_y, 240 - 30 + d) << "phase " << phase;
        EXPECT_EQ(logo_bounce_phase, (phase + 4) % 1024) << "phase " << phase;
    }
}

TEST_F(LogoBounce, PastedAgainstTheLeftEdgeAtItsRow) {
    logo_bounce_phase = 256;
    fx_logo_bounce();
    EXPECT_EQ(canvas->pixels[(240 - 30 - 59) * 320 + 0], 0x0000FFu);
    EXPECT_EQ(canvas->pixels[(240 - 30 - 59 - 1) * 320 + 0], 0u);
    EXPECT_EQ(canvas->pixels[(240 - 59 - 1) * 320 + 49], 0x0000FFu);
    EXPECT_EQ(canvas->pixels[(240 - 59) * 320 + 49], 0u);
    EXPECT_EQ(canvas->pixels[(240 - 59 - 1) * 320 + 50], 0u);
}

TEST_F(LogoBounce, PhaseRunsOverTheTableInSteps) {
    logo_bounce_phase = 1020;
    fx_logo_bounce();
    EXPECT_EQ(logo_bounce_phase, 0);
    for (int32_t k = 0; k < 256; ++k) fx_logo_bounce();
    EXPECT_EQ(logo_bounce_phase, 0);
}

TEST_F(LogoBounce, MissingLogotypeIsSkippedAndTheBounceGoesOn) {
    IMG_free(&logo0);
    logo_y = 17;
    kt::StdoutCapture out;
    fx_logo_bounce();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(logo_y, 17);
    EXPECT_EQ(logo_bounce_phase, 4);
}

}  // namespace
