// fx/star_kernels.cpp: the starfield's vector loops, SSE2 (four stars; also WebAssembly SIMD)
// and AVX2 (eight stars to project, four to move), and the table they are chosen from.
#include "fx/star_kernels.h"

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

#include <array>
#include <climits>
#include <cstddef>

namespace star_kernels {
namespace {

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
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + k * star_ints))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + (k + 4) * star_ints)), 1);
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
    for (; end - star >= 8 * star_ints; star += 8 * star_ints) {
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
            for (int32_t k = 0; k < 8; ++k) draw_point<true>(v, star + k * star_ints, t);
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
    for (; end - star >= 4 * star_ints; star += 4 * star_ints) {
        // Lane k of x, y and z belongs to star k: a 4 x 4 transpose.
        const __m128i s0 = load(star), s1 = load(star + star_ints);
        const __m128i s2 = load(star + 2 * star_ints), s3 = load(star + 3 * star_ints);
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
            for (int32_t k = 0; k < 4; ++k) draw_point<true>(v, star + k * star_ints, t);
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
            const size_t field = (8 * r + j) % star_ints;
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
    for (; end - star >= 4 * star_ints + 3; star += 4 * star_ints) {
        const __m256i now0 = load_ints(star), now1 = load_ints(star + 8), now2 = load_ints(star + 16);
        const __m256i next0 = _mm256_add_epi32(now0, load_ints(star + 3));
        const __m256i next1 = _mm256_add_epi32(now1, load_ints(star + 11));
        const __m256i next2 = _mm256_add_epi32(now2, load_ints(star + 19));
        const __m256i out = _mm256_or_si256(
            beyond(next0, limit[0], position[0]),
            _mm256_or_si256(beyond(next1, limit[1], position[1]), beyond(next2, limit[2], position[2])));
        if (!_mm256_testz_si256(out, out)) {
            for (int32_t k = 0; k < 4; ++k) move_star(star + k * star_ints, half[0], half[1], half[2]);
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
            const size_t field = (4 * r + j) % star_ints;
            p[j] = field < 3 ? -1 : 0;
            l[j] = field < 3 ? half[field] : 0;
        }
        limit[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(l.data()));
        position[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(p.data()));
    }
    const auto load = [](const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; end - star >= 4 * star_ints + 3; star += 4 * star_ints) {
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
            for (int32_t k = 0; k < 4; ++k) move_star(star + k * star_ints, half[0], half[1], half[2]);
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

// The scalar level: no vector form, every star to the reference.
const int32_t* draw_none(const View&, const int32_t* star, const int32_t*, const Plot&) { return star; }
int32_t* move_none(int32_t* star, int32_t*, std::array<int32_t, 3>) { return star; }

constexpr Kernels scalar_kernels = {draw_none, move_none};
#if defined(__SSE2__)
constexpr Kernels sse2_kernels = {draw_points_sse2, move_sse2};
#endif
#if IMG_ROWS_AVX2
// Eight stars at a time, then four, then one by one.
const int32_t* draw_points_avx2_sse2(const View& v, const int32_t* star, const int32_t* end,
                                     const Plot& t) {
    return draw_points_sse2(v, draw_points_avx2(v, star, end, t), end, t);
}
int32_t* move_avx2_sse2(int32_t* star, int32_t* end, std::array<int32_t, 3> half) {
    return move_sse2(move_avx2(star, end, half), end, half);
}
constexpr Kernels avx2_kernels = {draw_points_avx2_sse2, move_avx2_sse2};
#endif

}  // namespace

const Kernels& kernels() {
    switch (img_rows::level()) {
#if IMG_ROWS_AVX2
        case img_rows::Level::avx2: return avx2_kernels;
#endif
#if defined(__SSE2__)
        case img_rows::Level::sse2: return sse2_kernels;
#endif
        default: return scalar_kernels;
    }
}

}  // namespace star_kernels
