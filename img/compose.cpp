// img/compose.cpp: the compositing operations from which every frame is built: keyed rectangle
// copies, wrapping row copies, the AND mask, the half-transparent copy and the fade step.
#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "img/img.h"
#include "img/rows.h"

namespace {

using img_rows::kernels;
using img_rows::wrap_column;

// Start of pixel (x, y); the caller has checked that it lies inside the image.
inline uint32_t* at(IMG* img, int64_t x, int64_t y) {
    return img->pixels + (y * img->width + x);
}
inline const uint32_t* at(const IMG* img, int64_t x, int64_t y) {
    return img->pixels + (y * img->width + x);
}

inline int64_t pixel_count(const IMG* img) {
    if (img->width <= 0 || img->height <= 0) return 0;
    return int64_t{img->width} * img->height;
}

enum class RowMode { keyed, or_in };

// One straight run of n pixels; no wrap inside it: pixel i of d takes s[i] (keyed: where it is
// not 0; or_in: ORed in). `distinct`: s does not lie in the array of d, so the kernels' blocks
// give what the scalar order gives; an image copied onto itself takes the scalar loop, whose
// order is what such a copy means.
template <RowMode mode>
void copy_run(const uint32_t* s, uint32_t* d, int64_t n, bool distinct) {
    if (distinct) {
        if constexpr (mode == RowMode::keyed)
            kernels().keyed(s, 0, d, 0, n, 1);
        else
            kernels().or_in(s, d, n);
        return;
    }
    for (int64_t i = 0; i < n; ++i) {
        if constexpr (mode == RowMode::keyed)
            d[i] = s[i] ? s[i] : d[i];
        else
            d[i] = d[i] | s[i];
    }
}

// Clipped by the caller: the w x h rectangle lies inside both images. 0 is the transparent key,
// so a sprite's black pixels let the destination show through.
void copy_keyed_rect(const IMG* src, IMG* dst, int64_t sx, int64_t sy, int64_t dx, int64_t dy,
                     int64_t w, int64_t h) {
    assert(w > 0 && h > 0);
    const uint32_t* s = at(src, sx, sy);
    uint32_t* d = at(dst, dx, dy);
    if (src->pixels != dst->pixels) {
        kernels().keyed(s, src->width, d, dst->width, w, h);
        return;
    }
    for (int64_t r = 0; r < h; ++r, s += src->width, d += dst->width)
        copy_run<RowMode::keyed>(s, d, w, false);
}

// Source pixel i of row a lands in column (column + i) mod D.width of row b: at most two
// straight runs, the second one starting again at column 0.
template <RowMode mode>
void blit_row(const IMG* src, IMG* dst, int32_t a, int32_t b, int32_t column) {
    if (!src || !dst || !src->pixels || !dst->pixels || a < 0 || b < 0 || a >= src->height ||
        b >= dst->height || dst->width <= 0) {
        IMG_error();
        return;
    }
    const int32_t dw = dst->width;
    const int32_t x = wrap_column(column, dw);
    const int64_t n = std::min(src->width, dw);
    if (n <= 0) return;
    const uint32_t* s = at(src, 0, a);
    uint32_t* d = at(dst, 0, b);
    const int64_t first = std::min<int64_t>(n, dw - x);
    const bool distinct = src->pixels != dst->pixels;
    copy_run<mode>(s, d + x, first, distinct);
    copy_run<mode>(s + first, d, n - first, distinct);
}

}  // namespace

