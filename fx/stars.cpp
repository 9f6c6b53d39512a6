// fx/stars.cpp: a starfield in 16.16 fixed point, projected with integer division only.
#include "fx/stars.h"

#include "fx/depth_division.h"
#include "img/rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif
#if IMG_ROWS_AVX2
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace {

constexpr int32_t kInts = 6;  // x, y, z, vx, vy, vz per star, 16.16
constexpr int32_t kDefaultCount = 10;
constexpr int32_t kSpriteOffset = 8;  // centres a 16 x 16 sprite on the star

// 32-bit sum that wraps instead of overflowing; positions kept inside the box never wrap.
constexpr int32_t add_wrapping(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Half the box side in 16.16: (size << 16) >> 1, shifted in 32 bits as the box is defined.
constexpr int32_t half_extent(int32_t size) {
    return static_cast<int32_t>(static_cast<uint32_t>(size) << 16) >> 1;
}

// Back to the origin with a new velocity: six rand() calls, magnitude then sign, per axis in
// the order x, y, z. The generator is never seeded, so every run spawns the same stars.
void respawn_star(int32_t* star) {
    star[0] = star[1] = star[2] = 0;
    for (int32_t axis = 3; axis < kInts; ++axis) {
        int32_t v = std::rand() & 0x3ffff;  // 0 .. just under 4 units per move
        if (std::rand() & 1) v = -v;
        star[axis] = v;
    }
}

// The projection's constants, copied out of the record so that pixel writes (which may alias
// its ints) do not force them to be read again for every star.
struct View {
    int64_t cx, cy;
    int32_t cz;
};

struct Projected {
    int64_t sx, sy;
    uint32_t colour;
};

// Perspective projection of one star with depth d != 0. Narrow: |cz| < 32768, so cz * X fits
// an int for every X = x >> 16 and the division stays 32-bit (a multiplication by a reciprocal
// for the depths and numerators of the demo's field); otherwise it is done wide. All truncate
// toward zero.
template <bool Narrow>
inline Projected project(const View& v, const int32_t* star, int32_t d) {
    const int32_t x = star[0] >> 16;
    const int32_t y = star[1] >> 16;
    int64_t qx, qy;
    if constexpr (Narrow) {
        const int32_t nx = v.cz * x;
        const int32_t ny = v.cz * y;
        if (stars_division::in_range(nx, d) && stars_division::in_range(ny, d)) {
            qx = stars_division::divide(nx, d);
            qy = stars_division::divide(ny, d);
        } else {
            qx = nx / d;
            qy = ny / d;
        }
    } else {
        qx = (int64_t{v.cz} * x) / d;
        qy = (int64_t{v.cz} * y) / d;
    }
    // Near stars bright, far ones dark: 255 - D for D in 1..255.
    const auto grey = static_cast<uint32_t>(~d) & 0xffu;
    return {v.cx + qx, v.cy + qy, grey * 0x010101u};
}

// The target's pixels as the drawing loops see them. A point off the target is written to a
// scratch word instead, the same silent drop as IMG_set_pixel's: picked by masks, as a branch on
// it would mispredict for about every star that leaves the target.
struct Plot {
    int64_t w, h;
    uintptr_t pixels;
    uintptr_t scratch;

    uint32_t* slot(bool inside, int64_t index) const {
        const uintptr_t off = static_cast<uintptr_t>(inside) - 1;  // all ones when off
        const uintptr_t at = pixels + static_cast<uintptr_t>(index) * sizeof(uint32_t);
        return reinterpret_cast<uint32_t*>((at & ~off) | (scratch & off));
    }
};

template <bool Narrow>
inline void draw_point(const View& v, const int32_t* star, const Plot& t) {
    const int32_t d = add_wrapping(star[2] >> 16, v.cz);
    if (d == 0) return;
    const Projected p = project<Narrow>(v, star, d);
    const bool inside = (p.sx >= 0) & (p.sy >= 0) & (p.sx < t.w) & (p.sy < t.h);
    *t.slot(inside, p.sy * t.w + p.sx) = p.colour;
}

#if IMG_ROWS_AVX2
// a <= b as unsigned numbers, lane by lane
IMG_AVX2_FN inline __m256i at_most(__m256i a, __m256i b) {
    return _mm256_cmpeq_epi32(_mm256_max_epu32(a, b), b);
}

// n * m >> 24 truncated toward zero, for |n| <= 2^15 and m <= 2^24: 64-bit products of the
// even and of the odd lanes.
IMG_AVX2_FN inline __m256i scale(__m256i n, __m256i m) {
    const __m256i a = _mm256_abs_epi32(n);
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(a, m), 24);
    const __m256i odd =
        _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(m, 32)), 24);
    return _mm256_sign_epi32(_mm256_or_si256(even, _mm256_slli_epi64(odd, 32)), n);
}

