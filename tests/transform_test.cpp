// Scaling by run tables and rotation by inverse mapping: hand-made cases, refusals, and slow
// references that follow the four filling orders and the rotation formula pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/support.h"

using kt::first_difference;
using kt::ImgPtr;
using kt::make_img;
using kt::rows;
using kt::Rows;

namespace {

std::vector<int32_t> run_table(int32_t a, int32_t b) {
    int32_t* runs = IMG_run_table(a, b);
    if (!runs) return {};
    const auto n = static_cast<size_t>(std::min(std::llabs(a), std::llabs(b)));
    std::vector<int32_t> out(runs, runs + n);
    std::free(runs);
    return out;
}

uint32_t get(const IMG* img, int32_t index) {
    return IMG_get_pixel(img, index % img->width, index / img->width);
}

void copy_row(IMG* img, int32_t from, int32_t to) {
    for (int32_t x = 0; x < img->width; ++x) IMG_set_pixel(img, x, to, IMG_get_pixel(img, x, from));
}

// Source row r repeated column by column, source column c X[c] times.
void expand(const IMG* src, IMG* dst, const std::vector<int32_t>& x_runs, int32_t r, int32_t t) {
    int32_t x = 0;
    for (int32_t c = 0; c < src->width; ++c)
        for (int32_t k = 0; k < x_runs[static_cast<size_t>(c)]; ++k)
            IMG_set_pixel(dst, x++, t, IMG_get_pixel(src, c, r));
}

// Source index stepped back X[t] per destination column, from destination column W - 1 down.
void shrink_backwards(const IMG* src, IMG* dst, const std::vector<int32_t>& x_runs,
                      int32_t& source_index, int32_t t) {
    for (int32_t x = dst->width - 1; x >= 0; --x) {
        IMG_set_pixel(dst, x, t, get(src, source_index));
        source_index -= x_runs[static_cast<size_t>(x)];
    }
}

// The four filling orders, literally, through the accessors.
ImgPtr ref_scale(const IMG* src, int32_t w, int32_t h) {
    ImgPtr out = make_img(w, h);
    const std::vector<int32_t> xs = run_table(w, src->width), ys = run_table(h, src->height);
    const int32_t sw = src->width, sh = src->height;
    if (w >= sw && h >= sh) {
        int32_t t = 0;
        for (int32_t r = 0; r < sh; ++r) {
            expand(src, out.get(), xs, r, t);
            for (int32_t k = 1; k < ys[static_cast<size_t>(r)]; ++k, ++t)
                copy_row(out.get(), t, t + 1);
            ++t;
        }
    } else if (w < sw && h < sh) {
        int32_t index = sw * sh - 1;
        for (int32_t t = h - 1; t >= 0; --t) {
            shrink_backwards(src, out.get(), xs, index, t);
            index -= (ys[static_cast<size_t>(t)] - 1) * sw;
        }
    } else if (w >= sw) {  // h < sh
        int32_t r = 0;
        for (int32_t t = 0; t < h; ++t) {
            expand(src, out.get(), xs, r, t);
            r += 1 + (ys[static_cast<size_t>(t)] - 1);
        }
    } else {  // w < sw, h >= sh
        int32_t index = sw * sh - 1;
        int32_t t = h - 1;
        for (int32_t r = sh - 1; r >= 0; --r) {
            shrink_backwards(src, out.get(), xs, index, t);
            for (int32_t k = 1; k < ys[static_cast<size_t>(r)]; ++k, --t)
                copy_row(out.get(), t, t - 1);
            --t;
        }
    }
    return out;
}

ImgPtr ref_rotate(const IMG* src, double a) {
    ImgPtr out = make_img(src->width, src->height);
    const double s = std::sin(-a), c = std::cos(a);
    const int32_t cx = src->width / 2, cy = src->height / 2;
    for (int32_t y = 0; y < src->height; ++y)
        for (int32_t x = 0; x < src->width; ++x) {
            const auto u = static_cast<int32_t>(std::trunc((x - cx) * c - (y - cy) * s));
            const auto v = static_cast<int32_t>(std::trunc((x - cx) * s + (y - cy) * c));
            IMG_set_pixel(out.get(), x, y, IMG_get_pixel(src, cx + u, cy + v));
        }
    return out;
}

int32_t from_one_to(std::mt19937& rng, int32_t n) {
    return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)) + 1;
}

ImgPtr numbered(int32_t w, int32_t h) {
    ImgPtr img = make_img(w, h);
    for (int32_t i = 0; i < w * h; ++i) img->pixels[i] = static_cast<uint32_t>(i + 1);
    return img;
}

}  // namespace

// ---------------------------------------------------------------- IMG_run_table

