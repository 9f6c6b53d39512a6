// Raster bars: the colour list after one call at known phases, the phase advance, and a list
// too short for the bars.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fx/raster.h"
#include "support/demo_fixture.h"

namespace {

using Colours = std::vector<uint32_t>;

// Where two lists first differ, as "row 97: want 0x800038 got 0x0".
std::string first_row_difference(const Colours& want, const RASTER* got) {
    std::ostringstream out;
    if (static_cast<int32_t>(want.size()) != got->count) {
        out << "count: want " << want.size() << " got " << got->count;
        return out.str();
    }
    for (size_t y = 0; y < want.size(); ++y)
        if (want[y] != got->colors[y]) {
            out << "row " << y << ": want 0x" << std::hex << want[y] << " got 0x" << got->colors[y];
            return out.str();
        }
    return "";
}

// Profile 7 colour number j (1 .. 16) of bar i.
uint32_t bar_colour(int32_t i, int32_t j) {
    return bar_profiles[7].colors[static_cast<size_t>(j - 1)] + static_cast<uint32_t>(8 * i);
}

class RasterBars : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        raster = RASTER_new();
        RASTER_resize(raster, screen_h);
    }
};

// The bars lie one over the other in drawing order, each starting at its listed first row.
TEST_F(RasterBars, BarsStartAtTheirRowsAndLaterBarsCoverEarlierOnes) {
    struct Case {
        int32_t phase;
        std::array<int32_t, 8> first_rows;
    };
    for (const Case& c : {Case{0, {121, 138, 150, 152, 143, 127, 108, 94}},
                          Case{256, {152, 147, 133, 114, 98, 89, 91, 103}}}) {
        Colours want(static_cast<size_t>(screen_h), 0);
        for (int32_t i = 0; i < 8; ++i)
            for (int32_t j = 1; j <= 16; ++j)
                want[static_cast<size_t>(c.first_rows[static_cast<size_t>(i)] + j - 1)] = bar_colour(i, j);
        bar_phase = c.phase;
        fx_raster_bars();
        EXPECT_EQ(first_row_difference(want, raster), "") << "bar_phase " << c.phase;
    }
}

TEST_F(RasterBars, ListAtPhaseZeroRowByRow) {
    Colours want(static_cast<size_t>(screen_h), 0);
    auto put = [&](int32_t first_row, int32_t bar, int32_t from, int32_t to) {
        for (int32_t j = from; j <= to; ++j)
            want[static_cast<size_t>(first_row + j - from)] = bar_colour(bar, j);
    };
    put(94, 7, 1, 16);    // rows 94-109: all of bar 7
    put(110, 6, 3, 16);   // rows 110-123: bar 6 without its first two rows
    put(124, 0, 4, 6);    // rows 124-126: bar 0's colours 4 to 6
    put(127, 5, 1, 16);   // rows 127-142: all of bar 5
    put(143, 4, 1, 16);   // rows 143-158: all of bar 4
    put(159, 3, 8, 16);   // rows 159-167: bar 3's colours 8 to 16
    fx_raster_bars();
    EXPECT_EQ(first_row_difference(want, raster), "");
    EXPECT_EQ(raster->colors[94], 0x200038u);
    EXPECT_EQ(raster->colors[101], 0xF00038u);
    EXPECT_EQ(raster->colors[124], 0x800000u);
    EXPECT_EQ(raster->colors[167], 0x200018u);
    EXPECT_EQ(raster->offset, 0);
}

TEST_F(RasterBars, EachCallClearsTheListFirst) {
    for (int32_t y = 0; y < screen_h; ++y) raster->colors[y] = 0x123456;
    fx_raster_bars();
    EXPECT_EQ(raster->colors[0], 0u);
    EXPECT_EQ(raster->colors[93], 0u);
    EXPECT_EQ(raster->colors[168], 0u);
    EXPECT_EQ(raster->colors[239], 0u);
}

TEST_F(RasterBars, PhaseAdvancesByFourAndWraps) {
    for (auto [before, after] : {std::pair{0, 4}, {1016, 1020}, {1020, 0}, {1022, 2}}) {
        bar_phase = before;
        fx_raster_bars();
        EXPECT_EQ(bar_phase, after) << "from " << before;
    }
}

TEST_F(RasterBars, PictureRepeatsAfter256Calls) {
    fx_raster_bars();
    const Colours first(raster->colors, raster->colors + raster->count);
    for (int32_t k = 0; k < 255; ++k) {
        fx_raster_bars();
        for (int32_t y = 0; y < 89; ++y) ASSERT_EQ(raster->colors[y], 0u) << "call " << k << " row " << y;
        for (int32_t y = 168; y < screen_h; ++y) ASSERT_EQ(raster->colors[y], 0u) << "call " << k << " row " << y;
    }
    EXPECT_EQ(bar_phase, 0);
    fx_raster_bars();
    EXPECT_EQ(first_row_difference(first, raster), "");
}

TEST_F(RasterBars, MissingListDoesNothing) {
    RASTER_free(&raster);
    bar_phase = 12;
    kt::StdoutCapture out;
    fx_raster_bars();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(bar_phase, 12);
}

// A list shorter than the bars' reach keeps the rows it has; nothing is written past its end.
TEST_F(RasterBars, ShortListKeepsTheRowsThatFit) {
    RASTER_resize(raster, 100);
    fx_raster_bars();
    EXPECT_EQ(raster->colors[93], 0u);
    for (int32_t j = 1; j <= 6; ++j) EXPECT_EQ(raster->colors[93 + j], bar_colour(7, j)) << "row " << 93 + j;
    EXPECT_EQ(bar_phase, 4);
}

}  // namespace
