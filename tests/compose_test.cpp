// Compositing: keyed rectangle copies, wrapping row copies, AND mask, half blend and fade, each
// checked on hand-made cases and against a slow per-pixel reference over random placements.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <string>

#include "support/support.h"

using kt::first_difference;
using kt::ImgPtr;
using kt::make_img;
using kt::rows;
using kt::Rows;

namespace {

// Fixed seed, and values taken with % so the sequence is the same with every standard library.
class Rng {
public:
    explicit Rng(uint32_t seed) : gen_(seed) {}
    int32_t in(int32_t lo, int32_t hi) {  // lo .. hi inclusive
        return lo + static_cast<int32_t>(gen_() % static_cast<uint32_t>(hi - lo + 1));
    }
    // About a third transparent pixels; the rest with random channels and now and then a set
    // top byte, which the library must pass through or drop exactly as the reference does.
    uint32_t pixel() {
        if (gen_() % 3 == 0) return 0;
        uint32_t p = gen_() & 0xFFFFFFu;
        if (gen_() % 8 == 0) p |= 0xA5000000u;
        return p ? p : 1;
    }
    ImgPtr image(int32_t w, int32_t h) {
        ImgPtr img = make_img(w, h);
        for (int32_t i = 0; i < w * h; ++i) img->pixels[i] = pixel();
        return img;
    }

private:
    std::mt19937 gen_;
};

bool inside(const IMG* img, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < img->width && y < img->height;
}

// References: the written meaning of each operation, one pixel at a time through the accessors.

// Every pixel of the rectangle is a translation from source to destination; it is drawn when it
// lies inside both images and is not the key 0.
void ref_blit_keyed(const IMG* src, IMG* dst, int32_t sx, int32_t sy, int32_t dx, int32_t dy,
                    int32_t w, int32_t h) {
    for (int64_t r = 0; r < h; ++r)
        for (int64_t c = 0; c < w; ++c) {
            const int64_t x0 = sx + c, y0 = sy + r, x1 = dx + c, y1 = dy + r;
            if (!inside(src, x0, y0) || !inside(dst, x1, y1)) continue;
            const uint32_t p =
                IMG_get_pixel(src, static_cast<int32_t>(x0), static_cast<int32_t>(y0));
            if (p) IMG_set_pixel(dst, static_cast<int32_t>(x1), static_cast<int32_t>(y1), p);
        }
}

template <bool keyed>
void ref_blit_row(const IMG* src, IMG* dst, int32_t a, int32_t b, int32_t column) {
    const int64_t dw = dst->width;
    for (int64_t i = 0; i < std::min(src->width, dst->width); ++i) {
        const auto x = static_cast<int32_t>((((column + i) % dw) + dw) % dw);
        const uint32_t s = IMG_get_pixel(src, static_cast<int32_t>(i), a);
        const uint32_t d = IMG_get_pixel(dst, x, b);
        if (keyed) {
            if (s) IMG_set_pixel(dst, x, b, s);
        } else {
            IMG_set_pixel(dst, x, b, d | s);
        }
    }
}

void ref_blit_half(const IMG* src, IMG* dst, int32_t x, int32_t y) {
    for (int64_t r = 0; r < src->height; ++r)
        for (int64_t c = 0; c < src->width; ++c) {
            if (!inside(dst, x + c, y + r)) continue;
            const auto dx = static_cast<int32_t>(x + c), dy = static_cast<int32_t>(y + r);
            const uint32_t s = IMG_get_pixel(src, static_cast<int32_t>(c), static_cast<int32_t>(r));
            const uint32_t d = IMG_get_pixel(dst, dx, dy);
            if (s) IMG_set_pixel(dst, dx, dy, ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F));
        }
}

// Bottom row first, each row right to left, through the accessors.
void ref_fade(IMG* img, uint8_t k) {
    for (int32_t y = img->height - 1; y >= 0; --y)
        for (int32_t x = img->width - 1; x >= 0; --x) {
            const uint32_t p = IMG_get_pixel(img, x, y);
            const int64_t red = std::max<int64_t>(int64_t{p & 0xFF0000} - (int64_t{k} << 16), 0);
            const int64_t green = std::max<int64_t>(int64_t{p & 0xFF00} - (int64_t{k} << 8), 0);
            const int64_t blue = std::max<int64_t>(int64_t{p & 0xFF} - k, 0);
            IMG_set_pixel(img, x, y, static_cast<uint32_t>(red | green | blue));
        }
}

}  // namespace

