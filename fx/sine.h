// fx/sine.h: the shared 1024-entry sine table and the wrap that keeps phases inside it.
// A table value s stands for s / 32768 of a full swing; phases are plain indices.
#pragma once
#include <array>
#include <cstdint>

inline constexpr int16_t SINE_LEN = 1024;

// Quarter-wave symmetric: 0 at 0, 511, 512 and 1023; 32766 at 255 and 256; -32766 at 767, 768.
extern const std::array<int16_t, SINE_LEN> sine_table;

// The non-negative remainder of a modulo n, in [0, n), for any a and n > 0.
int32_t wrap_index(int32_t a, int32_t n);
