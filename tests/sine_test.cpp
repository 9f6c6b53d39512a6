// Sine table contents and the phase wrap.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <set>
#include <tuple>
#include <utility>

#include "fx/sine.h"

namespace {

// The rule the table follows, evaluated at run time with the C library's sine.
int32_t rule_value(int32_t i) {
    if (i >= 512) return -rule_value(i - 512);
    if (i >= 256) return rule_value(511 - i);
    const double angle = 2.0 * std::numbers::pi * static_cast<double>(i) / 1024.0;
    const auto nearest = static_cast<int32_t>(std::lround(32767.0 * std::sin(angle)));
    return (i == 129 || i == 183) ? nearest + 1 : nearest;
}

}  // namespace

TEST(Sine, WrapIndexFoldsAnyPhaseIntoTheTable) {
    for (auto [phase, want] : {std::pair{1024, 0}, {2047, 1023}, {5, 5}, {0, 0}, {1023, 1023},
                               {-1, 1023}, {-9, 1015}, {-1024, 0}, {-1025, 1023}, {-2048, 0},
                               {INT32_MAX, 1023}, {INT32_MIN, 0}, {INT32_MIN + 1, 1}})
        EXPECT_EQ(wrap_index(phase, SINE_LEN), want) << "phase " << phase;
}

TEST(Sine, WrapIndexWorksForOtherPeriods) {
    for (auto [phase, period, want] : {std::tuple{7, 3, 1}, {-7, 3, 2}, {-6, 3, 0}, {511, 512, 511},
                                       {512, 512, 0}, {-1, 512, 511}, {9, 1, 0}, {-9, 1, 0}})
        EXPECT_EQ(wrap_index(phase, period), want) << "phase " << phase << " period " << period;
}

TEST(Sine, EveryEntryFollowsTheQuarterWaveRule) {
    ASSERT_EQ(sine_table.size(), 1024u);
    for (int32_t i = 0; i < SINE_LEN; ++i)
        ASSERT_EQ(sine_table[static_cast<size_t>(i)], rule_value(i)) << "entry " << i;
}

TEST(Sine, LandmarksAndExceptions) {
    for (auto [index, want] : {std::pair{0, 0}, {1, 201}, {2, 402}, {64, 12539}, {128, 23170},
                               {129, 23312}, {183, 29535}, {192, 30273}, {255, 32766},
                               {256, 32766}, {384, 23027}, {511, 0}, {512, 0}, {513, -201},
                               {640, -23170}, {767, -32766}, {768, -32766}, {896, -23027},
                               {1023, 0}})
        EXPECT_EQ(sine_table[static_cast<size_t>(index)], want) << "entry " << index;
}

TEST(Sine, HalvesHaveTheirSignsAndTheTableSumsToZero) {
    for (size_t i = 0; i < 512; ++i) ASSERT_GE(sine_table[i], 0) << "entry " << i;
    for (size_t i = 512; i < 1024; ++i) ASSERT_LE(sine_table[i], 0) << "entry " << i;
    EXPECT_EQ(std::accumulate(sine_table.begin(), sine_table.end(), int64_t{0}), 0);
    for (int16_t s : sine_table) ASSERT_NE(s, 32767);
}

TEST(Sine, DisplacementsCoverTheirWholeRange) {
    for (int32_t amplitude : {32, 100, 1, 16383}) {
        std::set<int32_t> seen;
        for (int16_t s : sine_table) seen.insert((amplitude * s) >> 15);
        EXPECT_EQ(*seen.begin(), -amplitude) << "amplitude " << amplitude;
        EXPECT_EQ(*seen.rbegin(), amplitude - 1) << "amplitude " << amplitude;
        if (amplitude <= 32) {
            EXPECT_EQ(seen.size(), static_cast<size_t>(2 * amplitude)) << "amplitude " << amplitude;
        }
    }
}

TEST(Sine, LevelsStayWithinAByte) {
    std::set<int32_t> seen;
    for (int16_t s : sine_table) seen.insert((255 * (s + 32767)) >> 16);
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), 254);
}
