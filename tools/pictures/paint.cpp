// tools/pictures/paint.cpp: pen paths, distance shading and polygon tests in whole numbers.
#include "paint.h"

#include <algorithm>
#include <vector>

#include "glyphs.h"

namespace {

Nearest to_segment(const Segment& s, Vec p) {
    const int64_t dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const int64_t px = p.x - s.a.x, py = p.y - s.a.y;
    const int64_t len2 = dx * dx + dy * dy;
    const int64_t dot = px * dx + py * dy;
    int64_t nx = px, ny = py;
    if (len2 > 0 && dot >= len2) {
        nx = p.x - s.b.x;
        ny = p.y - s.b.y;
    } else if (len2 > 0 && dot > 0) {
        nx = px - dx * dot / len2;
        ny = py - dy * dot / len2;
    }
    return {nx * nx + ny * ny, nx, ny};
}

uint8_t channel(uint32_t c, int shift) { return static_cast<uint8_t>((c >> shift) & 0xFF); }

}  // namespace

Nearest nearest(const Path& path, Vec p) {
    Nearest best{INT64_MAX, 0, 0};
    for (const Segment& s : path.segments) {
        const Nearest n = to_segment(s, p);
        if (n.d2 < best.d2) best = n;
    }
    return best;
}

void add_glyph(Path& path, int32_t c, const Placement& at, bool from_left_edge) {
    const int64_t min_x = from_left_edge ? glyph_span(c).min_x : 0;
    auto map = [&](GlyphPoint g) {
        return Vec{at.ox + (g.x - min_x) * at.sx / GLYPH_UNIT +
                       (GLYPH_BASELINE * GLYPH_UNIT - g.y) * at.shear / GLYPH_UNIT,
                   at.oy + g.y * at.sy / GLYPH_UNIT};
    };
    for (const GlyphStroke& stroke : glyph_strokes(c)) {
        if (stroke.size() == 1) {
            path.segments.push_back({map(stroke[0]), map(stroke[0])});
            continue;
        }
        for (size_t i = 0; i + 1 < stroke.size(); ++i)
            path.segments.push_back({map(stroke[i]), map(stroke[i + 1])});
    }
}

int64_t add_text(Path& path, const char* text, const Placement& at, int64_t extra) {
    Placement here = at;
    for (const char* p = text; *p; ++p) {
        const GlyphSpan span = glyph_span(*p);
        if (*p != ' ') add_glyph(path, *p, here, true);
        const int64_t w = *p == ' ' ? GLYPH_WIDTH * GLYPH_UNIT / 2 : span.max_x - span.min_x;
        here.ox += w * at.sx / GLYPH_UNIT + extra;
    }
    return here.ox - extra;
}

uint32_t mix(uint32_t a, uint32_t b, int32_t t256) {
    t256 = std::clamp(t256, 0, 256);
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const int32_t ca = channel(a, shift), cb = channel(b, shift);
        const int32_t c = ca + ((cb - ca) * t256) / 256;
        out |= static_cast<uint32_t>(c) << shift;
    }
    return out;
}

uint32_t ramp_at(const Ramp& ramp, int32_t t256) {
    if (ramp.empty()) return 0;
    if (t256 <= ramp.front().first) return ramp.front().second;
    for (size_t i = 1; i < ramp.size(); ++i) {
        const auto [p0, c0] = ramp[i - 1];
        const auto [p1, c1] = ramp[i];
        if (t256 <= p1) return p1 == p0 ? c1 : mix(c0, c1, (t256 - p0) * 256 / (p1 - p0));
    }
    return ramp.back().second;
}

void paint_path(IMG* img, const Path& path, const Style& style, int64_t top, int64_t bottom) {
    const int64_t pen2 = style.pen * style.pen;
    const int64_t line = style.pen + style.outline_w;
    const int64_t line2 = line * line;
    const int64_t rim = line + style.rim_w;
    const int64_t rim2 = style.rim ? rim * rim : line2;
    const int64_t inner = std::max<int64_t>(0, style.pen - style.bevel);
    const int64_t span = std::max<int64_t>(1, bottom - top);
    for (int32_t y = 0; y < img->height; ++y) {
        uint32_t* row = img->pixels + static_cast<size_t>(y) * static_cast<size_t>(img->width);
        const int64_t cy = y * SUB + SUB / 2;
        const auto t = static_cast<int32_t>(std::clamp<int64_t>((cy - top) * 256 / span, 0, 256));
        const uint32_t base = ramp_at(style.body, t);
        for (int32_t x = 0; x < img->width; ++x) {
            const Vec c{x * SUB + SUB / 2, cy};
            const Nearest n = nearest(path, c);
            if (n.d2 <= pen2) {
                uint32_t colour = base;
                const int64_t d = isqrt(n.d2);
                if (d > inner && d > 0) {
                    // 181 / 256 = 1 / sqrt(2): the cosine between the normal and the light.
                    const int64_t f = -(n.nx + n.ny) * 181 / d;
                    const auto amount = static_cast<int32_t>(f * style.bevel_amount / 256);
                    colour = amount >= 0 ? mix(base, style.light, amount)
                                         : mix(base, style.dark, -amount);
                }
                row[x] = colour;
            } else if (n.d2 <= line2) {
                row[x] = style.outline;
            } else if (n.d2 <= rim2) {
                row[x] = style.rim;
            } else if (style.shadow) {
                const Vec s{c.x - style.shadow_offset.x, c.y - style.shadow_offset.y};
                if (nearest(path, s).d2 <= rim2 && row[x] == 0) row[x] = style.shadow;
            }
        }
    }
}

