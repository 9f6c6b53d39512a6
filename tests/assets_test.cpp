// The shipped pictures: they load, fit where the parts place them, keep 0 for the transparent
// key only, and the glyph sheet holds a clean glyph in every cell the scroller can draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/support.h"

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

// Sizes that the placements need: the letters are doubled and swing over the screen; the part 1
// logotype wobbles +-32 columns and must not wrap into itself; the part 3 logotype rises 60 rows.
constexpr SizeCase SIZES[] = {
    {"K.ppm", 20, 28, 24, 32},
    {"A.ppm", 20, 28, 24, 32},
    {"P.ppm", 20, 28, 24, 32},
    {"U.ppm", 20, 28, 24, 32},
    {"vemla.ppm", 48, 160, 20, 60},
    {"7163.ppm", 120, SCREEN_W, 12, 40},
    {"logotype2.ppm", 120, SCREEN_W - 64, 30, SCREEN_H - 80},
    {"logotype1.ppm", 60, 200, 16, 60},
    {"logotype0.ppm", 120, SCREEN_W, 30, SCREEN_H - 60},
};

constexpr const char* PIXMAPS[] = {"K.ppm",     "A.ppm",         "P.ppm",
                                   "U.ppm",     "vemla.ppm",     "7163.ppm",
                                   "logotype0.ppm", "logotype1.ppm", "logotype2.ppm"};

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

TEST(Assets, BadgeLogotypeAndBannerOfPartOneDoNotOverlap) {
    ImgPtr badge = load("vemla.ppm"), banner = load("7163.ppm"), logo = load("logotype2.ppm");
    ASSERT_TRUE(badge && banner && logo);
    const int32_t logo_top = (SCREEN_H - logo->height) / 2;
    EXPECT_LE(badge->height, logo_top);
    EXPECT_LE(logo_top + logo->height, SCREEN_H - banner->height);
}

TEST(Assets, InkIsNeverNearBlackSoZeroStaysTheTransparentKey) {
    for (const char* name : PIXMAPS) {
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
        // Something to see, and some transparency around it.
        EXPECT_GT(ink, img->width * img->height / 4) << name;
        EXPECT_LT(ink, img->width * img->height) << name;
    }
}

TEST(Assets, PicturesAreCroppedToTheirInk) {
    for (const char* name : {"logotype0.ppm", "logotype1.ppm", "logotype2.ppm", "vemla.ppm",
                             "7163.ppm"}) {
        ImgPtr img = load(name);
        ASSERT_NE(img, nullptr) << name;
        const Box b = ink_box(img.get(), 0, 0, img->width, img->height);
        EXPECT_EQ(b.x0, 0) << name;
        EXPECT_EQ(b.y0, 0) << name;
        EXPECT_EQ(b.x1, img->width - 1) << name;
        EXPECT_EQ(b.y1, img->height - 1) << name;
    }
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
