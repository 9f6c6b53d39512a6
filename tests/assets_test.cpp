// The shipped pictures: they load, fit where the parts place them, keep 0 for the transparent
// key only, and the glyph sheet holds a clean glyph in every cell the scroller can draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "fx/effects.h"
#include "support/demo_fixture.h"

using kt::ImgPtr;

namespace {

constexpr int32_t SCREEN_W = 320;
constexpr int32_t SCREEN_H = 240;
constexpr int32_t GLYPH_W = 15;
constexpr int32_t GLYPH_H = 26;

ImgPtr load(const std::string& name) {
    return ImgPtr(IMG_load_pnm((std::string(KAPU_DATA_DIR) + "/" + name).c_str()));
}

uint32_t at(const IMG* img, int32_t x, int32_t y) { return img->pixels[y * img->width + x]; }

struct Box {
    int32_t x0, y0, x1, y1;  // inclusive; x1 < x0 when empty
};

// The smallest box holding the non-zero pixels of a w x h area at (x, y).
Box ink_box(const IMG* img, int32_t x, int32_t y, int32_t w, int32_t h) {
    Box b{x + w, y + h, x - 1, y - 1};
    for (int32_t j = y; j < y + h; ++j)
        for (int32_t i = x; i < x + w; ++i)
            if (at(img, i, j)) {
                b.x0 = std::min(b.x0, i);
                b.y0 = std::min(b.y0, j);
                b.x1 = std::max(b.x1, i);
                b.y1 = std::max(b.y1, j);
            }
    return b;
}

struct SizeCase {
    const char* name;
    int32_t min_w, max_w, min_h, max_h;
};

// Sizes that the placements need: the letters are doubled (to about 80 x 96) and swing over the
// screen; the part 1 logotype wobbles +-32 columns and must not wrap into itself; the part 3
// logotype stands at the left edge, so it is as wide as the screen and carries its own margins,
// and it rises 60 rows, which carry its top into the upper part of the screen.
constexpr SizeCase SIZES[] = {
    {"K.ppm", 36, 44, 44, 52},
    {"A.ppm", 36, 44, 44, 52},
    {"P.ppm", 36, 44, 44, 52},
    {"U.ppm", 36, 44, 44, 52},
    {"vemla.ppm", 120, SCREEN_W, 24, 100},
    {"7163.ppm", 160, SCREEN_W, 40, 100},
    {"logotype2.ppm", 160, SCREEN_W - 64, 60, SCREEN_H},
    {"logotype1.ppm", 100, 200, 24, 60},
    {"logotype0.ppm", SCREEN_W, SCREEN_W, 140, SCREEN_H - 60},
};

}  // namespace

TEST(Assets, EveryPictureLoadsWithinTheSizeItsPlacementNeeds) {
    for (const SizeCase& c : SIZES) {
        ImgPtr img = load(c.name);
        ASSERT_NE(img, nullptr) << c.name;
        EXPECT_GE(img->width, c.min_w) << c.name;
        EXPECT_LE(img->width, c.max_w) << c.name;
        EXPECT_GE(img->height, c.min_h) << c.name;
        EXPECT_LE(img->height, c.max_h) << c.name;
    }
}

TEST(Assets, TheFourLettersShareOneSize) {
    ImgPtr k = load("K.ppm");
    ASSERT_NE(k, nullptr);
    for (const char* name : {"A.ppm", "P.ppm", "U.ppm"}) {
        ImgPtr other = load(name);
        ASSERT_NE(other, nullptr) << name;
        EXPECT_EQ(other->width, k->width) << name;
        EXPECT_EQ(other->height, k->height) << name;
    }
}

// Part 1 stacks the badge (from the top), the logotype's lettering (the picture is centred, its
// ink may sit anywhere in it) and the banner (at the bottom) without overlap, and none of them
// puts ink on the rows the raster bars swing through, so the bars are always in sight.
TEST(Assets, PartOnePicturesStackWithoutOverlapAndLeaveTheBarsInSight) {
    ImgPtr badge = load("vemla.ppm"), banner = load("7163.ppm"), logo = load("logotype2.ppm");
    ASSERT_TRUE(badge && banner && logo);
    const int32_t bars_top = screen_h / 2 - bar_amplitude + 1;
    const int32_t bars_bottom = screen_h / 2 + bar_amplitude - 1 + bar_profiles[bar_profile].n;
    const int32_t logo_top = (SCREEN_H - logo->height) / 2;
    const Box ink = ink_box(logo.get(), 0, 0, logo->width, logo->height);
    const int32_t banner_top = SCREEN_H - banner->height;
    EXPECT_LT(badge->height - 1, logo_top + ink.y0);
    EXPECT_LT(logo_top + ink.y1, banner_top);
    const bool above = logo_top + ink.y1 < bars_top, below = logo_top + ink.y0 > bars_bottom;
    EXPECT_TRUE(above || below) << "logotype ink on rows " << logo_top + ink.y0 << " to "
                                << logo_top + ink.y1;
    EXPECT_LT(badge->height - 1, bars_top);
    EXPECT_GT(banner_top, bars_bottom);
}