// Two points packed in 64 bits each, the lower first: the pixel index (-1: off the target) and
// its colour.
inline void plot_pair(const Plot& t, int64_t where, int64_t colour) {
    const auto first = static_cast<int32_t>(where), second = static_cast<int32_t>(where >> 32);
    *t.slot(first >= 0, first) = static_cast<uint32_t>(colour);
    *t.slot(second >= 0, second) = static_cast<uint32_t>(static_cast<uint64_t>(colour) >> 32);
}

// x, y, z of stars k and k + 4 of a block of eight, each in its own 128-bit half
IMG_AVX2_FN inline __m256i star_pair(const int32_t* block, int32_t k) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k * kInts))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + (k + 4) * kInts)), 1);
}

// Eight stars at a time, for a narrow focal length and a centre whose sum with any quotient
// (at most 32768 in magnitude) fits an int. A block with a star outside the reciprocals' range
// (or at the eye) goes through the scalar loop. The points are plotted in star order either way,
// so a later star still covers an earlier one on the same pixel.
IMG_AVX2_FN const int32_t* draw_points_avx2(const View& v, const int32_t* star, const int32_t* end,
                                            const Plot& t) {
    namespace sd = stars_division;
    const __m256i cz = _mm256_set1_epi32(v.cz);
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i depths = _mm256_set1_epi32(sd::max_depth - 1);
    const __m256i bias = _mm256_set1_epi32(sd::max_numerator);
    const __m256i span = _mm256_set1_epi32(2 * sd::max_numerator);
    const __m256i cx = _mm256_set1_epi32(static_cast<int32_t>(v.cx));
    const __m256i cy = _mm256_set1_epi32(static_cast<int32_t>(v.cy));
    const __m256i w = _mm256_set1_epi32(static_cast<int32_t>(t.w));
    const __m256i h = _mm256_set1_epi32(static_cast<int32_t>(t.h));
    const __m256i none = _mm256_set1_epi32(-1);
    const __m256i low8 = _mm256_set1_epi32(0xFF);
    const auto* table = reinterpret_cast<const int*>(sd::reciprocals.data());
    for (; end - star >= 8 * kInts; star += 8 * kInts) {
        // Lane k of x, y and z belongs to star k: a 4 x 4 transpose in each half.
        const __m256i s0 = star_pair(star, 0), s1 = star_pair(star, 1);
        const __m256i s2 = star_pair(star, 2), s3 = star_pair(star, 3);
        const __m256i t0 = _mm256_unpacklo_epi32(s0, s1), t1 = _mm256_unpacklo_epi32(s2, s3);
        const __m256i t2 = _mm256_unpackhi_epi32(s0, s1), t3 = _mm256_unpackhi_epi32(s2, s3);
        const __m256i x = _mm256_srai_epi32(_mm256_unpacklo_epi64(t0, t1), 16);
        const __m256i y = _mm256_srai_epi32(_mm256_unpackhi_epi64(t0, t1), 16);
        const __m256i z = _mm256_srai_epi32(_mm256_unpacklo_epi64(t2, t3), 16);
        const __m256i d = _mm256_add_epi32(z, cz);
        const __m256i nx = _mm256_mullo_epi32(cz, x);
        const __m256i ny = _mm256_mullo_epi32(cz, y);
        const __m256i ok = _mm256_and_si256(
            at_most(_mm256_sub_epi32(d, one), depths),
            _mm256_and_si256(at_most(_mm256_add_epi32(nx, bias), span),
                             at_most(_mm256_add_epi32(ny, bias), span)));
        if (_mm256_movemask_epi8(ok) != -1) {
            for (int32_t k = 0; k < 8; ++k) draw_point<true>(v, star + k * kInts, t);
            continue;
        }
        const __m256i m = _mm256_i32gather_epi32(table, d, 4);
        const __m256i px = _mm256_add_epi32(cx, scale(nx, m));
        const __m256i py = _mm256_add_epi32(cy, scale(ny, m));
        const __m256i inside = _mm256_and_si256(
            _mm256_and_si256(_mm256_cmpgt_epi32(px, none), _mm256_cmpgt_epi32(w, px)),
            _mm256_and_si256(_mm256_cmpgt_epi32(py, none), _mm256_cmpgt_epi32(h, py)));
        const __m256i g = _mm256_andnot_si256(d, low8);
        // The pixel index, -1 for a point off the target, and the grey, taken out of the
        // registers two lanes at a time (a narrow load of a wide store just made would wait
        // for the store).
        const __m256i where = _mm256_or_si256(_mm256_add_epi32(_mm256_mullo_epi32(py, w), px),
                                              _mm256_xor_si256(inside, none));
        const __m256i colour =
            _mm256_or_si256(_mm256_or_si256(g, _mm256_slli_epi32(g, 8)), _mm256_slli_epi32(g, 16));
        const __m128i where_low = _mm256_castsi256_si128(where);
        const __m128i where_high = _mm256_extracti128_si256(where, 1);
        const __m128i colour_low = _mm256_castsi256_si128(colour);
        const __m128i colour_high = _mm256_extracti128_si256(colour, 1);
        plot_pair(t, _mm_cvtsi128_si64(where_low), _mm_cvtsi128_si64(colour_low));
        plot_pair(t, _mm_extract_epi64(where_low, 1), _mm_extract_epi64(colour_low, 1));
        plot_pair(t, _mm_cvtsi128_si64(where_high), _mm_cvtsi128_si64(colour_high));
        plot_pair(t, _mm_extract_epi64(where_high, 1), _mm_extract_epi64(colour_high, 1));
    }
    return star;
}
#endif

