// img/rows.cpp: the pixel-run kernels in their scalar, SSE2 and AVX2 forms, and the choice among
// them. Every form computes each pixel from the same-index pixels alone, so the widths of the
// blocks change the speed only, never a pixel.
#include "img/rows.h"

#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if IMG_ROWS_AVX2
#include <immintrin.h>
#endif

// The narrower kernels are also the first and last steps of the wider ones: inlined there, a
// glyph's short rows pay no call per step.
#define KERNEL [[gnu::always_inline]] inline

namespace img_rows {
namespace {

constexpr uint32_t low7 = 0x7F7F7Fu;  // each channel halved keeps its low seven bits

// ---------------------------------------------------------------- scalar

// Written as masks and a store for every pixel: a branch on the pixel mispredicts on the edges
// of every sprite and glyph. The source is 0 in the holes, so ORing it in gives it elsewhere.
KERNEL void keyed_row_scalar(const uint32_t* s, uint32_t* d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) {
        const uint32_t hole = 0u - static_cast<uint32_t>(s[i] == 0);
        d[i] = (d[i] & hole) | s[i];
    }
}

KERNEL void or_scalar(const uint32_t* s, uint32_t* d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) d[i] |= s[i];
}

KERNEL void merge3_scalar(const uint32_t* a, const uint32_t* b, const uint32_t* c, uint32_t* d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) d[i] = a[i] | b[i] | c[i];
}

KERNEL void and_scalar(const uint32_t* m, uint32_t* d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) d[i] &= m[i];
}

KERNEL void half_row_scalar(const uint32_t* s, uint32_t* d, int64_t n) {
    for (int64_t i = 0; i < n; ++i) {
        const uint32_t blend = ((s[i] >> 1) & low7) + ((d[i] >> 1) & low7);
        const uint32_t hole = 0u - static_cast<uint32_t>(s[i] == 0);
        d[i] = (d[i] & hole) | (blend & ~hole);
    }
}

KERNEL void fade_scalar(uint32_t* p, int64_t n, uint32_t amount) {
    const auto k = static_cast<int32_t>(amount);
    for (int64_t i = 0; i < n; ++i) {
        const auto v = static_cast<int32_t>(p[i] & 0xFFFFFFu);
        const int32_t red = std::max((v & 0xFF0000) - (k << 16), 0);
        const int32_t green = std::max((v & 0xFF00) - (k << 8), 0);
        const int32_t blue = std::max((v & 0xFF) - k, 0);
        p[i] = static_cast<uint32_t>(red | green | blue);
    }
}

KERNEL void fill_scalar(uint32_t* d, int64_t n, uint32_t colour) {
    for (int64_t i = 0; i < n; ++i) d[i] = colour;
}

// A rectangle as its rows; the row kernel inlined.
template <void (*row)(const uint32_t*, uint32_t*, int64_t)>
void rect(const uint32_t* s, int64_t s_stride, uint32_t* d, int64_t d_stride, int64_t w, int64_t h) {
    for (int64_t r = 0; r < h; ++r, s += s_stride, d += d_stride) row(s, d, w);
}

constexpr Kernels scalar_kernels = {rect<keyed_row_scalar>, or_scalar,   merge3_scalar, and_scalar,
                                    rect<half_row_scalar>,  fade_scalar, fill_scalar};

// ---------------------------------------------------------------- SSE2

#if defined(__SSE2__)
inline __m128i load4(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store4(uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i holes4(__m128i s) { return _mm_cmpeq_epi32(s, _mm_setzero_si128()); }

// s is 0 in the holes, so ORing it in after the masked destination gives the source elsewhere.
KERNEL void keyed4(const uint32_t* s, uint32_t* d) {
    const __m128i sv = load4(s);
    store4(d, _mm_or_si128(_mm_and_si128(holes4(sv), load4(d)), sv));
}

KERNEL void keyed_row_sse2(const uint32_t* s, uint32_t* d, int64_t n) {
    int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        keyed4(s + i, d + i);
        keyed4(s + i + 4, d + i + 4);
    }
    if (i + 4 <= n) {
        keyed4(s + i, d + i);
        i += 4;
    }
    keyed_row_scalar(s + i, d + i, n - i);
}

KERNEL void or_sse2(const uint32_t* s, uint32_t* d, int64_t n) {
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) store4(d + i, _mm_or_si128(load4(d + i), load4(s + i)));
    or_scalar(s + i, d + i, n - i);
}

