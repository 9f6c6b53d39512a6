// Tests of the frame pacer's deadline arithmetic, driven by made-up times.
#include "main/pacer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;
using time_point = pacer_clock::time_point;

// A fake clock's reading: a fixed start plus an offset.
time_point at(pacer_clock::duration offset) {
    return time_point(1000s) + offset;
}

constexpr auto frame = std::chrono::nanoseconds(16'666'667);  // 1/60 s rounded up

TEST(Pacer, FirstFrameWaitsOnePeriodFromTheFirstCall) {
    PACER pacer = pacer_make();
    EXPECT_EQ(pacer_next(&pacer, at(0ms)), at(frame));
}

TEST(Pacer, EarlyFramesWaitForTheirDeadlineWhateverTheyTook) {
    PACER pacer = pacer_make();
    // The deadlines stay on the grid 0, 1/60, 2/60 ... s whenever the frames finish before them.
    struct Case {
        pacer_clock::duration now;
        pacer_clock::duration want;
    };
    const Case cases[] = {{0ms, 16'666'667ns},  {1ms, 33'333'334ns},  {33ms, 50'000'000ns},
                          {40ms, 66'666'667ns}, {66ms, 83'333'334ns}, {70ms, 100'000'000ns}};
    for (const Case& c : cases)
        EXPECT_EQ(pacer_next(&pacer, at(c.now)), at(c.want)) << "now " << c.now.count() << " ns";
}

TEST(Pacer, AverageRateIsExact) {
    PACER pacer = pacer_make();
    time_point wake = pacer_next(&pacer, at(0ms));
    for (int n = 2; n <= 6000; ++n) wake = pacer_next(&pacer, wake);
    EXPECT_EQ(wake, at(100s)) << "6000 frames at 60 per second take 100 s exactly";
    for (int n = 6001; n <= 6003; ++n) wake = pacer_next(&pacer, wake);
    EXPECT_EQ(wake, at(100050ms));
}

TEST(Pacer, SlightlyLateFramesDoNotWaitAndCatchUp) {
    PACER pacer = pacer_make(60, 4);
    pacer_next(&pacer, at(0ms));                                   // frame 1 due at 1/60 s
    EXPECT_EQ(pacer_next(&pacer, at(50ms)), at(50ms)) << "late";   // frame 2 was due at 2/60 s
    EXPECT_EQ(pacer_next(&pacer, at(51ms)), at(51ms)) << "due at exactly 50 ms";
    EXPECT_EQ(pacer_next(&pacer, at(52ms)), at(66'666'667ns)) << "back on the grid";
}

TEST(Pacer, FramesLateBeyondTheLimitRestartTheGridFromNow) {
    PACER pacer = pacer_make(60, 4);
    pacer_next(&pacer, at(0ms));
    // Frame 2 was due at 33.3 ms; at 1 s it is far more than four frames late.
    EXPECT_EQ(pacer_next(&pacer, at(1s)), at(1s));
    EXPECT_EQ(pacer_next(&pacer, at(1s + 1ms)), at(1s + frame)) << "one period after the restart";
    EXPECT_EQ(pacer_next(&pacer, at(1s + 2ms)), at(1s + 33'333'334ns));
}

TEST(Pacer, LatenessUpToTheLimitKeepsTheGrid) {
    for (auto [late, restarts] : {std::pair{60ms, false}, {66ms, false}, {68ms, true}}) {
        PACER pacer = pacer_make(60, 4);
        pacer_next(&pacer, at(0ms));
        const time_point due = at(33'333'334ns);
        pacer_next(&pacer, due + late);
        const time_point next = pacer_next(&pacer, due + late);
        if (restarts)
            EXPECT_EQ(next, due + late + frame) << late.count() << " ms late";
        else
            EXPECT_EQ(next, due + late) << late.count() << " ms late: still catching up";
    }
}

TEST(Pacer, OtherRatesAndMisuse) {
    PACER pacer = pacer_make(50, 4);
    EXPECT_EQ(pacer_next(&pacer, at(0ms)), at(20ms));
    PACER fallback = pacer_make(0, -1);
    EXPECT_EQ(fallback.rate, 60);
    EXPECT_EQ(pacer_next(nullptr, at(5ms)), at(5ms));
}

}  // namespace
