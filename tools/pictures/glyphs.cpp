// tools/pictures/glyphs.cpp: the glyph designs as stroke text, and their expansion into pen paths.
#include "glyphs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

// Each design is a list of strokes separated by '|'. A stroke is a list of grid points "x,y"
// separated by spaces; "~x,y" rounds that corner (radius 3 steps, or "~x,y,r"), and a final
// "z" closes the stroke back to its first point. The pen is round, so a stroke that is a single
// point is a dot and a stroke around a unit square is a heavier dot.
struct Design {
    char code;
    const char* strokes;
};

constexpr Design DESIGNS[] = {
    // punctuation and symbols
    {'!', "5,0 5,11|4,16 5,16 5,17 4,17 z"},
    {'"', "3,0 3,4|7,0 7,4"},
    {'#', "3,2 3,15|7,2 7,15|0,6 10,6|0,11 10,11"},
    {'$', "10,2 ~0,2,2 ~0,8,2 ~10,8,2 ~10,15,2 0,15|5,0 5,17"},
    {'%', "0,17 10,0|0,0 2,0 2,3 0,3 z|8,14 10,14 10,17 8,17 z"},
    {'&', "10,17 ~1,7,2 ~1,0,2 ~7,0,2 ~7,6,2 ~0,11,2 ~0,17,2 ~7,17,2 10,13"},
    {'\'', "5,0 5,4"},
    {'(', "8,0 ~3,0,4 ~3,17,4 8,17"},
    {')', "2,0 ~7,0,4 ~7,17,4 2,17"},
    {'*', "5,3 5,13|1,5 9,11|9,5 1,11"},
    {'+', "5,4 5,14|0,9 10,9"},
    {',', "5,15 5,17 3,20"},
    {'-', "1,9 9,9"},
    {'.', "4,16 5,16 5,17 4,17 z"},
    {'/', "1,17 9,0"},
    {'0', "~0,0,4 ~10,0,4 ~10,17,4 ~0,17,4 z|6,6 4,11"},
    {'1', "1,3 5,0 5,17|1,17 9,17"},
    {'2', "0,0 ~10,0 ~10,8 ~0,8 0,17 10,17"},
    {'3', "0,0 ~10,0 ~10,17 0,17|3,8 10,8"},
    {'4', "0,0 0,10 10,10|7,3 7,17"},
    {'5', "10,0 0,0 0,8 ~10,8 ~10,17 0,17"},
    {'6', "10,0 ~0,0 ~0,17 ~10,17 ~10,8 0,8"},
    {'7', "0,0 10,0 10,4 4,17"},
    {'8', "~1,0 ~9,0 ~9,8 ~1,8 z|~0,8 ~10,8 ~10,17 ~0,17 z"},
    {'9', "10,9 ~0,9 ~0,0 ~10,0 ~10,17 0,17"},
    {':', "4,6 5,6 5,7 4,7 z|4,16 5,16 5,17 4,17 z"},
    {';', "4,6 5,6 5,7 4,7 z|5,15 5,17 3,20"},
    {'<', "9,3 1,9 9,15"},
    {'=', "1,6 9,6|1,12 9,12"},
    {'>', "1,3 9,9 1,15"},
    {'?', "0,0 ~10,0 ~10,7 ~5,7 5,11|4,16 5,16 5,17 4,17 z"},
    {'@', "9,17 ~0,17 ~0,0 ~10,0 10,12 4,12 4,5 10,5"},
    // capitals
    {'A', "0,17 ~0,0 ~10,0 10,17|0,9 10,9"},
    {'B', "0,8 ~8,8 ~8,0 0,0 0,17 ~10,17 ~10,8 8,8"},
    {'C', "10,4 ~10,0 ~0,0 ~0,17 ~10,17 10,13"},
    {'D', "0,0 ~10,0,5 ~10,17,5 0,17 z"},
    {'E', "10,0 0,0 0,17 10,17|0,8 8,8"},
    {'F', "10,0 0,0 0,17|0,8 8,8"},
    {'G', "10,4 ~10,0 ~0,0 ~0,17 ~10,17 10,8 5,8"},
    {'H', "0,0 0,17|10,0 10,17|0,8 10,8"},
    {'I', "2,0 8,0|5,0 5,17|2,17 8,17"},
    {'J', "4,0 10,0 ~10,17 ~0,17 0,12"},
    {'K', "0,0 0,17|10,0 0,10|4,6 10,17"},
    {'L', "0,0 0,17 10,17"},
    {'M', "0,17 0,0 5,9 10,0 10,17"},
    {'N', "0,17 0,0 10,17 10,0"},
    {'O', "~0,0,4 ~10,0,4 ~10,17,4 ~0,17,4 z"},
    {'P', "0,17 0,0 ~10,0 ~10,9 0,9"},
    {'Q', "~0,0,4 ~10,0,4 ~10,17,4 ~0,17,4 z|5,12 10,17"},
    {'R', "0,17 0,0 ~10,0 ~10,9 0,9|5,9 10,17"},
    {'S', "10,0 ~0,0 ~0,8 ~10,8 ~10,17 0,17"},
    {'T', "0,0 10,0|5,0 5,17"},
    {'U', "0,0 ~0,17 ~10,17 10,0"},
    {'V', "0,0 0,8 5,17 10,8 10,0"},
    {'W', "0,0 0,17 5,8 10,17 10,0"},
    {'X', "0,0 10,17|10,0 0,17"},
    {'Y', "0,0 5,9 10,0|5,9 5,17"},
    {'Z', "0,0 10,0 0,17 10,17"},
    {'[', "7,0 3,0 3,17 7,17"},
    {'\\', "1,0 9,17"},
    {']', "3,0 7,0 7,17 3,17"},
    {'^', "1,5 5,0 9,5"},
    {'_', "0,20 10,20"},
    {'`', "3,0 6,3"},
    // lower case
    {'a', "1,6 ~10,6 10,17 ~0,17,2 ~0,11,2 10,11"},
    {'b', "0,0 0,17 ~10,17 ~10,6 0,6"},
    {'c', "10,6 ~0,6 ~0,17 10,17"},
    {'d', "10,0 10,17 ~0,17 ~0,6 10,6"},
    {'e', "0,11 10,11 ~10,6,2 ~0,6 ~0,17 10,17"},
    {'f', "9,0 ~3,0 3,17|0,6 8,6"},
    {'g', "10,6 ~0,6 ~0,14 10,14|10,6 ~10,20 0,20"},
    {'h', "0,0 0,17|0,6 ~10,6 10,17"},
    {'i', "2,6 5,6 5,17|2,17 8,17|5,0 5,1"},
    {'j', "3,6 7,6 ~7,20 0,20|7,0 7,1"},
    {'k', "0,0 0,17|10,6 0,12|4,10 10,17"},
    {'l', "2,0 5,0 ~5,17 9,17"},
    {'m', "0,17 0,6 ~10,6 10,17|5,6 5,17"},
    {'n', "0,17 0,6 ~10,6 10,17"},
    {'o', "~0,6 ~10,6 ~10,17 ~0,17 z"},
    {'p', "0,20 0,6 ~10,6 ~10,17 0,17"},
    {'q', "10,20 10,6 ~0,6 ~0,17 10,17"},
    {'r', "0,6 0,17|0,6 ~9,6 9,9"},
    {'s', "10,6 ~0,6,2 ~0,11,2 ~10,11,2 ~10,17,2 0,17"},
    {'t', "3,0 ~3,17 9,17|0,6 9,6"},
    {'u', "0,6 ~0,17 10,17|10,6 10,17"},
    {'v', "0,6 5,17 10,6"},
    {'w', "0,6 ~0,17 ~10,17 10,6|5,9 5,17"},
    {'x', "0,6 10,17|10,6 0,17"},
    {'y', "0,6 ~0,14 10,14|10,6 ~10,20 0,20"},
    {'z', "0,6 10,6 0,17 10,17"},
};

