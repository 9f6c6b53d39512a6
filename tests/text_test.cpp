// The image's text form: writer layout and allocation, reader leniency and refusals, search.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/support.h"

using kt::ImgPtr;
using kt::make_img;
using kt::Rows;

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using TextPtr = std::unique_ptr<char, FreeDeleter>;

std::string to_text(const IMG* img) {
    TextPtr text(IMG_to_text(img));
    return text ? std::string(text.get()) : std::string("(null)");
}

// Reads from a heap block holding exactly the text and its zero byte, so a sanitizer build
// catches any read past the zero byte.
ImgPtr from_text(const std::string& text) {
    std::vector<char> block(text.c_str(), text.c_str() + text.size() + 1);
    block.shrink_to_fit();
    return ImgPtr(IMG_from_text(block.data()));
}

int64_t allocation_for(int64_t n) { return n == 0 ? 6 : 12 * n + n / 6 + 29; }

}  // namespace

TEST(ImgToText, OnePixelIsTheHeaderThreeFieldsAndTheClosingBrace) {
    ImgPtr img = make_img({{0xFF8000}});
    EXPECT_EQ(to_text(img.get()), "IMG{\nP3\n1 1\n255\n255 128   0\n}\n");
}

TEST(ImgToText, SixPixelsFillALineAndTheSeventhStartsAnother) {
    ImgPtr six = make_img({{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}});
    EXPECT_EQ(to_text(six.get()),
              "IMG{\nP3\n6 1\n255\n"
              "  1   2   3   4   5   6   7   8   9  10  11  12  13  14  15  16  17  18\n"
              "}\n");
    ImgPtr seven = make_img({{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112,
                              0xFFFEFD}});
    EXPECT_EQ(to_text(seven.get()),
              "IMG{\nP3\n7 1\n255\n"
              "  1   2   3   4   5   6   7   8   9  10  11  12  13  14  15  16  17  18\n"
              "255 254 253\n"
              "}\n");
}

TEST(ImgToText, LinesFollowPixelNumbersNotRows) {
    ImgPtr img = make_img(4, 2, 0x000100);
    EXPECT_EQ(to_text(img.get()),
              "IMG{\nP3\n4 2\n255\n"
              "  0   1   0   0   1   0   0   1   0   0   1   0   0   1   0   0   1   0\n"
              "  0   1   0   0   1   0\n"
              "}\n");
}

TEST(ImgToText, TopByteIsNotWritten) {
    ImgPtr img = make_img({{0xAB0A0B0C}});
    EXPECT_EQ(to_text(img.get()), "IMG{\nP3\n1 1\n255\n 10  11  12\n}\n");
}

TEST(ImgToText, ImageWithoutPixelsIsTheBareMarkerInSixBytes) {
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {0, 0}}) {
        ImgPtr img = make_img(w, h);
        kt::StdoutCapture out;
        TextPtr text(IMG_to_text(img.get()));
        ASSERT_NE(text, nullptr) << w << "x" << h;
        EXPECT_STREQ(text.get(), "IMG{}") << w << "x" << h;
        EXPECT_GE(malloc_usable_size(text.get()), 6u) << w << "x" << h;
        EXPECT_EQ(out.text(), "") << w << "x" << h;
    }
}

// The text always fits its allocation of 12 n + n / 6 + 29 bytes, also when the width or
// the height has many digits and n is small.
TEST(ImgToText, TextFitsTheAllocationForEveryShape) {
    const std::pair<int32_t, int32_t> shapes[] = {{1, 1},   {2, 1},      {5, 1},    {6, 1},
                                                  {7, 1},   {1, 7},      {12, 1},   {13, 1},
                                                  {47, 1},  {1, 99},     {100, 1},  {1, 1000},
                                                  {999, 3}, {100000, 1}, {1, 100000}, {320, 240}};
    for (auto [w, h] : shapes) {
        ImgPtr img = make_img(w, h, 0xFFFFFF);
        const int64_t n = int64_t{w} * h;
        TextPtr text(IMG_to_text(img.get()));
        ASSERT_NE(text, nullptr) << w << "x" << h;
        const auto length = static_cast<int64_t>(std::strlen(text.get()));
        const std::string header = "IMG{\nP3\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
        EXPECT_EQ(length, static_cast<int64_t>(header.size()) + 12 * n + 2) << w << "x" << h;
        EXPECT_LE(length + 1, allocation_for(n)) << w << "x" << h;
        EXPECT_GE(static_cast<int64_t>(malloc_usable_size(text.get())), allocation_for(n))
            << w << "x" << h;
        EXPECT_EQ(std::string(text.get(), header.size()), header) << w << "x" << h;
        EXPECT_EQ(std::string(text.get() + length - 2), "}\n") << w << "x" << h;
    }
}

