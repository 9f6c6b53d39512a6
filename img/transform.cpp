// img/transform.cpp: nearest-neighbour scaling driven by integer run tables, and rotation about
// the centre by inverse mapping.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "img/img.h"

namespace {

// A w x h image from IMG_new and IMG_resize, or null, reported once, when the size is negative
// or too large for an image or an allocation fails.
IMG* new_image(int32_t w, int32_t h) {
    if (w < 0 || h < 0 || int64_t{w} * h > INT32_MAX) {
        IMG_error();
        return nullptr;
    }
    IMG* img = IMG_new();
    if (!img) return nullptr;
    IMG_resize(img, w, h);
    if (img->width != w || img->height != h) {  // the resize could not allocate
        IMG_free(&img);
        IMG_error();
        return nullptr;
    }
    return img;
}

// Fills one destination row of width dw from a source row of width sw. Enlarging, source column
// c fills the next runs[c] columns; shrinking, destination column t takes the last source column
// of run t (the column the backward fill starts each run on).
void expand_row(const uint32_t* s, uint32_t* d, const int32_t* runs, int32_t sw, int32_t dw) {
    if (dw >= sw) {
        for (int32_t c = 0; c < sw; ++c) {
            const uint32_t p = s[c];
            for (int32_t k = runs[c]; k > 0; --k) *d++ = p;
        }
    } else {
        int32_t last = -1;
        for (int32_t t = 0; t < dw; ++t) {
            last += runs[t];
            d[t] = s[last];
        }
    }
}

// Points of very wide images can turn beyond the int32 range; clamping keeps them outside.
int32_t to_coordinate(int64_t v) {
    return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

}  // namespace

// Bresenham-style division of the larger count into as many runs as the smaller count, the run
// lengths differing by at most one. Empty (null) when either count is 0.
int32_t* IMG_run_table(int32_t a, int32_t b) {
    const int64_t abs_a = std::llabs(a), abs_b = std::llabs(b);
    const int64_t big = abs_a > abs_b ? abs_a : abs_b;
    const int64_t small = abs_a > abs_b ? abs_b : abs_a;
    // With no runs the loop below would still count the larger size into entry 0.
    if (small == 0) return nullptr;
    auto* runs = static_cast<int32_t*>(std::calloc(static_cast<size_t>(small), sizeof(int32_t)));
    if (!runs) return nullptr;
    int64_t acc = big;
    int64_t slot = 0;
    for (int64_t i = 0; i < big; ++i) {
        ++runs[slot];
        acc -= small;
        if (acc <= 0) {
            acc += big;
            ++slot;
        }
    }
    return runs;
}

// The run tables decide which source row and column each destination row and column shows.
// Rows: enlarging, source row r fills the next Y[r] rows (filled once, then copied down);
// shrinking, destination row t shows the last row of run t when the width shrinks as well and
// the first row of run t when it does not, as the backward and forward fills of those two cases
// leave them.
IMG* IMG_scale(const IMG* src, int32_t w, int32_t h) {
    if (!src || w < 0 || h < 0) {
        IMG_error();
        return nullptr;
    }
    // An empty size on either side would give empty run tables for a non-empty count.
    if (w == 0 || h == 0 || src->width <= 0 || src->height <= 0 || !src->pixels) {
        IMG_error();
        return nullptr;
    }
    const int32_t sw = src->width, sh = src->height;
    IMG* out = new_image(w, h);
    if (!out) return nullptr;
    int32_t* cols = IMG_run_table(w, sw);
    int32_t* rows = IMG_run_table(h, sh);
    if (!cols || !rows) {
        std::free(cols);
        std::free(rows);
        IMG_free(&out);
        IMG_error();
        return nullptr;
    }
    const size_t row_bytes = static_cast<size_t>(w) * sizeof(uint32_t);
    uint32_t* d = out->pixels;
    if (h >= sh) {
        for (int32_t r = 0; r < sh; ++r) {
            expand_row(src->pixels + int64_t{r} * sw, d, cols, sw, w);
            for (int32_t k = rows[r] - 1; k > 0; --k, d += w) std::memcpy(d + w, d, row_bytes);
            d += w;
        }
    } else {
        const bool take_last = w < sw;
        int32_t run_start = 0;
        for (int32_t t = 0; t < h; ++t, d += w) {
            const int32_t r = take_last ? run_start + rows[t] - 1 : run_start;
            expand_row(src->pixels + int64_t{r} * sw, d, cols, sw, w);
            run_start += rows[t];
        }
    }
    std::free(cols);
    std::free(rows);
    return out;
}

// Inverse mapping: each destination pixel fetches the source point that the turn brings to it,
// so there are no holes. The offsets are truncated towards zero, which makes the centre row and
// column of the source cover a band about two pixels wide. Points outside the source read as 0
// through IMG_get_pixel, which reports each of them.
IMG* IMG_rotate(const IMG* src, double angle) {
    // A non-finite angle has no sine: the offsets would be NaN, which no integer can hold.
    if (!src || !std::isfinite(angle)) {
        IMG_error();
        return nullptr;
    }
    const int32_t w = src->width, h = src->height;
    IMG* out = new_image(w, h);
    if (!out) return nullptr;
    const double s = std::sin(-angle);
    const double c = std::cos(angle);
    const int32_t cx = w / 2, cy = h / 2;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* d = out->pixels + int64_t{y} * w;
        const double oy = y - cy;
        for (int32_t x = 0; x < w; ++x) {
            const double ox = x - cx;
            const auto u = static_cast<int64_t>(ox * c - oy * s);
            const auto v = static_cast<int64_t>(ox * s + oy * c);
            d[x] = IMG_get_pixel(src, to_coordinate(cx + u), to_coordinate(cy + v));
        }
    }
    return out;
}