const char* design_of(int32_t c) {
    for (const Design& d : DESIGNS)
        if (d.code == c) return d.strokes;
    return nullptr;
}

// One point of a stroke as written: position in grid steps and the corner radius (0 = sharp).
struct Mark {
    int64_t x;
    int64_t y;
    int64_t radius;
};

// Rounds the corner at p between neighbours a and b with a quadratic curve whose control point
// is the corner itself: it starts and ends on the two edges, at most half an edge from p.
void round_corner(GlyphPoint a, GlyphPoint p, GlyphPoint b, int64_t radius, GlyphStroke& out) {
    const int64_t la = isqrt((a.x - p.x) * (a.x - p.x) + (a.y - p.y) * (a.y - p.y));
    const int64_t lb = isqrt((b.x - p.x) * (b.x - p.x) + (b.y - p.y) * (b.y - p.y));
    const int64_t r = std::min({radius, la / 2, lb / 2});
    if (r <= 0 || la == 0 || lb == 0) {
        out.push_back(p);
        return;
    }
    const GlyphPoint p1{p.x + (a.x - p.x) * r / la, p.y + (a.y - p.y) * r / la};
    const GlyphPoint p2{p.x + (b.x - p.x) * r / lb, p.y + (b.y - p.y) * r / lb};
    constexpr int64_t steps = 12;
    for (int64_t k = 0; k <= steps; ++k) {
        const int64_t u = steps - k;
        out.push_back({(u * u * p1.x + 2 * u * k * p.x + k * k * p2.x) / (steps * steps),
                       (u * u * p1.y + 2 * u * k * p.y + k * k * p2.y) / (steps * steps)});
    }
}

