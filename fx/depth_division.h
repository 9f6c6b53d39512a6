// fx/depth_division.h: the starfield's perspective division as a multiplication by a reciprocal
// from a table, for the depths and numerators of a field as the demo sets it up (depth 1 .. 256,
// numerator eye distance x coordinate within +-32768); a hardware division costs several times
// more, twice per star.
#pragma once
#include <array>
#include <cstdint>

namespace stars_division {

inline constexpr int32_t max_depth = 256;
inline constexpr int32_t max_numerator = 32768;  // in magnitude

// ceil(2^24 / d): with m * d = 2^24 + e, 0 <= e < d, the product n * m / 2^24 exceeds n / d by
// n * e / (d * 2^24), less than 1 / d for n <= 2^15 and d <= 2^8, so the shift drops exactly
// the remainder.
inline constexpr std::array<uint32_t, max_depth + 1> reciprocals = [] {
    std::array<uint32_t, max_depth + 1> r{};
    for (uint32_t d = 1; d <= max_depth; ++d) r[d] = ((uint32_t{1} << 24) + d - 1) / d;
    return r;
}();

// Whether n / d may be taken by divide().
inline bool in_range(int32_t n, int32_t d) {
    return static_cast<uint32_t>(d - 1) < static_cast<uint32_t>(max_depth) &&
           static_cast<uint32_t>(n + max_numerator) <= static_cast<uint32_t>(2 * max_numerator);
}

// n / d truncated toward zero, as C++ divides, for in_range(n, d).
inline int32_t divide(int32_t n, int32_t d) {
    const int64_t magnitude = n < 0 ? -int64_t{n} : int64_t{n};
    const auto q = static_cast<int32_t>((magnitude * reciprocals[static_cast<size_t>(d)]) >> 24);
    return n < 0 ? -q : q;
}

}  // namespace stars_division