#if defined(__SSE2__)
// The SSE2 forms (four stars at a time), for processors without AVX2 and for WebAssembly SIMD.
// SSE2 has neither a 32-bit low product, nor absolute values, nor unsigned comparisons: each is
// made of what it has.
#if defined(__wasm_simd128__)
// WebAssembly has these three as instructions of its own.
template <typename To, typename From>
inline To as(From v) {
    return __builtin_bit_cast(To, v);
}

inline __m128i mullo4(__m128i a, __m128i b) {
    return as<__m128i>(wasm_i32x4_mul(as<v128_t>(a), as<v128_t>(b)));
}

inline __m128i at_most4(__m128i a, __m128i b) {
    return as<__m128i>(wasm_u32x4_le(as<v128_t>(a), as<v128_t>(b)));
}

inline __m128i scale4(__m128i n, __m128i m) {
    const v128_t a = wasm_i32x4_abs(as<v128_t>(n));
    const v128_t mv = as<v128_t>(m);
    const v128_t low = wasm_u64x2_shr(wasm_u64x2_extmul_low_u32x4(a, mv), 24);
    const v128_t high = wasm_u64x2_shr(wasm_u64x2_extmul_high_u32x4(a, mv), 24);
    const v128_t q = wasm_i32x4_shuffle(low, high, 0, 2, 4, 6);
    const v128_t sign = wasm_i32x4_shr(as<v128_t>(n), 31);
    return as<__m128i>(wasm_i32x4_sub(wasm_v128_xor(q, sign), sign));
}
#else
inline __m128i mullo4(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// a <= b as unsigned numbers, lane by lane
inline __m128i at_most4(__m128i a, __m128i b) {
    const __m128i top = _mm_set1_epi32(INT32_MIN);
    return _mm_xor_si128(_mm_cmpgt_epi32(_mm_xor_si128(a, top), _mm_xor_si128(b, top)),
                         _mm_set1_epi32(-1));
}

// n * m >> 24 truncated toward zero, for |n| <= 2^15 and m <= 2^24
inline __m128i scale4(__m128i n, __m128i m) {
    const __m128i sign = _mm_srai_epi32(n, 31);
    const __m128i a = _mm_sub_epi32(_mm_xor_si128(n, sign), sign);
    const __m128i even = _mm_srli_epi64(_mm_mul_epu32(a, m), 24);
    const __m128i odd =
        _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(m, 32)), 24);
    const __m128i q = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
    return _mm_sub_epi32(_mm_xor_si128(q, sign), sign);
}
#endif