// ---------------------------------------------------------------- IMG_blit_keyed

TEST(ImgBlitKeyed, ClipsAtTheLeftEdgeAndSkipsZeroPixels) {
    ImgPtr dst = make_img({{1, 1, 1},
                           {1, 1, 1}});
    ImgPtr src = make_img({{5, 0},
                           {0, 7}});
    IMG_blit_keyed(src.get(), dst.get(), 0, 0, -1, 0, 2, 2);
    EXPECT_EQ(rows(dst.get()), (Rows{{1, 1, 1},
                                     {7, 1, 1}}));
}

TEST(ImgBlitKeyed, ClipsASpriteAtEachEdge) {
    // A 10 x 10 sprite whose pixel (x, y) is 100 + 10 y + x, drawn into a 12 x 8 image.
    ImgPtr sprite = make_img(10, 10);
    for (int32_t i = 0; i < 100; ++i) sprite->pixels[i] = static_cast<uint32_t>(100 + i);
    struct Case {
        const char* name;
        int32_t sx, sy, dx, dy, w, h;
        int32_t want_sx, want_sy, want_dx, want_dy, want_w, want_h;  // drawn part
    };
    const Case cases[] = {
        {"upper-left corner off", 0, 0, -3, -4, 10, 10, 3, 4, 0, 0, 7, 6},
        {"two columns left at the right edge", 0, 0, 10, 0, 10, 10, 0, 0, 10, 0, 2, 8},
        {"bottom edge", 0, 0, 1, 5, 10, 10, 0, 0, 1, 5, 10, 3},
        {"negative source corner", -2, 0, 5, 0, 6, 1, 0, 0, 7, 0, 4, 1},
        {"negative source row", 0, -3, 0, 0, 2, 5, 0, 0, 0, 3, 2, 2},
        {"source rectangle past the source's right edge", 8, 0, 0, 0, 5, 2, 8, 0, 0, 0, 2, 2},
        {"source rectangle past the source's bottom edge", 0, 7, 0, 0, 1, 6, 0, 7, 0, 0, 1, 3},
        {"clipping the destination pushes the source corner off it", 5, 0, -10, 0, 20, 1, 0, 0,
         0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ImgPtr dst = make_img(12, 8, 1);
        ImgPtr want = make_img(12, 8, 1);
        for (int32_t r = 0; r < c.want_h; ++r)
            for (int32_t k = 0; k < c.want_w; ++k)
                want->pixels[(c.want_dy + r) * 12 + c.want_dx + k] =
                    static_cast<uint32_t>(100 + (c.want_sy + r) * 10 + c.want_sx + k);
        kt::StdoutCapture out;
        IMG_blit_keyed(sprite.get(), dst.get(), c.sx, c.sy, c.dx, c.dy, c.w, c.h);
        EXPECT_EQ(out.text(), "") << c.name;
        EXPECT_EQ(first_difference(want.get(), dst.get()), "") << c.name;
    }
}

TEST(ImgBlitKeyed, AnAllZeroSpriteLeavesTheDestinationUnchanged) {
    ImgPtr sprite = make_img(5, 5, 0);
    ImgPtr dst = kt::make_img({{3, 4, 5}, {6, 7, 8}});
    IMG_blit_keyed(sprite.get(), dst.get(), 0, 0, -1, -1, 5, 5);
    EXPECT_EQ(rows(dst.get()), (Rows{{3, 4, 5}, {6, 7, 8}}));
}

TEST(ImgBlitKeyed, CoordinatesNearTheIntegerLimitsDrawNothingOrTheRightPart) {
    ImgPtr sprite = make_img(4, 4, 9);
    struct Case {
        const char* name;
        int32_t sx, sy, dx, dy, w, h;
        int32_t drawn;  // pixels set to 9
    };
    const Case cases[] = {
        {"destination x at the maximum", 0, 0, INT32_MAX, 0, 4, 4, 0},
        {"destination x at the minimum", 0, 0, INT32_MIN, 0, INT32_MAX, 4, 0},
        {"width at the maximum", 0, 0, 0, 0, INT32_MAX, INT32_MAX, 16},
        {"width and corner at the minimum", INT32_MIN, INT32_MIN, 0, 0, INT32_MAX, INT32_MAX, 0},
        {"source corner at the maximum", INT32_MAX, 0, 0, 0, 4, 4, 0},
        {"destination far left, huge width", 0, 0, -2000000000, 0, INT32_MAX, 4, 0},
        {"source far left, huge width", -2000000000, 0, 0, 0, INT32_MAX, 4, 0},
        {"source far left, destination far left", -2000000000, 0, -2000000000, 0, 2000000003,
         4, 12},
    };
    for (const Case& c : cases) {
        ImgPtr dst = make_img(6, 6, 0);
        kt::StdoutCapture out;
        IMG_blit_keyed(sprite.get(), dst.get(), c.sx, c.sy, c.dx, c.dy, c.w, c.h);
        EXPECT_EQ(out.text(), "") << c.name;
        EXPECT_EQ(std::count(dst->pixels, dst->pixels + 36, 9u), c.drawn) << c.name;
    }
}

TEST(ImgBlitKeyed, MatchesThePerPixelReferenceOverRandomPlacements) {
    Rng rng(4417);
    for (int trial = 0; trial < 3000; ++trial) {
        ImgPtr src = rng.image(rng.in(0, 20), rng.in(0, 20));
        ImgPtr dst = rng.image(rng.in(0, 30), rng.in(0, 24));
        ImgPtr want(IMG_clone(dst.get()));
        const int32_t sx = rng.in(-25, 25), sy = rng.in(-25, 25);
        const int32_t dx = rng.in(-35, 35), dy = rng.in(-30, 30);
        const int32_t w = rng.in(-3, 30), h = rng.in(-3, 30);
        // Now and then the image is copied onto itself: overlapping rows must give what the
        // pixel-by-pixel order gives.
        const bool self = trial % 7 == 0;
        IMG_blit_keyed(self ? dst.get() : src.get(), dst.get(), sx, sy, dx, dy, w, h);
        ref_blit_keyed(self ? want.get() : src.get(), want.get(), sx, sy, dx, dy, w, h);
        ASSERT_EQ(first_difference(want.get(), dst.get()), "")
            << "trial " << trial << (self ? " onto itself" : "") << ": source " << src->width
            << "x" << src->height << " at (" << sx << ", " << sy << ") size " << w << "x" << h
            << " to (" << dx << ", " << dy << ") in " << dst->width << "x" << dst->height;
    }
}

TEST(ImgBlitKeyed, ReportsNullImagesAndMissingArraysButNotRectanglesOffTheImages) {
    ImgPtr img = make_img(4, 4, 1);
    IMG bare{4, 4, nullptr};
    kt::StdoutCapture out;
    IMG_blit_keyed(nullptr, img.get(), 0, 0, 0, 0, 2, 2);
    IMG_blit_keyed(img.get(), nullptr, 0, 0, 0, 0, 2, 2);
    IMG_blit_keyed(&bare, img.get(), 0, 0, 0, 0, 2, 2);
    IMG_blit_keyed(img.get(), &bare, 0, 0, 0, 0, 2, 2);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\nIMG error\nIMG error\n");
    kt::StdoutCapture quiet;
    IMG_blit_keyed(img.get(), img.get(), 0, 0, 4, 0, 2, 2);
    IMG_blit_keyed(img.get(), img.get(), 0, 0, -3, 0, 2, 2);
    IMG_blit_keyed(img.get(), img.get(), 4, 0, 0, 0, 2, 2);
    IMG_blit_keyed(img.get(), img.get(), 0, -3, 0, 0, 2, 2);
    EXPECT_EQ(quiet.text(), "");
}

// ---------------------------------------------------------------- row copies

TEST(ImgBlitRow, WrapsPastTheRightEdgeForAnyColumn) {
    // Source pixel i is i + 1, 40 of them; the destination row is 320 wide.
    ImgPtr src = make_img(40, 1);
    for (uint32_t i = 0; i < 40; ++i) src->pixels[i] = i + 1;
    for (const int32_t column : {300, -20, 320, 0, 640, -340, 319, -1, INT32_MIN, INT32_MAX}) {
        ImgPtr dst = make_img(320, 2, 0);
        IMG_blit_row_keyed(src.get(), dst.get(), 0, 1, column);
        const int64_t start = ((int64_t{column} % 320) + 320) % 320;
        for (int64_t i = 0; i < 40; ++i)
            ASSERT_EQ(dst->pixels[320 + (start + i) % 320], static_cast<uint32_t>(i + 1))
                << "column " << column << ", source pixel " << i;
        EXPECT_EQ(std::count(dst->pixels, dst->pixels + 640, 0u), 640 - 40) << "column " << column;
    }
}

TEST(ImgBlitRow, ASourceRowWiderThanTheDestinationCopiesOnlyTheDestinationWidth) {
    ImgPtr src = make_img({{1, 2, 3, 4, 5, 6}});
    ImgPtr dst = make_img(4, 1, 0);
    IMG_blit_row_keyed(src.get(), dst.get(), 0, 0, 1);
    EXPECT_EQ(rows(dst.get()), (Rows{{4, 1, 2, 3}}));
}

TEST(ImgBlitRow, KeyedSkipsZeroPixelsAndOrCombinesEveryPixel) {
    ImgPtr src = make_img({{0x00FF00, 0, 0x0000F0}});
    ImgPtr keyed = make_img({{0x110000, 0x220000, 0x330000, 0x440000}});
    ImgPtr ored(IMG_clone(keyed.get()));
    IMG_blit_row_keyed(src.get(), keyed.get(), 0, 0, 2);
    IMG_blit_row_or(src.get(), ored.get(), 0, 0, 2);
    EXPECT_EQ(rows(keyed.get()), (Rows{{0x0000F0, 0x220000, 0x00FF00, 0x440000}}));
    EXPECT_EQ(rows(ored.get()), (Rows{{0x1100F0, 0x220000, 0x33FF00, 0x440000}}));
}

TEST(ImgBlitRow, MatchesThePerPixelReferenceOverRandomPlacements) {
    Rng rng(7163);
    for (int trial = 0; trial < 3000; ++trial) {
        const bool keyed = trial % 2 == 0;
        ImgPtr src = rng.image(rng.in(0, 40), rng.in(1, 3));
        ImgPtr dst = rng.image(rng.in(1, 30), rng.in(1, 3));
        ImgPtr want(IMG_clone(dst.get()));
        // Every fifth trial copies a row of the destination into itself, often the same row.
        const bool self = trial % 5 == 0;
        const IMG* s = self ? dst.get() : src.get();
        const IMG* ref_s = self ? want.get() : src.get();
        const int32_t a = rng.in(0, s->height - 1), b = rng.in(0, dst->height - 1);
        const int32_t column = trial % 50 == 1 ? INT32_MIN + rng.in(0, 100) : rng.in(-100, 100);
        if (keyed) {
            IMG_blit_row_keyed(s, dst.get(), a, b, column);
            ref_blit_row<true>(ref_s, want.get(), a, b, column);
        } else {
            IMG_blit_row_or(s, dst.get(), a, b, column);
            ref_blit_row<false>(ref_s, want.get(), a, b, column);
        }
        ASSERT_EQ(first_difference(want.get(), dst.get()), "")
            << "trial " << trial << (keyed ? " keyed" : " or") << (self ? " onto itself" : "")
            << ": source row " << a << " of "
            << s->width << "x" << s->height << " to row " << b << " column " << column
            << " of " << dst->width << "x" << dst->height;
    }
}

TEST(ImgBlitRow, RefusesBadRowsEmptyDestinationsAndMissingImagesWithAReport) {
    ImgPtr src = make_img(3, 2, 5);
    ImgPtr dst = make_img(3, 2, 0);
    ImgPtr flat = make_img(0, 2);
    IMG bare{3, 2, nullptr};
    struct Case {
        const char* name;
        const IMG* s;
        IMG* d;
        int32_t a, b;
    };
    const Case cases[] = {
        {"source row equal to the source height", src.get(), dst.get(), 2, 0},
        {"destination row equal to the destination height", src.get(), dst.get(), 0, 2},
        {"negative source row", src.get(), dst.get(), -1, 0},
        {"negative destination row", src.get(), dst.get(), 0, -1},
        {"destination 0 pixels wide", src.get(), flat.get(), 0, 0},
        {"null source", nullptr, dst.get(), 0, 0},
        {"null destination", src.get(), nullptr, 0, 0},
        {"source without pixels", &bare, dst.get(), 0, 0},
        {"destination without pixels", src.get(), &bare, 0, 0},
    };
    for (const Case& c : cases)
        for (const bool keyed : {true, false}) {
            kt::StdoutCapture out;
            if (keyed)
                IMG_blit_row_keyed(c.s, c.d, c.a, c.b, 1);
            else
                IMG_blit_row_or(c.s, c.d, c.a, c.b, 1);
            EXPECT_EQ(out.text(), "IMG error\n") << c.name << (keyed ? " (keyed)" : " (or)");
            EXPECT_EQ(std::count(dst->pixels, dst->pixels + 6, 0u), 6) << c.name;
        }
}

// ---------------------------------------------------------------- IMG_and_mask

TEST(ImgAndMask, AndsPixelsOfTheSameIndexWhateverTheWidths) {
    ImgPtr mask = make_img({{0xFF00FF, 0x00FF00, 0}, {0xFFFFFF, 0x0F0F0F, 0xF0F0F0}});
    ImgPtr dst = make_img({{0x123456, 0x123456}, {0x123456, 0x123456}, {0x123456, 0x123456}});
    IMG_and_mask(mask.get(), dst.get());
    EXPECT_EQ(rows(dst.get()),
              (Rows{{0x120056, 0x003400}, {0, 0x123456}, {0x020406, 0x103050}}));
}

TEST(ImgAndMask, OnlyThePixelsBothImagesHoldAreProcessed) {
    struct Case {
        const char* name;
        int32_t mw, mh, dw, dh;
    };
    const Case cases[] = {
        {"destination smaller than the mask", 4, 4, 3, 2},
        {"destination larger than the mask", 2, 2, 3, 3},
        {"empty mask", 0, 4, 3, 3},
        {"empty destination", 3, 3, 0, 0},
    };
    for (const Case& c : cases) {
        ImgPtr mask = make_img(c.mw, c.mh, 0);
        ImgPtr dst = make_img(c.dw, c.dh, 7);
        kt::StdoutCapture out;
        IMG_and_mask(mask.get(), dst.get());
        EXPECT_EQ(out.text(), "") << c.name;
        const int32_t common = std::min(c.mw * c.mh, c.dw * c.dh);
        for (int32_t i = 0; i < c.dw * c.dh; ++i)
            ASSERT_EQ(dst->pixels[i], i < common ? 0u : 7u) << c.name << ", pixel " << i;
    }
}

TEST(ImgAndMask, MatchesThePerPixelReferenceOnRandomImages) {
    Rng rng(1526);
    for (int trial = 0; trial < 500; ++trial) {
        ImgPtr mask = rng.image(rng.in(0, 20), rng.in(0, 20));
        ImgPtr dst = rng.image(rng.in(0, 20), rng.in(0, 20));
        ImgPtr want(IMG_clone(dst.get()));
        const int32_t n = std::min(mask->width * mask->height, dst->width * dst->height);
        for (int32_t i = n - 1; i >= 0; --i) {
            const int32_t x = i % want->width, y = i / want->width;
            IMG_set_pixel(want.get(), x, y,
                          IMG_get_pixel(want.get(), x, y) &
                              IMG_get_pixel(mask.get(), i % mask->width, i / mask->width));
        }
        IMG_and_mask(mask.get(), dst.get());
        ASSERT_EQ(first_difference(want.get(), dst.get()), "") << "trial " << trial;
    }
}

TEST(ImgAndMask, ReportsNullImagesAndMissingArrays) {
    ImgPtr img = make_img(2, 2, 3);
    IMG bare{2, 2, nullptr};
    kt::StdoutCapture out;
    IMG_and_mask(nullptr, img.get());
    IMG_and_mask(img.get(), nullptr);
    IMG_and_mask(&bare, img.get());
    IMG_and_mask(img.get(), &bare);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\nIMG error\nIMG error\n");
    EXPECT_EQ(rows(img.get()), (Rows{{3, 3}, {3, 3}}));
}

// ---------------------------------------------------------------- IMG_blit_half

TEST(ImgBlitHalf, HalvesEachChannelOfBothPixelsBeforeAdding) {
    struct Case {
        uint32_t s, d, want;
    };
    const Case cases[] = {
        {0xFFFFFF, 0x000000, 0x7F7F7F},
        {0xFFFFFF, 0xFFFFFF, 0xFEFEFE},
        {0, 0x123456, 0x123456},
        {0x010101, 0x010101, 0},
        {0xFF808080, 0xFF000000, 0x404040},
    };
    for (const Case& c : cases) {
        ImgPtr src = make_img({{c.s}});
        ImgPtr dst = make_img({{c.d}});
        IMG_blit_half(src.get(), dst.get(), 0, 0);
        EXPECT_EQ(dst->pixels[0], c.want) << std::hex << "source 0x" << c.s << " over 0x" << c.d;
    }
}

TEST(ImgBlitHalf, MatchesThePerPixelReferenceOverRandomPlacements) {
    Rng rng(2024);
    for (int trial = 0; trial < 3000; ++trial) {
        ImgPtr src = rng.image(rng.in(0, 20), rng.in(0, 20));
        ImgPtr dst = rng.image(rng.in(0, 30), rng.in(0, 24));
        ImgPtr want(IMG_clone(dst.get()));
        const int32_t x = rng.in(-25, 35), y = rng.in(-25, 30);
        const bool self = trial % 7 == 0;
        IMG_blit_half(self ? dst.get() : src.get(), dst.get(), x, y);
        ref_blit_half(self ? want.get() : src.get(), want.get(), x, y);
        ASSERT_EQ(first_difference(want.get(), dst.get()), "")
            << "trial " << trial << (self ? " onto itself" : "") << ": source " << src->width
            << "x" << src->height << " at ("
            << x << ", " << y << ") in " << dst->width << "x" << dst->height;
    }
}

TEST(ImgBlitHalf, PositionsNearTheIntegerLimitsDrawNothing) {
    ImgPtr src = make_img(3, 3, 0xFFFFFF);
    for (auto [x, y] : {std::pair{INT32_MIN, 0}, {0, INT32_MIN}, {INT32_MAX, 0}, {0, INT32_MAX},
                        {INT32_MIN, INT32_MAX}}) {
        ImgPtr dst = make_img(4, 4, 0);
        kt::StdoutCapture out;
        IMG_blit_half(src.get(), dst.get(), x, y);
        EXPECT_EQ(out.text(), "") << x << ", " << y;
        EXPECT_EQ(std::count(dst->pixels, dst->pixels + 16, 0u), 16) << x << ", " << y;
    }
}

TEST(ImgBlitHalf, ReportsNullImagesAndMissingArrays) {
    ImgPtr img = make_img(2, 2, 8);
    IMG bare{2, 2, nullptr};
    kt::StdoutCapture out;
    IMG_blit_half(nullptr, img.get(), 0, 0);
    IMG_blit_half(img.get(), nullptr, 0, 0);
    IMG_blit_half(&bare, img.get(), 0, 0);
    IMG_blit_half(img.get(), &bare, 0, 0);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\nIMG error\nIMG error\n");
    EXPECT_EQ(rows(img.get()), (Rows{{8, 8}, {8, 8}}));
}

// ---------------------------------------------------------------- IMG_fade_step

TEST(ImgFadeStep, LowersEachChannelDownToZeroAndClearsTheTopByte) {
    struct Case {
        uint32_t p;
        uint8_t k;
        uint32_t want;
    };
    const Case cases[] = {
        {0x010203, 2, 0x000001}, {0x00FF80, 2, 0x00FD7E}, {0xFF123456, 0, 0x123456},
        {0xFFFFFF, 255, 0},      {0x808080, 128, 0},      {0x818283, 128, 0x010203},
    };
    for (const Case& c : cases) {
        ImgPtr img = make_img({{c.p}});
        IMG_fade_step(img.get(), c.k);
        EXPECT_EQ(img->pixels[0], c.want) << std::hex << "0x" << c.p << " less " << int{c.k};
    }
}

TEST(ImgFadeStep, OneHundredTwentyEightStepsOfTwoTakeWhiteToBlack) {
    ImgPtr img = make_img(3, 2, 0xFFFFFF);
    for (int i = 0; i < 127; ++i) IMG_fade_step(img.get(), 2);
    EXPECT_EQ(img->pixels[5], 0x010101u);
    IMG_fade_step(img.get(), 2);
    EXPECT_EQ(rows(img.get()), (Rows{{0, 0, 0}, {0, 0, 0}}));
}

TEST(ImgFadeStep, MatchesTheAccessorLoopOnRandomImagesAndAmounts) {
    Rng rng(256);
    for (int trial = 0; trial < 300; ++trial) {
        ImgPtr img = rng.image(rng.in(0, 40), rng.in(0, 30));
        ImgPtr want(IMG_clone(img.get()));
        const auto k = static_cast<uint8_t>(rng.in(0, 255));
        IMG_fade_step(img.get(), k);
        ref_fade(want.get(), k);
        ASSERT_EQ(first_difference(want.get(), img.get()), "")
            << "trial " << trial << ", amount " << int{k};
    }
}

TEST(ImgFadeStep, ReportsANullImageOrAMissingArrayOnce) {
    IMG bare{2, 2, nullptr};
    kt::StdoutCapture out;
    IMG_fade_step(nullptr, 2);
    IMG_fade_step(&bare, 2);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\n");
}
