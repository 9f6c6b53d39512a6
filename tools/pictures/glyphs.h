// tools/pictures/glyphs.h: the house letter design, every glyph as pen strokes on a small grid,
// shared by the glyph sheet, the logotypes, the letter sprites, the badge and the banner.
#pragma once
#include <cstdint>
#include <vector>

// Design grid: capitals and digits span x 0..10 and y 0..17 (top to baseline); lower case
// starts at y 6 (x-height), descenders reach y 20. Coordinates below are in 1/GLYPH_UNIT of a
// grid step, so rounded corners keep their precision.
inline constexpr int64_t GLYPH_UNIT = 256;
inline constexpr int32_t GLYPH_CAP_TOP = 0;
inline constexpr int32_t GLYPH_BASELINE = 17;
inline constexpr int32_t GLYPH_DESCENT = 20;
inline constexpr int32_t GLYPH_WIDTH = 10;

struct GlyphPoint {
    int64_t x;  // grid steps x GLYPH_UNIT
    int64_t y;
};
using GlyphStroke = std::vector<GlyphPoint>;  // one pen movement; a single point is a dot

// The strokes of character code c (empty for codes without a design, e.g. space).
std::vector<GlyphStroke> glyph_strokes(int32_t c);

// The horizontal extent of a glyph's stroke centres, in GLYPH_UNITs; {0, 0} for an empty glyph.
struct GlyphSpan {
    int64_t min_x;
    int64_t max_x;
};
GlyphSpan glyph_span(int32_t c);

// The whole-number square root of v (0 for v <= 0), exact: the floating-point estimate is
// corrected, so the pictures come out the same on every machine.
int64_t isqrt(int64_t v);