// What draw_points_avx2 does, four stars at a time.
const int32_t* draw_points_sse2(const View& v, const int32_t* star, const int32_t* end,
                                const Plot& t) {
    namespace sd = stars_division;
    const __m128i cz = _mm_set1_epi32(v.cz);
    const __m128i one = _mm_set1_epi32(1);
    const __m128i depths = _mm_set1_epi32(sd::max_depth - 1);
    const __m128i bias = _mm_set1_epi32(sd::max_numerator);
    const __m128i span = _mm_set1_epi32(2 * sd::max_numerator);
    const __m128i cx = _mm_set1_epi32(static_cast<int32_t>(v.cx));
    const __m128i cy = _mm_set1_epi32(static_cast<int32_t>(v.cy));
    const __m128i w = _mm_set1_epi32(static_cast<int32_t>(t.w));
    const __m128i h = _mm_set1_epi32(static_cast<int32_t>(t.h));
    const __m128i none = _mm_set1_epi32(-1);
    const __m128i low8 = _mm_set1_epi32(0xFF);
    const auto load = [](const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; end - star >= 4 * kInts; star += 4 * kInts) {
        // Lane k of x, y and z belongs to star k: a 4 x 4 transpose.
        const __m128i s0 = load(star), s1 = load(star + kInts);
        const __m128i s2 = load(star + 2 * kInts), s3 = load(star + 3 * kInts);
        const __m128i t0 = _mm_unpacklo_epi32(s0, s1), t1 = _mm_unpacklo_epi32(s2, s3);
        const __m128i t2 = _mm_unpackhi_epi32(s0, s1), t3 = _mm_unpackhi_epi32(s2, s3);
        const __m128i x = _mm_srai_epi32(_mm_unpacklo_epi64(t0, t1), 16);
        const __m128i y = _mm_srai_epi32(_mm_unpackhi_epi64(t0, t1), 16);
        const __m128i z = _mm_srai_epi32(_mm_unpacklo_epi64(t2, t3), 16);
        const __m128i d = _mm_add_epi32(z, cz);
        const __m128i nx = mullo4(cz, x);
        const __m128i ny = mullo4(cz, y);
        const __m128i ok = _mm_and_si128(
            at_most4(_mm_sub_epi32(d, one), depths),
            _mm_and_si128(at_most4(_mm_add_epi32(nx, bias), span), at_most4(_mm_add_epi32(ny, bias), span)));
        if (_mm_movemask_epi8(ok) != 0xFFFF) {
            for (int32_t k = 0; k < 4; ++k) draw_point<true>(v, star + k * kInts, t);
            continue;
        }
        alignas(16) std::array<int32_t, 4> depth{};
        _mm_store_si128(reinterpret_cast<__m128i*>(depth.data()), d);
        const auto r = [&depth](size_t k) {
            return static_cast<int32_t>(sd::reciprocals[static_cast<size_t>(depth[k])]);
        };
        const __m128i m = _mm_setr_epi32(r(0), r(1), r(2), r(3));
        const __m128i px = _mm_add_epi32(cx, scale4(nx, m));
        const __m128i py = _mm_add_epi32(cy, scale4(ny, m));
        const __m128i inside = _mm_and_si128(
            _mm_and_si128(_mm_cmpgt_epi32(px, none), _mm_cmpgt_epi32(w, px)),
            _mm_and_si128(_mm_cmpgt_epi32(py, none), _mm_cmpgt_epi32(h, py)));
        const __m128i g = _mm_andnot_si128(d, low8);
        alignas(16) std::array<int32_t, 4> where{};
        alignas(16) std::array<uint32_t, 4> colour{};
        _mm_store_si128(reinterpret_cast<__m128i*>(where.data()),
                        _mm_or_si128(_mm_add_epi32(mullo4(py, w), px), _mm_xor_si128(inside, none)));
        _mm_store_si128(reinterpret_cast<__m128i*>(colour.data()),
                        _mm_or_si128(_mm_or_si128(g, _mm_slli_epi32(g, 8)), _mm_slli_epi32(g, 16)));
        for (size_t k = 0; k < 4; ++k) *t.slot(where[k] >= 0, where[k]) = colour[k];
    }
    return star;
}
#endif