void IMG_blit_keyed(const IMG* src, IMG* dst, int32_t sx, int32_t sy, int32_t dx, int32_t dy,
                    int32_t w, int32_t h) {
    if (!src || !dst || !src->pixels || !dst->pixels) {
        IMG_error();
        return;
    }
    // 64-bit throughout, so corners and sizes near the int32 limits cannot overflow.
    int64_t sx_ = sx, sy_ = sy, dx_ = dx, dy_ = dy, w_ = w, h_ = h;
    const int64_t sw = src->width, sh = src->height, dw = dst->width, dh = dst->height;
    if (dx_ >= dw || dx_ + w_ < 0 || dy_ >= dh || dy_ + h_ < 0 || sx_ >= sw || sx_ + w_ < 0 ||
        sy_ >= sh || sy_ + h_ < 0)
        return;
    // The destination edges come first, then the source's left and top edges; the order decides
    // where a rectangle that is off both images on the same side ends up.
    if (dx_ < 0) { w_ += dx_; sx_ -= dx_; dx_ = 0; }
    if (dy_ < 0) { h_ += dy_; sy_ -= dy_; dy_ = 0; }
    if (dx_ + w_ > dw) w_ = dw - dx_;
    if (dy_ + h_ > dh) h_ = dh - dy_;
    if (sx_ < 0) { w_ += sx_; dx_ -= sx_; sx_ = 0; }
    if (sy_ < 0) { h_ += sy_; dy_ -= sy_; sy_ = 0; }
    // Callers keep the rectangle inside the source; one that reaches past its right or bottom
    // edge is cut there instead of reading beyond the row or the array.
    if (sx_ + w_ > sw) w_ = sw - sx_;
    if (sy_ + h_ > sh) h_ = sh - sy_;
    if (w_ <= 0 || h_ <= 0) return;
    copy_keyed_rect(src, dst, sx_, sy_, dx_, dy_, w_, h_);
}

void IMG_blit_row_keyed(const IMG* src, IMG* dst, int32_t src_row, int32_t dst_row,
                        int32_t column) {
    blit_row<RowMode::keyed>(src, dst, src_row, dst_row, column);
}

void IMG_blit_row_or(const IMG* src, IMG* dst, int32_t src_row, int32_t dst_row,
                     int32_t column) {
    blit_row<RowMode::or_in>(src, dst, src_row, dst_row, column);
}

// Pixel i of the destination is ANDed with pixel i of the mask, whatever the two widths; a
// destination holding fewer pixels than the mask is processed over the pixels both hold.
void IMG_and_mask(const IMG* mask, IMG* dst) {
    if (!mask || !dst || !mask->pixels || !dst->pixels) {
        IMG_error();
        return;
    }
    const int64_t n = std::min(pixel_count(mask), pixel_count(dst));
    // Each pixel depends on the same index of both arrays only, so the blocks are exact even
    // when the mask is the destination.
    kernels().and_mask(mask->pixels, dst->pixels, n);
}

// Each channel of both pixels is halved before the sum, so no channel carries into the next.
void IMG_blit_half(const IMG* src, IMG* dst, int32_t x, int32_t y) {
    if (!src || !dst || !src->pixels || !dst->pixels) {
        IMG_error();
        return;
    }
    const int64_t sw = src->width, sh = src->height, dw = dst->width, dh = dst->height;
    int64_t x_ = x, y_ = y;
    if (sw + x_ <= 0 || sh + y_ <= 0 || x_ >= dw || y_ >= dh) return;
    const int64_t sx0 = x_ < 0 ? -x_ : 0;
    int64_t cw = x_ < 0 ? sw + x_ : sw;
    x_ = std::max<int64_t>(x_, 0);
    const int64_t sy0 = y_ < 0 ? -y_ : 0;
    int64_t ch = y_ < 0 ? sh + y_ : sh;
    y_ = std::max<int64_t>(y_, 0);
    if (x_ + cw >= dw) cw = dw - x_;
    if (y_ + ch >= dh) ch = dh - y_;
    if (cw <= 0 || ch <= 0) return;
    const uint32_t* s = at(src, sx0, sy0);
    uint32_t* d = at(dst, x_, y_);
    if (src->pixels != dst->pixels) {
        kernels().half(s, src->width, d, dst->width, cw, ch);
        return;
    }
    for (int64_t r = 0; r < ch; ++r, s += src->width, d += dst->width) {
        for (int64_t c = 0; c < cw; ++c) {
            const uint32_t blend = ((s[c] >> 1) & 0x7F7F7Fu) + ((d[c] >> 1) & 0x7F7F7Fu);
            d[c] = s[c] ? blend : d[c];
        }
    }
}

// Every pixel lies inside the image, so a pass over the array gives what per-pixel accessor
// calls would, in any visiting order: each pixel depends on itself only.
void IMG_fade_step(IMG* img, uint8_t amount) {
    if (!img || !img->pixels) {
        IMG_error();
        return;
    }
    kernels().fade(img->pixels, pixel_count(img), amount);
}
