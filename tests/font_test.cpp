// Bitmap font: glyph cells on the sheet, hexadecimal numbers, lines of text, misuse.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "fx/font.h"
#include "support/support.h"

using kt::ImgPtr;
using kt::make_img;
using kt::rows;
using kt::Rows;

namespace {

struct FontDeleter {
    void operator()(FONT* font) const { FONT_free(&font); }
};
using FontPtr = std::unique_ptr<FONT, FontDeleter>;

constexpr int32_t kGlyphW = 3;
constexpr int32_t kGlyphH = 2;
constexpr int32_t kPerRow = 16;
constexpr int32_t kRows = 8;  // codes 0..127

constexpr uint32_t code_colour(int32_t code) { return 0x100000u + static_cast<uint32_t>(code); }

// A sheet whose every glyph cell is filled with a colour naming its code.
FontPtr make_coded_font() {
    FontPtr font(FONT_new());
    font->glyph_w = kGlyphW;
    font->glyph_h = kGlyphH;
    ImgPtr sheet = make_img(kGlyphW * kPerRow, kGlyphH * kRows);
    for (int32_t y = 0; y < sheet->height; ++y)
        for (int32_t x = 0; x < sheet->width; ++x)
            sheet->pixels[y * sheet->width + x] = code_colour((y / kGlyphH) * kPerRow + x / kGlyphW);
    font->sheet = sheet.release();
    return font;
}

// The codes of the glyphs drawn side by side from (x, y): reads each cell's top-left pixel,
// and checks the whole cell holds that one colour.
std::vector<int32_t> drawn_codes(const IMG* target, int32_t x, int32_t y, int32_t cells) {
    std::vector<int32_t> codes;
    for (int32_t i = 0; i < cells; ++i) {
        const int32_t cx = x + i * kGlyphW;
        const uint32_t p = target->pixels[y * target->width + cx];
        for (int32_t r = 0; r < kGlyphH; ++r)
            for (int32_t c = 0; c < kGlyphW; ++c)
                EXPECT_EQ(target->pixels[(y + r) * target->width + cx + c], p)
                    << "cell " << i << " pixel " << c << ", " << r;
        codes.push_back(p == 0 ? -1 : static_cast<int32_t>(p - 0x100000u));
    }
    return codes;
}

bool all_zero(const IMG* img) {
    for (int32_t i = 0; i < img->width * img->height; ++i)
        if (img->pixels[i] != 0) return false;
    return true;
}

}  // namespace

TEST(FontLifeCycle, NewFontHasSixBySixCellsAndNoSheet) {
    FontPtr font(FONT_new());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyph_w, 6);
    EXPECT_EQ(font->glyph_h, 6);
    EXPECT_EQ(font->sheet, nullptr);
    ImgPtr target = make_img(8, 8);
    kt::StdoutCapture out;
    FONT_draw_char(font.get(), 'A', 0, 0, target.get());
    FONT_draw_line(font.get(), "AB\n", 0, 0, target.get());
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(all_zero(target.get()));
}

TEST(FontLifeCycle, FreeReleasesTheSheetNullsThePointerAndStaysSilent) {
    FONT* font = make_coded_font().release();
    kt::StdoutCapture out;
    FONT_free(&font);
    EXPECT_EQ(font, nullptr);
    FONT_free(&font);
    FONT_free(nullptr);
    EXPECT_EQ(out.text(), "");
}

TEST(FontDraw, GlyphCellOfAOnA240WideSheet) {
    FontPtr font(FONT_new());
    font->glyph_w = 15;
    font->glyph_h = 26;
    // Every sheet pixel names its own position, so the copy shows where it came from.
    ImgPtr sheet = make_img(240, 26 * 8);
    for (int32_t y = 0; y < sheet->height; ++y)
        for (int32_t x = 0; x < 240; ++x)
            sheet->pixels[y * 240 + x] = static_cast<uint32_t>((y << 12) | x) + 1;
    font->sheet = sheet.release();
    ImgPtr target = make_img(20, 30);
    FONT_draw_char(font.get(), 'A', 2, 3, target.get());
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const bool in_cell = x >= 2 && x < 17 && y >= 3 && y < 29;
            const uint32_t want =
                in_cell ? static_cast<uint32_t>(((104 + y - 3) << 12) | (15 + x - 2)) + 1 : 0;
            ASSERT_EQ(target->pixels[y * 20 + x], want) << "pixel " << x << ", " << y;
        }
}