template <bool Narrow>
void draw_points(const STARS* s, IMG* target) {
    const View v{s->cx, s->cy, s->cz};
    const int32_t* star = s->star_data;
    const int32_t* const end = star + static_cast<std::ptrdiff_t>(std::max(s->count, 0)) * kInts;
    uint32_t scratch = 0;
    const Plot t{target->width, target->height, reinterpret_cast<uintptr_t>(target->pixels),
                 reinterpret_cast<uintptr_t>(&scratch)};
#if defined(__SSE2__)
    // The vector forms add the centre in 32 bits.
    constexpr int64_t centre_limit = int64_t{1} << 30;
    if (Narrow && v.cx > -centre_limit && v.cx < centre_limit && v.cy > -centre_limit &&
        v.cy < centre_limit) {
#if IMG_ROWS_AVX2
        if (img_rows::level() == img_rows::Level::avx2) star = draw_points_avx2(v, star, end, t);
#endif
        if (img_rows::level() != img_rows::Level::scalar) star = draw_points_sse2(v, star, end, t);
    }
#endif
    for (; star != end; star += kInts) draw_point<Narrow>(v, star, t);
}

// A target without pixels: every point goes through the accessor, which reports it.
void draw_points_reporting(const STARS* s, IMG* target) {
    const View v{s->cx, s->cy, s->cz};
    const int32_t* star = s->star_data;
    for (int32_t k = 0; k < s->count; ++k, star += kInts) {
        const int32_t d = add_wrapping(star[2] >> 16, v.cz);
        if (d == 0) continue;
        const Projected p = project<false>(v, star, d);
        constexpr int64_t lo = std::numeric_limits<int32_t>::min();
        constexpr int64_t hi = std::numeric_limits<int32_t>::max();
        IMG_set_pixel(target, static_cast<int32_t>(p.sx < lo ? lo : p.sx > hi ? hi : p.sx),
                      static_cast<int32_t>(p.sy < lo ? lo : p.sy > hi ? hi : p.sy), p.colour);
    }
}

// One step of one star: the new position, or a respawn when it leaves the box (whose faces are
// inside it).
inline void move_star(int32_t* star, int32_t lx, int32_t ly, int32_t lz) {
    const int32_t nx = add_wrapping(star[0], star[3]);
    const int32_t ny = add_wrapping(star[1], star[4]);
    const int32_t nz = add_wrapping(star[2], star[5]);
    // One test of the six together: a star rarely leaves.
    const bool out = (nx < -lx) | (nx > lx) | (ny < -ly) | (ny > ly) | (nz < -lz) | (nz > lz);
    if (out) {
        respawn_star(star);
        return;
    }
    star[0] = nx;
    star[1] = ny;
    star[2] = nz;
}

