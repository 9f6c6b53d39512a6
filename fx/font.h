// fx/font.h: fixed-size glyphs cut from one glyph sheet laid out in character-code order;
// drawing a glyph is one keyed copy, so sheet pixels of 0 are transparent. FONT_error is silent.
#pragma once
#include <cstdint>

#include "img/img.h"

struct FONT {
    int32_t glyph_w;  // cell width in pixels, 6 when new
    int32_t glyph_h;  // cell height in pixels, 6 when new
    IMG*    sheet;    // glyph sheet, owned once set; null when new
};

[[nodiscard]] FONT* FONT_new();
void FONT_free(FONT** font);                        // also frees the sheet; nulls *font

// Glyph of code c at column (c * glyph_w) % W, row ((c * glyph_w) / W) * glyph_h of the sheet
void FONT_draw_char(const FONT* font, int32_t c, int32_t x, int32_t y, IMG* target);
void FONT_draw_hex8(const FONT* font, uint8_t v, int32_t x, int32_t y, IMG* target);
void FONT_draw_hex16(const FONT* font, uint16_t v, int32_t x, int32_t y, IMG* target);
void FONT_draw_hex32(const FONT* font, uint32_t v, int32_t x, int32_t y, IMG* target);
void FONT_draw_line(const FONT* font, const char* s, int32_t x, int32_t y, IMG* target);  // to '\n' or NUL
void FONT_error();