TEST(ImgRunTable, SplitsTheLargerCountIntoRunsThatDifferByAtMostOne) {
    struct Case {
        int32_t a, b;
        std::vector<int32_t> want;
    };
    const Case cases[] = {
        {3, 8, {3, 3, 2}},       {4, 10, {3, 2, 3, 2}}, {3, 4, {2, 1, 1}},
        {5, 5, {1, 1, 1, 1, 1}}, {7, 3, {3, 2, 2}},     {3, 7, {3, 2, 2}},
        {-7, 3, {3, 2, 2}},      {7, -3, {3, 2, 2}},    {1, 9, {9}},
    };
    for (const Case& c : cases) EXPECT_EQ(run_table(c.a, c.b), c.want) << c.a << ", " << c.b;
}

TEST(ImgRunTable, HasAsManyRunsAsTheSmallerCountAddingUpToTheLargerOne) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 2000; ++trial) {
        const int32_t a = from_one_to(rng, 300), b = from_one_to(rng, 300);
        const int32_t big = std::max(a, b), small = std::min(a, b);
        const std::vector<int32_t> runs = run_table(a, b);
        ASSERT_EQ(static_cast<int32_t>(runs.size()), small) << a << ", " << b;
        int32_t sum = 0;
        for (const int32_t r : runs) {
            ASSERT_GE(r, big / small) << a << ", " << b;
            ASSERT_LE(r, (big + small - 1) / small) << a << ", " << b;
            sum += r;
        }
        ASSERT_EQ(sum, big) << a << ", " << b;
    }
}

TEST(ImgRunTable, AZeroCountGivesNoTable) {
    for (auto [a, b] : {std::pair{0, 5}, {5, 0}, {0, 0}, {INT32_MIN, 0}})
        EXPECT_EQ(IMG_run_table(a, b), nullptr) << a << ", " << b;
}

// ---------------------------------------------------------------- IMG_scale

TEST(ImgScale, PicksTheFirstOrLastPixelOfEachRunAsTheFillingOrderLeavesIt) {
    struct Case {
        const char* name;
        Rows src;
        int32_t w, h;
        Rows want;
    };
    const Case cases[] = {
        {"same size", {{1, 2, 3}, {4, 5, 6}}, 3, 2, {{1, 2, 3}, {4, 5, 6}}},
        {"one pixel to 3 x 2", {{7}}, 3, 2, {{7, 7, 7}, {7, 7, 7}}},
        {"4 x 1 to 3 x 1 takes the last column of each run", {{1, 2, 3, 4}}, 3, 1, {{2, 3, 4}}},
        {"1 x 4 to 1 x 3 takes the first row of each run", {{1}, {2}, {3}, {4}}, 1, 3,
         {{1}, {3}, {4}}},
        {"2 x 4 to 1 x 3 takes the last row of each run",
         {{1, 2}, {3, 4}, {5, 6}, {7, 8}}, 1, 3, {{4}, {6}, {8}}},
        {"2 x 2 doubled", {{1, 2}, {3, 4}}, 4, 4,
         {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}}},
        {"3 x 3 to 2 x 5 keeps the last column and repeats rows", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}},
         2, 5, {{2, 3}, {2, 3}, {5, 6}, {5, 6}, {8, 9}}},
    };
    for (const Case& c : cases) {
        ImgPtr src = make_img(c.src);
        kt::StdoutCapture out;
        ImgPtr got(IMG_scale(src.get(), c.w, c.h));
        EXPECT_EQ(out.text(), "") << c.name;
        ASSERT_NE(got, nullptr) << c.name;
        EXPECT_EQ(rows(got.get()), c.want) << c.name;
    }
}

TEST(ImgScale, MatchesTheFourFillingOrdersOverRandomSizes) {
    std::mt19937 rng(2);
    for (int trial = 0; trial < 2000; ++trial) {
        const int32_t sw = from_one_to(rng, 12), sh = from_one_to(rng, 12);
        const int32_t w = from_one_to(rng, 30), h = from_one_to(rng, 30);
        ImgPtr src = numbered(sw, sh);
        ImgPtr got(IMG_scale(src.get(), w, h));
        ASSERT_NE(got, nullptr);
        ImgPtr want = ref_scale(src.get(), w, h);
        ASSERT_EQ(first_difference(want.get(), got.get()), "")
            << "trial " << trial << ": " << sw << "x" << sh << " to " << w << "x" << h;
    }
}