bool inside_polygon(const std::vector<Vec>& polygon, Vec p) {
    bool in = false;
    const size_t n = polygon.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const Vec a = polygon[i], b = polygon[j];
        if ((a.y > p.y) == (b.y > p.y)) continue;
        // x of the edge at row p.y, compared without division: sign-safe cross product.
        const int64_t lhs = (p.x - a.x) * (b.y - a.y);
        const int64_t rhs = (b.x - a.x) * (p.y - a.y);
        if ((b.y > a.y) ? lhs < rhs : lhs > rhs) in = !in;
    }
    return in;
}

IMG* new_image(int32_t w, int32_t h) {
    IMG* img = IMG_new();
    if (img) IMG_resize(img, w, h);
    return img;
}

void overlay(const IMG* src, IMG* dst, int32_t dx, int32_t dy) {
    for (int32_t y = 0; y < src->height; ++y) {
        const int32_t ty = y + dy;
        if (ty < 0 || ty >= dst->height) continue;
        for (int32_t x = 0; x < src->width; ++x) {
            const int32_t tx = x + dx;
            const uint32_t p = src->pixels[y * src->width + x];
            if (tx >= 0 && tx < dst->width && p != 0) dst->pixels[ty * dst->width + tx] = p;
        }
    }
}

IMG* crop_to_ink(const IMG* src) {
    int32_t x0 = src->width, y0 = src->height, x1 = -1, y1 = -1;
    for (int32_t y = 0; y < src->height; ++y)
        for (int32_t x = 0; x < src->width; ++x)
            if (src->pixels[y * src->width + x] != 0) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    if (x1 < 0) return new_image(1, 1);
    IMG* out = new_image(x1 - x0 + 1, y1 - y0 + 1);
    overlay(src, out, -x0, -y0);
    return out;
}

void lift_ink(IMG* img) {
    const size_t n = static_cast<size_t>(img->width) * static_cast<size_t>(img->height);
    for (size_t i = 0; i < n; ++i) {
        uint32_t& p = img->pixels[i];
        if (p == 0) continue;
        for (int shift : {16, 8, 0})
            if (channel(p, shift) == 0) p |= 1u << shift;
    }
}

void fill_pinholes(IMG* img) {
    const int32_t w = img->width, h = img->height;
    auto clear = [&](int32_t x, int32_t y) {
        return x < 0 || y < 0 || x >= w || y >= h || img->pixels[y * w + x] == 0;
    };
    // The outside: transparent pixels reached from beyond the border.
    std::vector<uint8_t> outside(static_cast<size_t>(w * h), 0);
    std::vector<int32_t> stack;
    for (int32_t x = 0; x < w; ++x) stack.insert(stack.end(), {x, x + (h - 1) * w});
    for (int32_t y = 0; y < h; ++y) stack.insert(stack.end(), {y * w, y * w + w - 1});
    while (!stack.empty()) {
        const int32_t i = stack.back();
        stack.pop_back();
        if (outside[static_cast<size_t>(i)] || img->pixels[i] != 0) continue;
        outside[static_cast<size_t>(i)] = 1;
        const int32_t x = i % w, y = i / w;
        if (x > 0) stack.push_back(i - 1);
        if (x + 1 < w) stack.push_back(i + 1);
        if (y > 0) stack.push_back(i - w);
        if (y + 1 < h) stack.push_back(i + w);
    }
    // Pixels inside some clear 3 x 3 square.
    std::vector<uint8_t> open(static_cast<size_t>(w * h), 0);
    for (int32_t y = -1; y < h - 1; ++y)
        for (int32_t x = -1; x < w - 1; ++x) {
            bool all = true;
            for (int32_t k = 0; k < 9 && all; ++k) all = clear(x + k % 3, y + k / 3);
            if (!all) continue;
            for (int32_t k = 0; k < 9; ++k) {
                const int32_t px = x + k % 3, py = y + k / 3;
                if (px >= 0 && py >= 0 && px < w && py < h) open[static_cast<size_t>(py * w + px)] = 1;
            }
        }
    std::vector<int32_t> pending;
    for (int32_t i = 0; i < w * h; ++i)
        if (img->pixels[i] == 0 && !outside[static_cast<size_t>(i)] && !open[static_cast<size_t>(i)])
            pending.push_back(i);
    // Grow the ink into them from the edges inwards; each pass takes colours from the last.
    while (!pending.empty()) {
        std::vector<std::pair<int32_t, uint32_t>> fills;
        std::vector<int32_t> rest;
        for (int32_t i : pending) {
            const int32_t x = i % w, y = i / w;
            uint32_t c = 0;
            if (x > 0 && img->pixels[i - 1]) c = img->pixels[i - 1];
            else if (y > 0 && img->pixels[i - w]) c = img->pixels[i - w];
            else if (x + 1 < w && img->pixels[i + 1]) c = img->pixels[i + 1];
            else if (y + 1 < h && img->pixels[i + w]) c = img->pixels[i + w];
            if (c) fills.emplace_back(i, c);
            else rest.push_back(i);
        }
        if (fills.empty()) break;
        for (auto [i, c] : fills) img->pixels[i] = c;
        pending = std::move(rest);
    }
}