GlyphStroke expand(const std::vector<Mark>& marks, bool closed) {
    GlyphStroke out;
    const size_t n = marks.size();
    auto at = [&](size_t i) { return GlyphPoint{marks[i].x, marks[i].y}; };
    for (size_t i = 0; i < n; ++i) {
        const bool interior = closed || (i > 0 && i + 1 < n);
        if (marks[i].radius > 0 && interior && n > 2)
            round_corner(at((i + n - 1) % n), at(i), at((i + 1) % n), marks[i].radius, out);
        else
            out.push_back(at(i));
    }
    if (closed && !out.empty()) out.push_back(out.front());
    return out;
}

int64_t read_number(std::string_view& s) {
    int64_t v = 0;
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        v = v * 10 + (s.front() - '0');
        s.remove_prefix(1);
    }
    return negative ? -v : v;
}

GlyphStroke parse_stroke(std::string_view s) {
    std::vector<Mark> marks;
    bool closed = false;
    while (!s.empty()) {
        if (s.front() == ' ') {
            s.remove_prefix(1);
            continue;
        }
        if (s.front() == 'z') {
            closed = true;
            s.remove_prefix(1);
            continue;
        }
        Mark m{0, 0, 0};
        if (s.front() == '~') {
            s.remove_prefix(1);
            m.radius = 3 * GLYPH_UNIT;
        }
        m.x = read_number(s) * GLYPH_UNIT;
        if (!s.empty() && s.front() == ',') s.remove_prefix(1);
        m.y = read_number(s) * GLYPH_UNIT;
        if (!s.empty() && s.front() == ',') {
            s.remove_prefix(1);
            m.radius = read_number(s) * GLYPH_UNIT;
        }
        marks.push_back(m);
    }
    return expand(marks, closed);
}

}  // namespace

std::vector<GlyphStroke> glyph_strokes(int32_t c) {
    std::vector<GlyphStroke> strokes;
    const char* design = design_of(c);
    if (!design) return strokes;
    std::string_view rest(design);
    while (!rest.empty()) {
        const size_t bar = rest.find('|');
        strokes.push_back(parse_stroke(rest.substr(0, bar)));
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    return strokes;
}

GlyphSpan glyph_span(int32_t c) {
    const std::vector<GlyphStroke> strokes = glyph_strokes(c);
    if (strokes.empty()) return {0, 0};
    GlyphSpan span{INT64_MAX, INT64_MIN};
    for (const GlyphStroke& s : strokes)
        for (const GlyphPoint& p : s) {
            span.min_x = std::min(span.min_x, p.x);
            span.max_x = std::max(span.max_x, p.x);
        }
    return span;
}

int64_t isqrt(int64_t v) {
    if (v <= 0) return 0;
    auto r = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
    while (r * r > v) --r;
    while ((r + 1) * (r + 1) <= v) ++r;
    return r;
}