TEST(ImgScale, RefusesNegativeAndEmptySizesWithAReport) {
    ImgPtr src = make_img(3, 3, 1);
    ImgPtr flat = make_img(0, 3);
    ImgPtr thin = make_img(3, 0);
    IMG bare{3, 3, nullptr};
    struct Case {
        const char* name;
        const IMG* src;
        int32_t w, h;
    };
    const Case cases[] = {
        {"new width -1", src.get(), -1, 3},     {"new height -1", src.get(), 3, -1},
        {"new width 0", src.get(), 0, 3},       {"new height 0", src.get(), 3, 0},
        {"source width 0", flat.get(), 3, 3},   {"source height 0", thin.get(), 3, 3},
        {"null source", nullptr, 3, 3},         {"source without pixels", &bare, 3, 3},
        {"more pixels than an image holds", src.get(), 65536, 65536},
    };
    for (const Case& c : cases) {
        kt::StdoutCapture out;
        IMG* got = IMG_scale(c.src, c.w, c.h);
        EXPECT_EQ(got, nullptr) << c.name;
        EXPECT_EQ(out.text(), "IMG error\n") << c.name;
        if (got) IMG_free(&got);
    }
}

// ---------------------------------------------------------------- IMG_rotate

TEST(ImgRotate, ByZeroGivesAnEqualCopyAndPrintsNothing) {
    ImgPtr src = numbered(7, 4);
    kt::StdoutCapture out;
    ImgPtr got(IMG_rotate(src.get(), 0.0));
    EXPECT_EQ(out.text(), "");
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(first_difference(src.get(), got.get()), "");
}

TEST(ImgRotate, APositiveQuarterTurnMovesWhatIsRightOfTheCentreBelowIt) {
    ImgPtr src = make_img(9, 9, 0);
    src->pixels[4 * 9 + 8] = 0xFF0000;  // right of the centre (4, 4)
    kt::StdoutCapture out;
    ImgPtr got(IMG_rotate(src.get(), std::numbers::pi / 2));
    out.text();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->pixels[8 * 9 + 4], 0xFF0000u);
    EXPECT_EQ(got->pixels[4 * 9 + 8], 0u);
}

TEST(ImgRotate, MatchesTheFormulaAndReportsEachUncoveredPixel) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t w = from_one_to(rng, 17), h = from_one_to(rng, 17);
        const double angle = (static_cast<double>(rng() % 20000) - 10000.0) / 1000.0;
        ImgPtr src = numbered(w, h);
        std::string got_text, want_text;
        ImgPtr got, want;
        {
            kt::StdoutCapture out;
            got.reset(IMG_rotate(src.get(), angle));
            got_text = out.text();
        }
        {
            kt::StdoutCapture out;
            want = ref_rotate(src.get(), angle);
            want_text = out.text();
        }
        ASSERT_NE(got, nullptr);
        ASSERT_EQ(first_difference(want.get(), got.get()), "")
            << "trial " << trial << ": " << w << "x" << h << " by " << angle;
        ASSERT_EQ(got_text, want_text)
            << "trial " << trial << ": " << w << "x" << h << " by " << angle;
    }
}

TEST(ImgRotate, TruncatesOffsetsTowardsZeroAndReportsEachUncoveredPixel) {
    struct Case {
        const char* name;
        int32_t w, h;
        double angle;
        Rows want;
        int reports;
    };
    const Case cases[] = {
        // Offsets a hair off an integer: -1.999999999 becomes -1, not -2 (floor) or -2 (round).
        {"a tiny turn", 5, 3, 1e-9, {{6, 7, 3, 3, 4}, {6, 7, 8, 9, 10}, {12, 13, 13, 9, 10}}, 0},
        // The left pixel's source point is (1, 1), below the image.
        {"a quarter turn of 2 x 1", 2, 1, std::numbers::pi / 2, {{0, 2}}, 1},
    };
    for (const Case& c : cases) {
        ImgPtr src = numbered(c.w, c.h);
        kt::StdoutCapture out;
        ImgPtr got(IMG_rotate(src.get(), c.angle));
        const std::string text = out.text();
        ASSERT_NE(got, nullptr) << c.name;
        EXPECT_EQ(rows(got.get()), c.want) << c.name;
        std::string want_text;
        for (int i = 0; i < c.reports; ++i) want_text += "IMG error\n";
        EXPECT_EQ(text, want_text) << c.name;
    }
}

TEST(ImgRotate, RefusesANullOrNegativeSourceAndAnAngleThatIsNotFinite) {
    ImgPtr src = numbered(3, 3);
    const IMG negative{-3, 3, src->pixels};  // a record no library call makes
    for (const auto& [name, img, angle] :
         {std::tuple{"null source", static_cast<const IMG*>(nullptr), 1.0},
          {"NaN", src.get(), std::nan("")},
          {"infinity", src.get(), HUGE_VAL},
          {"negative width", &negative, 0.5}}) {
        kt::StdoutCapture out;
        IMG* got = IMG_rotate(img, angle);
        EXPECT_EQ(got, nullptr) << name;
        EXPECT_EQ(out.text(), "IMG error\n") << name;
        if (got) IMG_free(&got);
    }
}
