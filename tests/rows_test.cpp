// The pixel-run kernels: each level the processor has gives, for every run length and every
// placement of the arrays against the vector width, what the one-pixel statement of the kernel
// gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/support.h"

namespace {

using Pixels = std::vector<uint32_t>;

// Pixels with holes (0), some set top bytes and saturating channels; fixed seed.
Pixels random_pixels(std::mt19937& gen, size_t n) {
    Pixels p(n);
    for (uint32_t& v : p) {
        const auto r = static_cast<uint32_t>(gen());
        v = r % 4 == 0 ? 0 : r % 4 == 1 ? (static_cast<uint32_t>(gen()) | 0xFF00FFu) : static_cast<uint32_t>(gen());
    }
    return p;
}

uint32_t half_of(uint32_t s, uint32_t d) {
    if (!s) return d;
    return ((s >> 1) & 0x7F7F7Fu) + ((d >> 1) & 0x7F7F7Fu);
}

uint32_t faded(uint32_t p, uint32_t k) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (p >> shift) & 0xFF;
        out |= (c > k ? c - k : 0) << shift;
    }
    return out;
}

TEST(ImgRows, EveryLevelGivesThePixelStatementForEveryLengthAndPlacement) {
    std::mt19937 gen(4417);
    kt::for_each_level([&gen](const char* level) {
        const img_rows::Kernels& k = img_rows::kernels();
        for (int64_t n = 0; n <= 150; ++n)
            for (size_t shift = 0; shift < 8; ++shift) {
                // The runs start `shift` pixels into their arrays, the sources one further, and
                // the words around the destination run must stay as they were.
                const size_t len = static_cast<size_t>(n);
                const Pixels a = random_pixels(gen, len + 9), b = random_pixels(gen, len + 9);
                const Pixels c = random_pixels(gen, len + 9), before = random_pixels(gen, len + 16);
                const auto colour = static_cast<uint32_t>(gen());
                const auto amount = static_cast<uint32_t>(gen() % 256);
                const uint32_t* s = a.data() + shift + 1;
                const auto check = [&](const char* kernel, const Pixels& got, auto pixel) {
                    for (size_t i = 0; i < before.size(); ++i) {
                        const bool in_run = i >= shift && i < shift + len;
                        const uint32_t want = in_run ? pixel(i - shift) : before[i];
                        ASSERT_EQ(got[i], want) << level << " " << kernel << ", run of " << n
                                                << " at " << shift << ", word " << i;
                    }
                };
                Pixels d = before;
                k.keyed(s, 0, d.data() + shift, 0, n, 1);
                check("keyed", d, [&](size_t i) { return s[i] ? s[i] : before[shift + i]; });
                d = before;
                k.or_in(s, d.data() + shift, n);
                check("or", d, [&](size_t i) { return s[i] | before[shift + i]; });
                d = before;
                k.merge3(s, b.data() + 3, c.data() + 8 - shift, d.data() + shift, n);
                check("merge3", d, [&](size_t i) { return s[i] | b[3 + i] | c[8 - shift + i]; });
                d = before;
                k.and_mask(s, d.data() + shift, n);
                check("and", d, [&](size_t i) { return s[i] & before[shift + i]; });
                d = before;
                k.and_mask(d.data() + shift, d.data() + shift, n);  // the mask is the destination
                check("and with itself", d, [&](size_t i) { return before[shift + i]; });
                d = before;
                k.half(s, 0, d.data() + shift, 0, n, 1);
                check("half", d, [&](size_t i) { return half_of(s[i], before[shift + i]); });
                d = before;
                k.fade(d.data() + shift, n, amount);
                check("fade", d, [&](size_t i) { return faded(before[shift + i], amount); });
                d = before;
                k.fill(d.data() + shift, n, colour);
                check("fill", d, [&](size_t) { return colour; });
                if (testing::Test::HasFatalFailure()) return;
            }
    });
}

// The rectangle kernels: rows of each array their own stride apart, the pixels between the rows
// untouched.
TEST(ImgRows, RectangleKernelsWalkTheRowsByTheirStrides) {
    std::mt19937 gen(7163);
    kt::for_each_level([&gen](const char* level) {
        for (int trial = 0; trial < 200; ++trial) {
            const auto w = static_cast<int64_t>(gen() % 40), h = static_cast<int64_t>(gen() % 5);
            const int64_t ss = w + static_cast<int64_t>(gen() % 9), ds = w + 1 + static_cast<int64_t>(gen() % 8);
            const Pixels src = random_pixels(gen, static_cast<size_t>(ss * h + 1));
            const Pixels before = random_pixels(gen, static_cast<size_t>(ds * h + 1));
            for (const bool half : {false, true}) {
                Pixels d = before;
                (half ? img_rows::kernels().half : img_rows::kernels().keyed)(src.data(), ss, d.data(), ds, w, h);
                for (int64_t i = 0; i < static_cast<int64_t>(d.size()); ++i) {
                    const int64_t r = i / ds, x = i % ds;
                    const auto at = static_cast<size_t>(i);
                    uint32_t want = before[at];
                    if (r < h && x < w) {
                        const uint32_t sp = src[static_cast<size_t>(r * ss + x)];
                        want = half ? half_of(sp, before[at]) : sp ? sp : before[at];
                    }
                    ASSERT_EQ(d[at], want) << level << (half ? " half" : " keyed") << " trial " << trial
                                           << ", word " << i;
                }
            }
        }
    });
}

}  // namespace
