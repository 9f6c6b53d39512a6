// fx/font.cpp: fixed-size glyphs cut from one glyph sheet and drawn with the keyed copy.
#include "fx/font.h"

#include <cstdlib>
#include <limits>

namespace {

constexpr int32_t default_glyph_size = 6;

constexpr bool fits_int32(int64_t v) {
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// Character code of one hexadecimal digit: '0'..'9', then upper-case 'A'..'F'.
constexpr int32_t hex_digit_code(uint32_t n) {
    return static_cast<int32_t>(n <= 9 ? n + 0x30 : n + 0x37);
}

static_assert(hex_digit_code(0) == '0' && hex_digit_code(9) == '9');
static_assert(hex_digit_code(10) == 'A' && hex_digit_code(15) == 'F');

// Glyph at x + i * glyph_w, computed wide; a glyph whose corner is beyond the int range lies
// outside every target and is skipped.
void draw_char_at(const FONT* font, int32_t c, int32_t x, int64_t i, int32_t y, IMG* target) {
    const int64_t gx = x + i * font->glyph_w;
    if (fits_int32(gx)) FONT_draw_char(font, c, static_cast<int32_t>(gx), y, target);
}

// The digits most significant first, with leading zeros, one glyph cell apart.
void draw_hex(const FONT* font, uint32_t v, int32_t digits, int32_t x, int32_t y, IMG* target) {
    if (!font) {
        FONT_error();
        return;
    }
    for (int32_t i = 0; i < digits; ++i) {
        const uint32_t n = (v >> (4 * (digits - 1 - i))) & 0xF;
        draw_char_at(font, hex_digit_code(n), x, i, y, target);
    }
}

}  // namespace

void FONT_error() {}

FONT* FONT_new() {
    auto* font = static_cast<FONT*>(std::calloc(1, sizeof(FONT)));
    if (!font) {
        FONT_error();
        return nullptr;
    }
    font->glyph_w = default_glyph_size;
    font->glyph_h = default_glyph_size;
    return font;
}

void FONT_free(FONT** font) {
    if (!font || !*font) {
        FONT_error();
        return;
    }
    if ((*font)->sheet) IMG_free(&(*font)->sheet);
    std::free(*font);
    *font = nullptr;
}

void FONT_draw_char(const FONT* font, int32_t c, int32_t x, int32_t y, IMG* target) {
    if (!font || !font->sheet) {
        FONT_error();
        return;
    }
    const int32_t sheet_w = font->sheet->width;
    if (sheet_w <= 0 || font->glyph_w <= 0) {
        FONT_error();
        return;
    }
    // Cells run left to right from code 0 and wrap at the sheet's width. Signed / and % put
    // negative codes left of or above the sheet, where the keyed copy draws nothing. Wide
    // arithmetic: glyph_w * c overflows an int for large codes.
    const int64_t p = int64_t{font->glyph_w} * c;
    const int64_t sx = p % sheet_w;
    const int64_t sy = (p / sheet_w) * font->glyph_h;
    if (!fits_int32(sy)) return;  // far beyond the sheet's rows
    IMG_blit_keyed(font->sheet, target, static_cast<int32_t>(sx), static_cast<int32_t>(sy), x, y,
                   font->glyph_w, font->glyph_h);
}

void FONT_draw_hex8(const FONT* font, uint8_t v, int32_t x, int32_t y, IMG* target) {
    draw_hex(font, v, 2, x, y, target);
}

void FONT_draw_hex16(const FONT* font, uint16_t v, int32_t x, int32_t y, IMG* target) {
    draw_hex(font, v, 4, x, y, target);
}

void FONT_draw_hex32(const FONT* font, uint32_t v, int32_t x, int32_t y, IMG* target) {
    draw_hex(font, v, 8, x, y, target);
}

void FONT_draw_line(const FONT* font, const char* s, int32_t x, int32_t y, IMG* target) {
    if (!font || !s) {
        FONT_error();
        return;
    }
    // The line ends at the newline, or at the end of a text that has none.
    for (int64_t i = 0; s[i] != '\n' && s[i] != '\0'; ++i) {
        // Bytes 128..255 arrive as negative codes, as a signed char widened to int.
        const int32_t c = static_cast<signed char>(s[i]);
        draw_char_at(font, c, x, i, y, target);
    }
}
