// img/rows.h: the pixel-run kernels under the compositing operations, the plasma and the raster
// fills. Each comes in three forms, the same pixels from each: a scalar loop for any processor,
// SSE2 (four pixels at a time; also WebAssembly SIMD through emscripten's SSE headers) and AVX2
// (eight), the widest the processor has being chosen on first use. The level chosen here also
// chooses the starfield's vector loops (fx/star_kernels.h), so one switch covers a whole frame.
// Unless said otherwise, the arrays of one call are distinct: no run overlaps another.
#pragma once
#include <cstdint>

// AVX2 is compiled into the x86 builds whatever the flags (functions marked IMG_AVX2_FN), and
// taken only on processors that have it.
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__)) && !defined(__EMSCRIPTEN__) && \
    (defined(__GNUC__) || defined(__clang__))
#define IMG_ROWS_AVX2 1
#define IMG_AVX2_FN __attribute__((target("avx2")))
#else
#define IMG_ROWS_AVX2 0
#endif

namespace img_rows {

enum class Level { scalar, sse2, avx2 };

// The rectangle kernels take w x h pixels, the rows `stride` pixels apart in each array: one call
// per rectangle, not per row, which matters where calls through pointers are dear (WebAssembly).
using RectKernel = void (*)(const uint32_t* s, int64_t s_stride, uint32_t* d, int64_t d_stride,
                            int64_t w, int64_t h);

struct Kernels {
    RectKernel keyed;  // d = s where s is not 0
    void (*or_in)(const uint32_t* s, uint32_t* d, int64_t n);  // d[i] |= s[i]
    // d[i] = a[i] | b[i] | c[i]
    void (*merge3)(const uint32_t* a, const uint32_t* b, const uint32_t* c, uint32_t* d, int64_t n);
    void (*and_mask)(const uint32_t* m, uint32_t* d, int64_t n);  // d[i] &= m[i]; m may be d
    // d = half of each channel of s plus half of each channel of d, where s is not 0
    RectKernel half;
    void (*fade)(uint32_t* p, int64_t n, uint32_t amount);  // each channel lowered, top byte 0
    void (*fill)(uint32_t* d, int64_t n, uint32_t colour);
};

// The kernels in use: the widest level the processor has, unless use() chose another.
const Kernels& kernels();

// The widest level this processor and build have, and the level in use.
Level best();
Level level();

// Switches every later call to the given level (tests compare the levels with one another);
// false, and nothing changed, when the processor or the build lacks it.
bool use(Level level);

// The column of a row `width` wide that takes source pixel 0 when a row is copied in at `column`
// with wrapping: the remainder keeps the sign of the column, and a column equal to the width
// acts as 0. The result lies in 0 .. width - 1.
inline int32_t wrap_column(int32_t column, int32_t width) {
    int32_t x = column;
    if (x < 0 && x > -width) {
        x += width;  // what the remainder below gives, without its division
    } else if (x < 0 || x > width) {
        x %= width;
        if (x < 0) x += width;
    }
    return x == width ? 0 : x;
}

}  // namespace img_rows