TEST(FontDraw, CellsRunInCodeOrderAndWrapAtTheSheetsWidth) {
    FontPtr font = make_coded_font();
    for (int32_t code : {0, 1, 15, 16, 17, 65, 127}) {
        ImgPtr target = make_img(kGlyphW, kGlyphH);
        FONT_draw_char(font.get(), code, 0, 0, target.get());
        EXPECT_EQ(drawn_codes(target.get(), 0, 0, 1), std::vector<int32_t>{code}) << "code " << code;
    }
}

TEST(FontDraw, CodesOutsideTheSheetDrawNothing) {
    FontPtr font = make_coded_font();
    for (int32_t code : {-1, -16, -128, 128, 1000, INT32_MAX, INT32_MIN, INT32_MAX / 3}) {
        ImgPtr target = make_img(8, 8);
        kt::StdoutCapture out;
        FONT_draw_char(font.get(), code, 0, 0, target.get());
        EXPECT_EQ(out.text(), "") << "code " << code;
        EXPECT_TRUE(all_zero(target.get())) << "code " << code;
    }
}

TEST(FontDraw, ZeroSheetPixelsAreTransparentAndGlyphsClip) {
    FontPtr font(FONT_new());
    font->glyph_w = 2;
    font->glyph_h = 2;
    font->sheet = make_img({{0, 0, 7, 0},
                            {0, 0, 0, 8}}).release();
    ImgPtr target = make_img(3, 2, 1);
    FONT_draw_char(font.get(), 1, 0, 0, target.get());
    FONT_draw_char(font.get(), 1, 2, -1, target.get());
    EXPECT_EQ(rows(target.get()), (Rows{{7, 1, 1},
                                        {1, 8, 1}}));
}

TEST(FontDraw, DegenerateSheetsAndCellsDrawNothing) {
    for (auto [sheet_w, glyph_w] : {std::pair{0, 3}, {6, 0}, {6, -3}}) {
        FontPtr font(FONT_new());
        font->glyph_w = glyph_w;
        font->glyph_h = 2;
        ImgPtr sheet = make_img(6, 2, 0xFF);
        IMG_resize(sheet.get(), sheet_w, 2);
        font->sheet = sheet.release();
        ImgPtr target = make_img(6, 2);
        FONT_draw_char(font.get(), 1, 0, 0, target.get());
        FONT_draw_line(font.get(), "\x01\x02\n", 0, 0, target.get());
        EXPECT_TRUE(all_zero(target.get())) << "sheet width " << sheet_w << " glyph width " << glyph_w;
    }
}