TEST(Assets, InkIsNeverNearBlackSoZeroStaysTheTransparentKey) {
    for (const char* name : demo_required_files) {
        ImgPtr img = load(name);
        ASSERT_NE(img, nullptr) << name;
        int32_t ink = 0;
        for (int32_t i = 0; i < img->width * img->height; ++i) {
            const uint32_t p = img->pixels[i];
            if (p == 0) continue;
            ++ink;
            ASSERT_TRUE((p & 0xFF0000) && (p & 0x00FF00) && (p & 0x0000FF))
                << name << ": pixel " << i % img->width << "," << i / img->width << " is 0x"
                << std::hex << p;
        }
        // Something to see within the box round the ink, and some transparency around it.
        const Box b = ink_box(img.get(), 0, 0, img->width, img->height);
        EXPECT_GT(ink, (b.x1 - b.x0 + 1) * (b.y1 - b.y0 + 1) / 4) << name;
        EXPECT_LT(ink, img->width * img->height) << name;
    }
}

// Cropped to their ink, except that part 3's logotype keeps equal clear margins left and right,
// which centre it on the screen, and part 1's keeps its lettering in its top rows and clear rows
// below, which put the lettering above the bars when the picture is centred.
TEST(Assets, PicturesAreCroppedToTheirInk) {
    for (const char* name : {"logotype0.ppm", "logotype1.ppm", "logotype2.ppm", "vemla.ppm",
                             "7163.ppm"}) {
        ImgPtr img = load(name);
        ASSERT_NE(img, nullptr) << name;
        const Box b = ink_box(img.get(), 0, 0, img->width, img->height);
        const int32_t left = b.x0, right = img->width - 1 - b.x1;
        if (std::string(name) == "logotype0.ppm") {
            EXPECT_GE(left, 8) << name;
            EXPECT_LE(std::abs(left - right), 1) << name;
        } else {
            EXPECT_EQ(left, 0) << name;
            EXPECT_EQ(right, 0) << name;
        }
        EXPECT_EQ(b.y0, 0) << name;
        if (std::string(name) != "logotype2.ppm") {
            EXPECT_EQ(b.y1, img->height - 1) << name;
        }
    }
}