TEST(ImgToText, RefusesNullImageAndMissingPixels) {
    ImgPtr no_pixels = make_img(2, 2);
    std::free(no_pixels->pixels);
    no_pixels->pixels = nullptr;
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_to_text(nullptr), nullptr);
    EXPECT_EQ(IMG_to_text(no_pixels.get()), nullptr);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\n");
}

TEST(ImgFromText, RoundTripsEveryShape) {
    std::mt19937 rng(4417);
    const std::pair<int32_t, int32_t> shapes[] = {{1, 1}, {6, 1}, {7, 1}, {1, 7}, {7, 3},
                                                  {13, 5}, {64, 1}, {3, 40}};
    for (auto [w, h] : shapes) {
        ImgPtr img = make_img(w, h);
        for (int32_t i = 0; i < w * h; ++i) img->pixels[i] = static_cast<uint32_t>(rng()) & 0xFFFFFF;
        img->pixels[0] = 0;
        kt::StdoutCapture out;
        ImgPtr back = from_text(to_text(img.get()));
        ASSERT_NE(back, nullptr) << w << "x" << h;
        EXPECT_EQ(IMG_equal(img.get(), back.get()), 1) << w << "x" << h;
        EXPECT_EQ(out.text(), "") << w << "x" << h;
    }
}

TEST(ImgFromText, ReadsLenientlyWhatLiesAroundAndBetweenTheValues) {
    const std::pair<const char*, Rows> cases[] = {
        {"A sentence first. IMG{\nP3\n1 1\n255\n255 128   0\n}\n", {{0xFF8000}}},
        {"IMG{\nP3\n1 1\n255\n255 128   0\n}\nIMG{\nP3\n1 1\n255\n1 1 1\n}\n", {{0xFF8000}}},
        {"IMG and then { and then P3\n2 1\n255\n1,2,3;4 x 5 y 6", {{0x010203, 0x040506}}},
        {"IMG{P3\n2x1y9z7 8 9 10 11 12", {{0x070809, 0x0A0B0C}}},
        {"IMG{ P3 P3\n1 1\n255\n1 2 3", {{0x010203}}},
        {"IMG{\nP3\n1 1\n255\n1 256 2", {{0x010000 | 0x010000 | 2}}},
        {"IMG{\nP3\n1 1\n255\n4294967297 0 0", {{0x010000}}},
        {"IMG{\nP3\n1 1\n255\n-1 +2 3", {{0x010203}}},
        {"IMG{\nP3\n1 1\n2557 7 7 7", {{0x070707}}},  // the maxval does not scale
        {"IMG{\nP3\n0 5\n255\n", Rows{}},
    };
    for (const auto& [text, want] : cases) {
        kt::StdoutCapture out;
        ImgPtr img = from_text(text);
        ASSERT_NE(img, nullptr) << text;
        if (want.empty()) {
            EXPECT_EQ(img->width, 0) << text;
            EXPECT_EQ(img->height, 5) << text;
        } else {
            EXPECT_EQ(kt::rows(img.get()), want) << text;
        }
        EXPECT_EQ(out.text(), "") << text;
    }
}