#if IMG_ROWS_AVX2
IMG_AVX2_FN inline __m256i load_ints(const int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
IMG_AVX2_FN inline void store_ints(int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Four stars (24 ints, three registers) at a time. The ints three places on are added to every
// int: at a position that is its velocity, elsewhere a sum nobody uses. A group in which a star
// leaves the box goes through the scalar step, star by star, so that the respawns draw from
// rand() in star order. The loads reach three ints past the group: the last group is scalar.
IMG_AVX2_FN int32_t* move_avx2(int32_t* star, int32_t* end, std::array<int32_t, 3> half) {
    // Int i of a group is field i mod 6 of its star: positions are fields 0, 1 and 2.
    __m256i limit[3], position[3];  // std::array drops the vector type's attributes
    for (size_t r = 0; r < 3; ++r) {
        alignas(32) std::array<int32_t, 8> l{}, p{};
        for (size_t j = 0; j < 8; ++j) {
            const size_t field = (8 * r + j) % kInts;
            p[j] = field < 3 ? -1 : 0;
            l[j] = field < 3 ? half[field] : 0;
        }
        limit[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(l.data()));
        position[r] = _mm256_load_si256(reinterpret_cast<const __m256i*>(p.data()));
    }
    const __m256i zero = _mm256_setzero_si256();
    // The lanes of one register that leave the box: a position beyond either face.
    const auto beyond = [zero](__m256i next, __m256i l, __m256i p) IMG_AVX2_FN {
        return _mm256_and_si256(_mm256_or_si256(_mm256_cmpgt_epi32(next, l),
                                                _mm256_cmpgt_epi32(_mm256_sub_epi32(zero, l), next)),
                                p);
    };
    for (; end - star >= 4 * kInts + 3; star += 4 * kInts) {
        const __m256i now0 = load_ints(star), now1 = load_ints(star + 8), now2 = load_ints(star + 16);
        const __m256i next0 = _mm256_add_epi32(now0, load_ints(star + 3));
        const __m256i next1 = _mm256_add_epi32(now1, load_ints(star + 11));
        const __m256i next2 = _mm256_add_epi32(now2, load_ints(star + 19));
        const __m256i out = _mm256_or_si256(
            beyond(next0, limit[0], position[0]),
            _mm256_or_si256(beyond(next1, limit[1], position[1]), beyond(next2, limit[2], position[2])));
        if (!_mm256_testz_si256(out, out)) {
            for (int32_t k = 0; k < 4; ++k) move_star(star + k * kInts, half[0], half[1], half[2]);
            continue;
        }
        store_ints(star, _mm256_blendv_epi8(now0, next0, position[0]));
        store_ints(star + 8, _mm256_blendv_epi8(now1, next1, position[1]));
        store_ints(star + 16, _mm256_blendv_epi8(now2, next2, position[2]));
    }
    return star;
}
#endif

#if defined(__SSE2__)
// What move_avx2 does, with four stars in six registers.
int32_t* move_sse2(int32_t* star, int32_t* end, std::array<int32_t, 3> half) {
    __m128i limit[6], position[6];  // std::array drops the vector type's attributes
    for (size_t r = 0; r < 6; ++r) {
        alignas(16) std::array<int32_t, 4> l{}, p{};
        for (size_t j = 0; j < 4; ++j) {
            const size_t field = (4 * r + j) % kInts;
            p[j] = field < 3 ? -1 : 0;
            l[j] = field < 3 ? half[field] : 0;
        }
        limit[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(l.data()));
        position[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(p.data()));
    }
    const auto load = [](const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; end - star >= 4 * kInts + 3; star += 4 * kInts) {
        __m128i now[6], next[6];
        __m128i out = _mm_setzero_si128();
        for (size_t r = 0; r < 6; ++r) {
            now[r] = load(star + 4 * r);
            next[r] = _mm_add_epi32(now[r], load(star + 4 * r + 3));
            const __m128i beyond =
                _mm_or_si128(_mm_cmpgt_epi32(next[r], limit[r]),
                             _mm_cmpgt_epi32(_mm_sub_epi32(_mm_setzero_si128(), limit[r]), next[r]));
            out = _mm_or_si128(out, _mm_and_si128(beyond, position[r]));
        }
        if (_mm_movemask_epi8(out)) {
            for (int32_t k = 0; k < 4; ++k) move_star(star + k * kInts, half[0], half[1], half[2]);
            continue;
        }
        for (size_t r = 0; r < 6; ++r)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(star + 4 * r),
                             _mm_or_si128(_mm_and_si128(position[r], next[r]),
                                          _mm_andnot_si128(position[r], now[r])));
    }
    return star;
}
#endif

}  // namespace

