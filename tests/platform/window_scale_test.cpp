// Tests of the window's scale: the largest whole factor up to three whose window, decoration
// included, fits the display beside its panels.
#include "front/native/window_scale.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowScale, LargestFactorWhoseWindowFitsTheUsableArea) {
    struct Case {
        const char* name;
        DESKTOP     desktop;
        int32_t     scale;
    };
    for (const Case& c : {
             Case{"1920 x 1080, panel of 26", {1920, 1080, 1920, 1054}, 3},
             Case{"1366 x 768, panel of 26", {1366, 768, 1366, 742}, 2},
             Case{"1024 x 768, panel of 26", {1024, 768, 1024, 742}, 2},
             Case{"1280 x 720, no work area", {1280, 720, 0, 0}, 2},
             // 720 rows and the title bar fit in 800 beside a panel of 40, but not of 41.
             Case{"1280 x 800, work area 760", {1280, 800, 1280, 760}, 3},
             Case{"1280 x 800, work area 759", {1280, 800, 1280, 759}, 2},
             Case{"976 wide fits three times, 975 does not", {976, 1200, 0, 0}, 3},
             Case{"975 x 1200", {975, 1200, 0, 0}, 2},
             // A work area over two monitors is cut to the display the window opens on.
             Case{"two monitors side by side", {1366, 768, 3286, 1080}, 3},
             Case{"320 x 240: nothing fits, still 1", {320, 240, 320, 240}, 1},
             Case{"display unknown", {0, 0, 1920, 1054}, 3},
         }) {
        EXPECT_EQ(window_scale_for(c.desktop), c.scale) << c.name;
    }
}

}  // namespace