TEST(FontDraw, HexNumbersMostSignificantDigitFirstWithLeadingZeros) {
    FontPtr font = make_coded_font();
    using Codes = std::vector<int32_t>;
    const std::tuple<const char*, uint32_t, int32_t, Codes> cases[] = {
        {"hex8 10", 10, 8, Codes{'0', 'A'}},
        {"hex8 0xF0", 0xF0, 8, Codes{'F', '0'}},
        {"hex16 255", 255, 16, Codes{'0', '0', 'F', 'F'}},
        {"hex16 0x9ABC", 0x9ABC, 16, Codes{'9', 'A', 'B', 'C'}},
        {"hex32 255", 255, 32, Codes{'0', '0', '0', '0', '0', '0', 'F', 'F'}},
        {"hex32 0xDEADBEEF", 0xDEADBEEF, 32, Codes{'D', 'E', 'A', 'D', 'B', 'E', 'E', 'F'}},
        {"hex32 0x01234567", 0x01234567, 32, Codes{'0', '1', '2', '3', '4', '5', '6', '7'}},
    };
    for (const auto& [name, value, bits, want] : cases) {
        const auto cells = static_cast<int32_t>(want.size());
        ImgPtr target = make_img(kGlyphW * (cells + 2), kGlyphH + 2);
        if (bits == 8) FONT_draw_hex8(font.get(), static_cast<uint8_t>(value), 4, 1, target.get());
        if (bits == 16) FONT_draw_hex16(font.get(), static_cast<uint16_t>(value), 4, 1, target.get());
        if (bits == 32) FONT_draw_hex32(font.get(), value, 4, 1, target.get());
        EXPECT_EQ(drawn_codes(target.get(), 4, 1, cells), want) << name;
        // Nothing left of the first digit or right of the last.
        EXPECT_EQ(target->pixels[1 * target->width + 3], 0u) << name;
        EXPECT_EQ(target->pixels[1 * target->width + 4 + cells * kGlyphW], 0u) << name;
    }
}

TEST(FontDraw, LineStopsAtTheNewlineOrTheEndOfTheText) {
    FontPtr font = make_coded_font();
    using Codes = std::vector<int32_t>;
    const std::tuple<const char*, Codes> cases[] = {
        {"AB\n", Codes{'A', 'B', -1}},
        {"\nAB", Codes{-1, -1, -1}},
        {"A\nB", Codes{'A', -1, -1}},
        {"ABC", Codes{'A', 'B', 'C'}},  // no newline: ends at the terminating zero
        {"", Codes{-1, -1, -1}},
        {"a\xC1Z\n", Codes{'a', -1, 'Z'}},  // byte 0xC1 is a negative code: outside the sheet
    };
    for (const auto& [text, want] : cases) {
        ImgPtr target = make_img(kGlyphW * 4, kGlyphH + 1);
        FONT_draw_line(font.get(), text, 0, 1, target.get());
        EXPECT_EQ(drawn_codes(target.get(), 0, 1, 3), want) << "text \"" << text << "\"";
        EXPECT_EQ(target->pixels[1 * target->width + 3 * kGlyphW], 0u) << "text \"" << text << "\"";
    }
}

TEST(FontDraw, NullFontOrTextDrawsNothingAndStaysSilent) {
    FontPtr font = make_coded_font();
    ImgPtr target = make_img(30, 4);
    kt::StdoutCapture out;
    FONT_draw_char(nullptr, 'A', 0, 0, target.get());
    FONT_draw_hex8(nullptr, 0x12, 0, 0, target.get());
    FONT_draw_hex16(nullptr, 0x1234, 0, 0, target.get());
    FONT_draw_hex32(nullptr, 0x12345678, 0, 0, target.get());
    FONT_draw_line(nullptr, "AB\n", 0, 0, target.get());
    FONT_draw_line(font.get(), nullptr, 0, 0, target.get());
    EXPECT_EQ(out.text(), "");
    EXPECT_TRUE(all_zero(target.get()));
}

TEST(FontDraw, NullTargetIsReportedByTheKeyedCopy) {
    FontPtr font = make_coded_font();
    kt::StdoutCapture out;
    FONT_draw_char(font.get(), 'A', 0, 0, nullptr);
    EXPECT_EQ(out.text(), "IMG error\n");
}

TEST(FontDraw, FarAwayPositionsDoNotOverflow) {
    FontPtr font = make_coded_font();
    ImgPtr target = make_img(kGlyphW * 2, kGlyphH);
    FONT_draw_hex32(font.get(), 0xFFFFFFFF, INT32_MAX - 4, 0, target.get());
    FONT_draw_line(font.get(), "ABCDEFGH\n", INT32_MAX - 10, 0, target.get());
    FONT_draw_line(font.get(), "ABCDEFGH\n", INT32_MIN, 0, target.get());
    EXPECT_TRUE(all_zero(target.get()));
}