KERNEL void merge3_sse2(const uint32_t* a, const uint32_t* b, const uint32_t* c, uint32_t* d, int64_t n) {
    int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        store4(d + i, _mm_or_si128(_mm_or_si128(load4(a + i), load4(b + i)), load4(c + i)));
        store4(d + i + 4, _mm_or_si128(_mm_or_si128(load4(a + i + 4), load4(b + i + 4)), load4(c + i + 4)));
    }
    for (; i + 4 <= n; i += 4)
        store4(d + i, _mm_or_si128(_mm_or_si128(load4(a + i), load4(b + i)), load4(c + i)));
    merge3_scalar(a + i, b + i, c + i, d + i, n - i);
}

KERNEL void and_sse2(const uint32_t* m, uint32_t* d, int64_t n) {
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) store4(d + i, _mm_and_si128(load4(d + i), load4(m + i)));
    and_scalar(m + i, d + i, n - i);
}

KERNEL void half_row_sse2(const uint32_t* s, uint32_t* d, int64_t n) {
    const __m128i low = _mm_set1_epi32(static_cast<int32_t>(low7));
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = load4(s + i);
        const __m128i dv = load4(d + i);
        const __m128i blend = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(sv, 1), low),
                                            _mm_and_si128(_mm_srli_epi32(dv, 1), low));
        const __m128i holes = holes4(sv);
        store4(d + i, _mm_or_si128(_mm_and_si128(holes, dv), _mm_andnot_si128(holes, blend)));
    }
    half_row_scalar(s + i, d + i, n - i);
}

// Per byte: blue, green and red lowered with unsigned saturation, the top byte cleared.
KERNEL void fade_sse2(uint32_t* p, int64_t n, uint32_t amount) {
    const __m128i rgb = _mm_set1_epi32(0xFFFFFF);
    const __m128i step = _mm_set1_epi32(static_cast<int32_t>(amount | amount << 8 | amount << 16));
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) store4(p + i, _mm_subs_epu8(_mm_and_si128(load4(p + i), rgb), step));
    fade_scalar(p + i, n - i, amount);
}

KERNEL void fill_sse2(uint32_t* d, int64_t n, uint32_t colour) {
    const __m128i v = _mm_set1_epi32(static_cast<int32_t>(colour));
    int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        store4(d + i, v);
        store4(d + i + 4, v);
    }
    if (i + 4 <= n) {
        store4(d + i, v);
        i += 4;
    }
    fill_scalar(d + i, n - i, colour);
}

constexpr Kernels sse2_kernels = {rect<keyed_row_sse2>, or_sse2,   merge3_sse2, and_sse2,
                                  rect<half_row_sse2>,  fade_sse2, fill_sse2};
#endif

// ---------------------------------------------------------------- AVX2

#if IMG_ROWS_AVX2
IMG_AVX2_FN inline __m256i load8(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
IMG_AVX2_FN inline void store8(uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
// Pixels of a long run before d reaches a 32-byte boundary: stores that straddle two cache
// lines cost about twice, and half of all would straddle in an image aligned to 16 bytes only.
// A short run (a glyph's row) is not worth the extra steps.
inline int64_t head8(const uint32_t* d, int64_t n) {
    if (n < 64) return 0;
    const auto misplaced = static_cast<int64_t>((reinterpret_cast<uintptr_t>(d) / 4) & 7);
    return (8 - misplaced) & 7;
}

IMG_AVX2_FN inline __m256i holes8(__m256i s) { return _mm256_cmpeq_epi32(s, _mm256_setzero_si256()); }

[[gnu::always_inline]] IMG_AVX2_FN inline void keyed_row_avx2(const uint32_t* s, uint32_t* d, int64_t n) {
    if (n < 32) {
        keyed_row_sse2(s, d, n);
        return;
    }
    int64_t i = head8(d, n);
    keyed_row_sse2(s, d, i);
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = load8(s + i);
        store8(d + i, _mm256_blendv_epi8(sv, load8(d + i), holes8(sv)));
    }
    keyed_row_sse2(s + i, d + i, n - i);
}

IMG_AVX2_FN void or_avx2(const uint32_t* s, uint32_t* d, int64_t n) {
    int64_t i = head8(d, n);
    or_sse2(s, d, i);
    for (; i + 8 <= n; i += 8) store8(d + i, _mm256_or_si256(load8(d + i), load8(s + i)));
    or_sse2(s + i, d + i, n - i);
}

IMG_AVX2_FN void merge3_avx2(const uint32_t* a, const uint32_t* b, const uint32_t* c, uint32_t* d,
                         int64_t n) {
    int64_t i = head8(d, n);
    merge3_sse2(a, b, c, d, i);
    for (; i + 16 <= n; i += 16) {
        store8(d + i, _mm256_or_si256(_mm256_or_si256(load8(a + i), load8(b + i)), load8(c + i)));
        store8(d + i + 8,
               _mm256_or_si256(_mm256_or_si256(load8(a + i + 8), load8(b + i + 8)), load8(c + i + 8)));
    }
    for (; i + 8 <= n; i += 8)
        store8(d + i, _mm256_or_si256(_mm256_or_si256(load8(a + i), load8(b + i)), load8(c + i)));
    merge3_sse2(a + i, b + i, c + i, d + i, n - i);
}

IMG_AVX2_FN void and_avx2(const uint32_t* m, uint32_t* d, int64_t n) {
    int64_t i = head8(d, n);
    and_sse2(m, d, i);
    for (; i + 8 <= n; i += 8) store8(d + i, _mm256_and_si256(load8(d + i), load8(m + i)));
    and_sse2(m + i, d + i, n - i);
}

[[gnu::always_inline]] IMG_AVX2_FN inline void half_row_avx2(const uint32_t* s, uint32_t* d, int64_t n) {
    const __m256i low = _mm256_set1_epi32(static_cast<int32_t>(low7));
    int64_t i = head8(d, n);
    half_row_sse2(s, d, i);
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = load8(s + i);
        const __m256i dv = load8(d + i);
        const __m256i blend = _mm256_add_epi32(_mm256_and_si256(_mm256_srli_epi32(sv, 1), low),
                                               _mm256_and_si256(_mm256_srli_epi32(dv, 1), low));
        store8(d + i, _mm256_blendv_epi8(blend, dv, holes8(sv)));
    }
    half_row_sse2(s + i, d + i, n - i);
}