// A hole inside a picture (clear pixels the outside cannot reach) is at least 3 pixels across:
// every one of its pixels lies in some clear 3 x 3 square, so no speck or crack of background
// shows through the lettering.
TEST(Assets, HolesInsideThePicturesAreAtLeastThreePixelsAcross) {
    for (const char* name : demo_required_files) {
        ImgPtr img = load(name);
        ASSERT_NE(img, nullptr) << name;
        const int32_t w = img->width, h = img->height;
        auto clear = [&](int32_t x, int32_t y) {
            return x < 0 || y < 0 || x >= w || y >= h || at(img.get(), x, y) == 0;
        };
        std::vector<uint8_t> outside(static_cast<size_t>(w * h), 0);
        std::vector<std::pair<int32_t, int32_t>> todo;
        for (int32_t x = 0; x < w; ++x) todo.insert(todo.end(), {{x, 0}, {x, h - 1}});
        for (int32_t y = 0; y < h; ++y) todo.insert(todo.end(), {{0, y}, {w - 1, y}});
        while (!todo.empty()) {
            const auto [x, y] = todo.back();
            todo.pop_back();
            if (x < 0 || y < 0 || x >= w || y >= h || !clear(x, y)) continue;
            uint8_t& seen = outside[static_cast<size_t>(y * w + x)];
            if (seen) continue;
            seen = 1;
            todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        auto in_clear_square = [&](int32_t x, int32_t y) {
            for (int32_t top = y - 2; top <= y; ++top)
                for (int32_t left = x - 2; left <= x; ++left) {
                    bool all = true;
                    for (int32_t k = 0; k < 9 && all; ++k) all = clear(left + k % 3, top + k / 3);
                    if (all) return true;
                }
            return false;
        };
        int32_t narrow = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (clear(x, y) && !outside[static_cast<size_t>(y * w + x)] && !in_clear_square(x, y))
                    ++narrow;
        EXPECT_EQ(narrow, 0) << name << ": hole pixels in no clear 3 x 3 square";
    }
}

// ---------------------------------------------------------------------------------------------
// The shipped letters in part 2's motion

class ShippedLetters : public kt::DemoState {};

// Loaded and doubled as start-up does, swinging with the amplitudes their size gives: in every
// frame of a visit of part 2 (2000 frames; the four waves repeat together every 1024) at least
// two letters put some ink on the screen. Each letter is drawn alone onto a black canvas, the
// other three stood in for by a clear pixel.
TEST_F(ShippedLetters, AtLeastTwoAreInSightInEveryFrameOfPartTwo) {
    {
        const kt::InFolder data(KAPU_DATA_DIR);
        ASSERT_EQ(demo_create_objects(SCREEN_W, SCREEN_H), nullptr);
    }
    const std::array<IMG*, 4> shipped = letters;
    const ImgPtr clear = kt::make_img(1, 1);
    int32_t short_frames = 0, first_short = -1;
    for (int32_t frame = 0; frame < 2000; ++frame) {
        int32_t in_sight = 0;
        for (size_t i = 0; i < 4; ++i) {
            for (size_t j = 0; j < 4; ++j) letters[j] = j == i ? shipped[j] : clear.get();
            IMG_clear(canvas);
            fx_letters();
            const std::span<const uint32_t> pixels(canvas->pixels, SCREEN_W * SCREEN_H);
            in_sight += std::ranges::any_of(pixels, [](uint32_t p) { return p != 0; });
        }
        letters = shipped;
        fx_letters_step();
        if (in_sight < 2 && short_frames++ == 0) first_short = frame;
    }
    EXPECT_EQ(short_frames, 0) << "frames with fewer than two letters in sight, the first "
                               << first_short;
}

// ---------------------------------------------------------------------------------------------
// Glyph sheet

class GlyphSheet : public ::testing::Test {
protected:
    void SetUp() override {
        sheet_ = load("font1526.pbm");
        ASSERT_NE(sheet_, nullptr);
    }
    // Cell of code c as the font finds it.
    Box cell(int32_t c) const {
        const int32_t p = c * GLYPH_W;
        const int32_t x = p % sheet_->width, y = (p / sheet_->width) * GLYPH_H;
        return {x, y, x + GLYPH_W - 1, y + GLYPH_H - 1};
    }
    Box ink(int32_t c) const {
        const Box k = cell(c);
        return ink_box(sheet_.get(), k.x0, k.y0, GLYPH_W, GLYPH_H);
    }
    std::vector<uint32_t> pixels(int32_t c) const {
        const Box k = cell(c);
        std::vector<uint32_t> out;
        for (int32_t y = k.y0; y <= k.y1; ++y)
            for (int32_t x = k.x0; x <= k.x1; ++x) out.push_back(at(sheet_.get(), x, y));
        return out;
    }
    ImgPtr sheet_;
};

TEST_F(GlyphSheet, CellsTileTheSheetAndCoverEveryCodeUpTo127) {
    EXPECT_EQ(sheet_->width % GLYPH_W, 0);
    EXPECT_EQ(sheet_->height % GLYPH_H, 0);
    EXPECT_GE((sheet_->width / GLYPH_W) * (sheet_->height / GLYPH_H), 128);
    for (int32_t i = 0; i < sheet_->width * sheet_->height; ++i)
        ASSERT_TRUE(sheet_->pixels[i] == 0 || sheet_->pixels[i] == 0xFFFFFF) << "pixel " << i;
}

TEST_F(GlyphSheet, PrintableCodesHoldInkAndNewlineAndSpaceAreBlank) {
    for (int32_t c = 33; c <= 122; ++c) {
        const Box b = ink(c);
        EXPECT_GE(b.x1, b.x0) << "code " << c << " '" << static_cast<char>(c) << "' is blank";
    }
    for (int32_t c : {10, 32}) {
        const Box b = ink(c);
        EXPECT_LT(b.x1, b.x0) << "code " << c << " holds ink";
    }
}

TEST_F(GlyphSheet, InkKeepsAOnePixelMarginInsideEveryCell) {
    for (int32_t c = 0; c < 128; ++c) {
        const Box k = cell(c), b = ink(c);
        if (b.x1 < b.x0) continue;
        EXPECT_GE(b.x0, k.x0 + 1) << "code " << c;
        EXPECT_LE(b.x1, k.x1 - 1) << "code " << c;
        EXPECT_GE(b.y0, k.y0 + 1) << "code " << c;
        EXPECT_LE(b.y1, k.y1 - 1) << "code " << c;
    }
}

TEST_F(GlyphSheet, CapitalsFillTheCellAndOnlyDescendersGoBelowTheBaseline) {
    const Box h = ink('H');
    const int32_t baseline = h.y1 - cell('H').y0;
    EXPECT_GE(h.y1 - h.y0 + 1, 18);
    EXPECT_GE(h.x1 - h.x0 + 1, 11);
    const std::string descenders = "gjpqy";
    for (int32_t c = 'a'; c <= 'z'; ++c) {
        const int32_t bottom = ink(c).y1 - cell(c).y0;
        if (descenders.find(static_cast<char>(c)) != std::string::npos)
            EXPECT_GE(bottom, baseline + 2) << "'" << static_cast<char>(c) << "' lacks a descender";
        else
            EXPECT_EQ(bottom, baseline) << "'" << static_cast<char>(c) << "' leaves the baseline";
    }
    for (int32_t c = 'A'; c <= 'Z'; ++c)
        EXPECT_EQ(ink(c).y1 - cell(c).y0, baseline) << "'" << static_cast<char>(c) << "'";
}

TEST_F(GlyphSheet, EveryDrawableGlyphIsDistinct) {
    for (int32_t a = 33; a <= 122; ++a)
        for (int32_t b = a + 1; b <= 122; ++b)
            EXPECT_NE(pixels(a), pixels(b))
                << "'" << static_cast<char>(a) << "' and '" << static_cast<char>(b) << "'";
}
