// main/frame_sum.cpp: FNV-1a over a frame's size and pixels.
#include "main/frame_sum.h"

#include <array>
#include <cstdio>

namespace {

constexpr uint64_t fnv_offset = 0xcbf29ce484222325ull;
constexpr uint64_t fnv_prime = 0x100000001b3ull;

uint64_t fnv_word(uint64_t h, uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
        h ^= (word >> shift) & 0xffu;
        h *= fnv_prime;
    }
    return h;
}

}  // namespace

uint64_t frame_checksum(const IMG* img) {
    if (!img || !img->pixels) return fnv_offset;
    uint64_t h = fnv_word(fnv_word(fnv_offset, static_cast<uint32_t>(img->width)),
                          static_cast<uint32_t>(img->height));
    const size_t n = static_cast<size_t>(img->width) * static_cast<size_t>(img->height);
    for (size_t i = 0; i < n; ++i) h = fnv_word(h, img->pixels[i]);
    return h;
}

std::string checksum_hex(uint64_t sum) {
    std::array<char, 17> text{};
    std::snprintf(text.data(), text.size(), "%016llx", static_cast<unsigned long long>(sum));
    return text.data();
}
