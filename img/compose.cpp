// img/compose.cpp: the compositing operations from which every frame is built: keyed rectangle
// copies, wrapping row copies, the AND mask, the half-transparent copy and the fade step.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "img/img.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)
// Four pixels at a time where the source and the destination arrays are distinct; the scalar
// loops below do the rest, and everything when an image is copied onto itself (the order of
// the scalar loops is what a copy onto itself means).
inline __m128i load4(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store4(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i holes4(__m128i s) { return _mm_cmpeq_epi32(s, _mm_setzero_si128()); }
#endif

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

// One straight run of n pixels; no wrap inside it. `distinct`: s and d lie in different arrays.
template <RowMode mode>
void copy_run(const uint32_t* s, uint32_t* d, int64_t n, bool distinct) {
    int64_t i = 0;
#if defined(__SSE2__)
    // s is 0 in the holes of the keyed copy, so ORing it in after the mask gives the source.
    const auto one = [](const uint32_t* from, uint32_t* to) {
        const __m128i sv = load4(from);
        const __m128i dv = load4(to);
        if constexpr (mode == RowMode::keyed)
            store4(to, _mm_or_si128(_mm_and_si128(holes4(sv), dv), sv));
        else
            store4(to, _mm_or_si128(dv, sv));
    };
    if (distinct) {
        for (; i + 8 <= n; i += 8) {
            one(s + i, d + i);
            one(s + i + 4, d + i + 4);
        }
        if (i + 4 <= n) {
            one(s + i, d + i);
            i += 4;
        }
    }
#endif
    for (; i < n; ++i) {
        if constexpr (mode == RowMode::keyed)
            d[i] = s[i] ? s[i] : d[i];
        else
            d[i] |= s[i];
    }
}

// Clipped by the caller: the w x h rectangle lies inside both images. 0 is the transparent key,
// so a sprite's black pixels let the destination show through.
void copy_keyed_rect(const IMG* src, IMG* dst, int64_t sx, int64_t sy, int64_t dx, int64_t dy,
                     int64_t w, int64_t h) {
    assert(w > 0 && h > 0);
    const uint32_t* s = at(src, sx, sy);
    uint32_t* d = at(dst, dx, dy);
    const bool distinct = src->pixels != dst->pixels;
    for (int64_t r = 0; r < h; ++r, s += src->width, d += dst->width)
        copy_run<RowMode::keyed>(s, d, w, distinct);
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
    // The remainder keeps the sign of the column; a column equal to the width acts as 0.
    int32_t x = column;
    if (x < 0 && x > -dw) {
        x += dw;  // what the remainder below gives, without its division
    } else if (x < 0 || x > dw) {
        x %= dw;
        if (x < 0) x += dw;
    }
    if (x == dw) x = 0;
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
    const uint32_t* m = mask->pixels;
    uint32_t* d = dst->pixels;
    int64_t i = 0;
#if defined(__SSE2__)
    // Each pixel depends on the same index of both arrays only, so the blocks are exact even
    // when the mask is the destination.
    for (; i + 4 <= n; i += 4) store4(d + i, _mm_and_si128(load4(d + i), load4(m + i)));
#endif
    for (; i < n; ++i) d[i] &= m[i];
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
    const bool distinct = src->pixels != dst->pixels;
    for (int64_t r = 0; r < ch; ++r, s += src->width, d += dst->width) {
        int64_t c = 0;
#if defined(__SSE2__)
        const __m128i low7 = _mm_set1_epi32(0x7F7F7F);
        if (distinct)
            for (; c + 4 <= cw; c += 4) {
                const __m128i sv = load4(s + c);
                const __m128i dv = load4(d + c);
                const __m128i blend = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(sv, 1), low7),
                                                    _mm_and_si128(_mm_srli_epi32(dv, 1), low7));
                const __m128i holes = holes4(sv);
                store4(d + c, _mm_or_si128(_mm_and_si128(holes, dv), _mm_andnot_si128(holes, blend)));
            }
#endif
        for (; c < cw; ++c) {
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
    const int32_t k = amount;
    const int64_t n = pixel_count(img);
    uint32_t* p = img->pixels;
    int64_t i = 0;
#if defined(__SSE2__)
    // Per byte: blue, green and red lowered with unsigned saturation, the top byte cleared.
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
    const __m128i step = _mm_set1_epi32(k | k << 8 | k << 16);
    for (; i + 4 <= n; i += 4) store4(p + i, _mm_subs_epu8(_mm_and_si128(load4(p + i), rgb), step));
#endif
    for (; i < n; ++i) {
        const auto v = static_cast<int32_t>(p[i] & 0xFFFFFFu);
        const int32_t red = std::max((v & 0xFF0000) - (k << 16), 0);
        const int32_t green = std::max((v & 0xFF00) - (k << 8), 0);
        const int32_t blue = std::max((v & 0xFF) - k, 0);
        p[i] = static_cast<uint32_t>(red | green | blue);
    }
}