TEST(ImgFromText, RefusesMissingMarkersShortTextsAndHugeSizes) {
    const std::pair<const char*, std::string> cases[] = {
        {"no IMG", "P3\n1 1\n255\n1 2 3"},
        {"no { after IMG", "{ IMG P3\n1 1\n255\n1 2 3"},
        {"no P3 newline after {", "IMG{ P3 1 1 255 1 2 3"},
        {"empty image text", "IMG{}"},
        {"empty string", ""},
        {"ends after the width", "IMG{\nP3\n1"},
        {"ends after the height", "IMG{\nP3\n1 1"},
        {"ends after the maxval", "IMG{\nP3\n1 1\n255"},
        {"no values", "IMG{\nP3\n1 1\n255\n"},
        {"a value missing", "IMG{\nP3\n2 1\n255\n1 2 3 4 5 }\n"},
        {"width times height above the read limit", "IMG{\nP3\n4097 4097\n255\n"},
        {"width overflowing 32 bits", "IMG{\nP3\n4294967297 1\n255\n1 2 3"},
        {"height overflowing 64 bits", "IMG{\nP3\n1 99999999999999999999999\n255\n1 2 3"},
        {"product overflowing 32 bits", "IMG{\nP3\n65536 65536\n255\n1 2 3"},
    };
    for (const auto& [what, text] : cases) {
        kt::StdoutCapture out;
        ImgPtr img = from_text(text);
        EXPECT_EQ(img, nullptr) << what;
        EXPECT_EQ(out.text(), "IMG error\n") << what;
    }
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_from_text(nullptr), nullptr);
    EXPECT_EQ(out.text(), "IMG error\n");
}

// A text cut anywhere before the digits of its last value fails, never reading past its end.
TEST(ImgFromText, EveryPrefixBeforeTheLastValueFails) {
    ImgPtr img = make_img({{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x0A0B0C}});
    const std::string whole = to_text(img.get());
    const char* digits = "0123456789";
    const size_t last_start = whole.find_last_not_of(digits, whole.find_last_of(digits)) + 1;
    for (size_t len = 0; len <= last_start; ++len) {
        kt::StdoutCapture out;
        ImgPtr back = from_text(whole.substr(0, len));
        EXPECT_EQ(back, nullptr) << "cut to " << len;
        EXPECT_EQ(out.text(), "IMG error\n") << "cut to " << len;
    }
    ImgPtr back = from_text(whole.substr(0, last_start + 2));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(IMG_equal(img.get(), back.get()), 1);
}

// The reader faces arbitrary text: mutated forms must give an image or fail with one report.
TEST(ImgFromText, SurvivesMutatedText) {
    std::mt19937 rng(7163);
    ImgPtr img = make_img({{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x0A0B0C}});
    const std::string seed = to_text(img.get());
    for (int round = 0; round < 3000; ++round) {
        std::string text = seed;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0: text[at] = static_cast<char>(rng()); break;
            case 1: text.erase(at, 1); break;
            default: text.resize(at); break;
            }
        }
        kt::StdoutCapture out;
        ImgPtr back = from_text(text);
        const std::string said = out.text();
        if (back)
            EXPECT_EQ(said, "") << "round " << round;
        else
            EXPECT_EQ(said, "IMG error\n") << "round " << round;
    }
}

TEST(ImgFindAfter, ReturnsTheIndexPastTheFirstMatch) {
    struct Case {
        const char* text;
        const char* pattern;
        int32_t want;
    };
    const Case cases[] = {
        {"xIMG", "IMG", 4},   {"IMG", "IMG", 3},     {"no brace", "{", 0},
        {"abc", "", 0},       {"", "", 0},           {"", "a", 0},
        {"aab", "ab", 3},     {"IMIMG{", "IMG", 5},  {"IMG IMG", "IMG", 3},
        {"IM", "IMG", 0},     {"P3 P3\n", "P3\n", 6},
    };
    kt::StdoutCapture out;
    for (const Case& c : cases)
        EXPECT_EQ(IMG_find_after(c.text, c.pattern), c.want) << '"' << c.text << "\" / \"" << c.pattern << '"';
    EXPECT_EQ(out.text(), "");
}

TEST(ImgFindAfter, NullArgumentsReport) {
    kt::StdoutCapture out;
    EXPECT_EQ(IMG_find_after(nullptr, "IMG"), 0);
    EXPECT_EQ(IMG_find_after("IMG", nullptr), 0);
    EXPECT_EQ(out.text(), "IMG error\nIMG error\n");
}