STARS* STARS_new() {
    auto* s = static_cast<STARS*>(std::calloc(1, sizeof(STARS)));
    if (!s) return nullptr;
    s->cx = s->cy = s->cz = 128;
    s->size_x = s->size_y = s->size_z = 256;
    STARS_set_count(s, kDefaultCount);
    if (!s->star_data) {
        std::free(s);
        return nullptr;
    }
    return s;
}

void STARS_free(STARS** s) {
    if (!s || !*s) return;
    std::free((*s)->star_data);
    std::free(*s);
    *s = nullptr;
}

void STARS_set_count(STARS* s, int32_t n) {
    if (!s) return;
    std::free(s->star_data);
    s->star_data = nullptr;
    s->count = 0;
    // Refused: a negative count, one whose array size overflows an int, or no memory.
    if (n <= 0 || n > std::numeric_limits<int32_t>::max() / kInts) return;
    s->star_data = static_cast<int32_t*>(
        std::calloc(static_cast<std::size_t>(n) * kInts, sizeof(int32_t)));
    if (!s->star_data) return;
    s->count = n;
    STARS_respawn_all(s);
}

void STARS_respawn_all(STARS* s) {
    if (!s) return;
    for (int32_t k = 0; k < s->count; ++k) STARS_respawn(s, k);
}

void STARS_respawn(STARS* s, int32_t k) {
    if (!s || !s->star_data || k < 0 || k >= s->count) return;
    respawn_star(s->star_data + static_cast<std::ptrdiff_t>(k) * kInts);
}

void STARS_move(STARS* s) {
    if (!s || !s->star_data) return;
    const int32_t lx = half_extent(s->size_x);
    const int32_t ly = half_extent(s->size_y);
    const int32_t lz = half_extent(s->size_z);
    int32_t* star = s->star_data;
    int32_t* const end = star + static_cast<std::ptrdiff_t>(std::max(s->count, 0)) * kInts;
#if IMG_ROWS_AVX2
    if (img_rows::level() == img_rows::Level::avx2) star = move_avx2(star, end, {lx, ly, lz});
#endif
#if defined(__SSE2__)
    if (img_rows::level() != img_rows::Level::scalar) star = move_sse2(star, end, {lx, ly, lz});
#endif
    for (; star != end; star += kInts) move_star(star, lx, ly, lz);
}

void STARS_draw_points(const STARS* s, IMG* target) {
    if (!s || !target || !s->star_data) return;
    if (!target->pixels)
        draw_points_reporting(s, target);
    else if (s->cz > -32768 && s->cz < 32768)
        draw_points<true>(s, target);
    else
        draw_points<false>(s, target);
}

void STARS_draw_sprites(const STARS* s, IMG* target, const IMG* sprite) {
    if (!s || !target || !sprite || !s->star_data) return;
    const int32_t* star = s->star_data;
    for (int32_t k = 0; k < s->count; ++k, star += kInts)
        IMG_blit_keyed(sprite, target, 0, 0, (star[0] >> 16) - kSpriteOffset,
                       (star[1] >> 16) - kSpriteOffset, sprite->width, sprite->height);
}
