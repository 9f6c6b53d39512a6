// main/frame_sum.h: the checksum by which a composed frame is compared across runs, programs
// and machines (the renderer's --sums, the golden frames, the browser's still frames).
#pragma once
#include <cstdint>
#include <string>

#include "img/img.h"

// FNV-1a, 64 bits, over the pixels as little-endian 32-bit words, row by row; the size is mixed
// in first so that two images of the same pixels in another shape differ.
[[nodiscard]] uint64_t frame_checksum(const IMG* img);
[[nodiscard]] std::string checksum_hex(uint64_t sum);  // 16 lower-case hex digits
