// tools/pictures/paint.h: whole-number drawing for the picture generator: pen paths laid out from
// the glyph designs, distance-based shading with bevel, outline and drop shadow, and polygons.
// Everything is integer arithmetic so the pictures come out the same byte for byte everywhere.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "img/img.h"

inline constexpr int64_t SUB = 64;  // sub-pixel steps per pixel; pixel (x, y) has its centre at
                                    // (x * SUB + SUB / 2, y * SUB + SUB / 2)

struct Vec {
    int64_t x;
    int64_t y;
};

struct Segment {
    Vec a;
    Vec b;
};

// A set of pen movements in sub-pixels; a segment with a == b is a dot.
struct Path {
    std::vector<Segment> segments;
};

// Squared distance from a point to the nearest point of a path, and the vector from that
// nearest point to the point (the outward normal, unnormalised).
struct Nearest {
    int64_t d2;
    int64_t nx;
    int64_t ny;
};
Nearest nearest(const Path& path, Vec p);

// Maps glyph grid steps to sub-pixels: x' = ox + (x - min_x) * sx + (baseline - y) * shear,
// y' = oy + y * sy, all scale factors in sub-pixels per grid step.
struct Placement {
    int64_t ox;
    int64_t oy;
    int64_t sx;
    int64_t sy;
    int64_t shear;
};
void add_glyph(Path& path, int32_t c, const Placement& at, bool from_left_edge);

// Lays a line of text out with proportional spacing: each glyph takes its own stroke width
// times sx plus `extra` sub-pixels. Returns the sub-pixel x just past the last glyph.
int64_t add_text(Path& path, const char* text, const Placement& at, int64_t extra);

// Colours
using Ramp = std::vector<std::pair<int32_t, uint32_t>>;  // (position 0..256, colour), ascending
uint32_t mix(uint32_t a, uint32_t b, int32_t t256);        // a at 0, b at 256
uint32_t ramp_at(const Ramp& ramp, int32_t t256);

// How a path is painted, from the inside out: body with a vertical gradient and a bevel lit
// from the top left, an outline ring, an optional rim ring, an optional drop shadow.
struct Style {
    Ramp body;
    uint32_t light;         // tint of bevel faces turned up-left
    uint32_t dark;          // tint of bevel faces turned down-right
    int64_t pen;            // stroke radius, sub-pixels
    int64_t bevel;          // width of the bevelled band inside the stroke edge, sub-pixels
    int32_t bevel_amount;   // strength of the bevel tints, 0..256
    uint32_t outline;
    int64_t outline_w;
    uint32_t rim;           // 0: no rim
    int64_t rim_w;
    uint32_t shadow;        // 0: no shadow
    Vec shadow_offset;      // sub-pixels
};

// Paints a path into img (pixels outside every ring are left alone). The body gradient runs
// from sub-pixel row `top` (ramp 0) to `bottom` (ramp 256).
void paint_path(IMG* img, const Path& path, const Style& style, int64_t top, int64_t bottom);

// Polygons: even-odd inside test at a sub-pixel point.
bool inside_polygon(const std::vector<Vec>& polygon, Vec p);

// Images
[[nodiscard]] IMG* new_image(int32_t w, int32_t h);
void overlay(const IMG* src, IMG* dst, int32_t dx, int32_t dy);  // non-zero pixels only
[[nodiscard]] IMG* crop_to_ink(const IMG* src);                  // smallest box holding ink
void lift_ink(IMG* img);  // every ink pixel gets at least 1 in each channel: 0 stays the key
// Closes every enclosed transparent pixel (one the outside cannot reach through transparent
// pixels) that no clear 3 x 3 square covers, with the colour of a neighbouring ink pixel: the
// holes left inside a picture are at least 3 pixels across, never specks or cracks.
void fill_pinholes(IMG* img);