IMG_AVX2_FN void fade_avx2(uint32_t* p, int64_t n, uint32_t amount) {
    const __m256i rgb = _mm256_set1_epi32(0xFFFFFF);
    const __m256i step = _mm256_set1_epi32(static_cast<int32_t>(amount | amount << 8 | amount << 16));
    int64_t i = head8(p, n);
    fade_sse2(p, i, amount);
    for (; i + 8 <= n; i += 8)
        store8(p + i, _mm256_subs_epu8(_mm256_and_si256(load8(p + i), rgb), step));
    fade_sse2(p + i, n - i, amount);
}

IMG_AVX2_FN void fill_avx2(uint32_t* d, int64_t n, uint32_t colour) {
    const __m256i v = _mm256_set1_epi32(static_cast<int32_t>(colour));
    int64_t i = head8(d, n);
    fill_sse2(d, i, colour);
    for (; i + 16 <= n; i += 16) {
        store8(d + i, v);
        store8(d + i + 8, v);
    }
    if (i + 8 <= n) {
        store8(d + i, v);
        i += 8;
    }
    fill_sse2(d + i, n - i, colour);
}

template <void (*row)(const uint32_t*, uint32_t*, int64_t)>
IMG_AVX2_FN void rect_avx2(const uint32_t* s, int64_t s_stride, uint32_t* d, int64_t d_stride,
                           int64_t w, int64_t h) {
    for (int64_t r = 0; r < h; ++r, s += s_stride, d += d_stride) row(s, d, w);
}

constexpr Kernels avx2_kernels = {rect_avx2<keyed_row_avx2>, or_avx2,   merge3_avx2, and_avx2,
                                  rect_avx2<half_row_avx2>,  fade_avx2, fill_avx2};
#endif

const Kernels& kernels_of(Level level) {
    switch (level) {
#if IMG_ROWS_AVX2
        case Level::avx2: return avx2_kernels;
#endif
#if defined(__SSE2__)
        case Level::sse2: return sse2_kernels;
#endif
        default: return scalar_kernels;
    }
}

const Kernels* active = nullptr;
Level active_level = Level::scalar;

}  // namespace

Level best() {
#if IMG_ROWS_AVX2
    // Checks the operating system's support for the wide registers too.
    if (__builtin_cpu_supports("avx2")) return Level::avx2;
#endif
#if defined(__SSE2__)
    return Level::sse2;
#else
    return Level::scalar;
#endif
}

const Kernels& kernels() {
    if (!active) use(best());
    return *active;
}

Level level() {
    if (!active) use(best());
    return active_level;
}

bool use(Level level) {
    if (static_cast<int>(level) > static_cast<int>(best())) return false;
    active = &kernels_of(level);
    active_level = level;
    return true;
}

}  // namespace img_rows
