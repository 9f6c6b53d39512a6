// fx/plasma.cpp: the plasma, three one-row channel gradients copied into every target row,
// each rotated sideways by the weighted sum of two sines whose phases step per row and frame.
#include <algorithm>
#include <cstddef>
#include <utility>

#include "fx/effects.h"
#include "fx/sine.h"
#include "main/demo.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

const std::array<PlasmaWave, 6> plasma_waves = {{
    {4, 1, 200},   // red, first wave
    {5, 1, 220},   // green
    {6, 1, 250},   // blue
    {-7, 1, 280},  // red, second wave
    {-8, 1, 300},  // green
    {-9, 1, 330},  // blue
}};

std::array<int32_t, 6> plasma_phases = {};
IMG* plasma_palette = nullptr;

namespace {

struct PaletteRow {
    int32_t span;   // 1/65536 of a period across the row
    int32_t peak;
    int32_t phase;  // 16.16 table index of the last column
    int32_t shift;  // channel position
};
// Red, green, blue; green's start phase of 64/65536 entry makes it a hair ahead of red.
constexpr std::array<PaletteRow, 3> palette_rows = {{
    {0x4000, 255, 0, 16},
    {0x4000, 255, 64, 8},
    {0x2000, 255, 128, 0},
}};

using RowCopy = void (*)(const IMG*, IMG*, int32_t, int32_t, int32_t);

// wrap_index (phase + step, SINE_LEN) for a phase already in range, without its division in the
// usual case of a result still in range.
inline int32_t step_phase(int32_t phase, int32_t step) {
    const int32_t next = phase + step;
    return next >= 0 && next < SINE_LEN ? next : wrap_index(next, SINE_LEN);
}

// A run of n target pixels: the red palette pixel where it is not 0 (the keyed copy), else the
// target's own, with the green and blue palette pixels ORed in. `solid`: no red pixel is 0, so
// the target's own pixels need not be read.
template <bool solid>
void plasma_run(const uint32_t* r, const uint32_t* g, const uint32_t* b, uint32_t* out, int32_t n) {
    int32_t i = 0;
#if defined(__SSE2__)
    const auto load = [](const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; i + 4 <= n; i += 4) {
        __m128i red = load(r + i);
        if constexpr (!solid)
            red = _mm_or_si128(red, _mm_and_si128(_mm_cmpeq_epi32(red, _mm_setzero_si128()), load(out + i)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_or_si128(red, _mm_or_si128(load(g + i), load(b + i))));
    }
#endif
    for (; i < n; ++i) out[i] = (r[i] ? r[i] : out[i]) | g[i] | b[i];
}

// Target row y as IMG_blit_row_keyed of palette row 0 and IMG_blit_row_or of rows 1 and 2 at
// the given columns leave it, for a palette as wide as the target: target column j takes
// palette column (j - column) mod width of each row, so the row is cut where a channel wraps.
// `solid`: the red row holds no 0.
void plasma_row(const IMG* palette, IMG* target, int32_t y, const std::array<int32_t, 3>& column,
                bool solid) {
    const int32_t w = target->width;
    std::array<int32_t, 3> start{};  // target column that takes palette column 0
    for (size_t c = 0; c < 3; ++c) {
        const int32_t x = column[c] % w;
        start[c] = x < 0 ? x + w : x;
    }
    // The cuts in order: the three starts sorted by three compare-and-swaps.
    std::array<int32_t, 5> cuts = {0, start[0], start[1], start[2], w};
    const auto order = [&cuts](size_t i, size_t j) {
        if (cuts[i] > cuts[j]) std::swap(cuts[i], cuts[j]);
    };
    order(1, 2);
    order(2, 3);
    order(1, 2);
    uint32_t* row = target->pixels + static_cast<ptrdiff_t>(y) * w;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const int32_t a = cuts[k], n = cuts[k + 1] - a;
        if (n <= 0) continue;
        std::array<const uint32_t*, 3> from{};
        for (size_t c = 0; c < 3; ++c) {
            const int32_t src = a >= start[c] ? a - start[c] : a - start[c] + w;
            from[c] = palette->pixels + static_cast<ptrdiff_t>(c) * w + src;
        }
        if (solid)
            plasma_run<true>(from[0], from[1], from[2], row + a, n);
        else
            plasma_run<false>(from[0], from[1], from[2], row + a, n);
    }
}

// One channel over every target row, bottom row first. The phases are local copies: the frame's
// phases stay as they are until fx_plasma_step.
void channel_pass(int32_t channel, IMG* target, RowCopy copy) {
    const PlasmaWave& first = plasma_waves[static_cast<size_t>(channel)];
    const PlasmaWave& second = plasma_waves[static_cast<size_t>(channel + 3)];
    int32_t a = wrap_index(plasma_phases[static_cast<size_t>(channel)], SINE_LEN);
    int32_t b = wrap_index(plasma_phases[static_cast<size_t>(channel + 3)], SINE_LEN);
    for (int32_t y = target->height - 1; y >= 0; --y) {
        const int32_t offset = (sine_table[static_cast<size_t>(a)] * first.amplitude +
                                sine_table[static_cast<size_t>(b)] * second.amplitude) >> 16;
        copy(plasma_palette, target, channel, y, offset);
        a = wrap_index(a + first.row_step, SINE_LEN);
        b = wrap_index(b + second.row_step, SINE_LEN);
    }
}

}  // namespace

void fx_plasma_palette_row(IMG* image, int32_t span, int32_t peak, int32_t phase, int32_t row,
                           int32_t shift) {
    // A row outside the image or an image without columns has nothing to build (and a zero
    // width would divide by zero below).
    if (!image || !image->pixels || image->width <= 0 || row < 0 || row >= image->height ||
        shift < 0 || shift > 31) {
        demo_error();
        return;
    }
    const int32_t len = SINE_LEN;
    if (span < 0) span = static_cast<int32_t>(-int64_t{span});  // the lowest value stays as it is
    while (phase < 0) phase += len * 65536;
    // 16.16 table indices; the product wraps as 32-bit arithmetic does.
    const int32_t step = static_cast<int32_t>(int64_t{len} * span) / image->width;
    // 64 bits keep the walk's index non-negative however far a large phase or span takes it.
    int64_t acc = phase;
    uint32_t* pixels = image->pixels + int64_t{row} * image->width;
    for (int32_t x = image->width - 1; x >= 0; --x) {
        const auto index = static_cast<size_t>((acc >> 16) % len);
        const int32_t level = static_cast<int32_t>(int64_t{peak} * (sine_table[index] + 32767)) >> 16;
        pixels[x] |= static_cast<uint32_t>(level) << shift;
        acc += step;
    }
}

void fx_plasma(IMG* target) {
    if (!target) {
        demo_error();
        return;
    }
    if (!plasma_palette) {
        // The palette is as wide as the canvas, whatever the target; without a canvas there is no
        // width to build it for.
        if (!canvas || canvas->width <= 0) {
            demo_error();
            return;
        }
        plasma_palette = IMG_new();
        if (!plasma_palette) return;
        IMG_resize(plasma_palette, canvas->width, 3);
        if (plasma_palette->width != canvas->width || plasma_palette->height != 3) {
            IMG_free(&plasma_palette);  // out of memory: try again on the next frame
            return;
        }
        for (int32_t r = 0; r < 3; ++r) {
            const PaletteRow& p = palette_rows[static_cast<size_t>(r)];
            fx_plasma_palette_row(plasma_palette, p.span, p.peak, p.phase, r, p.shift);
        }
    }
    // Red overwrites each row it copies (no red level is 0); green and blue are ORed in.
    if (target == plasma_palette || !target->pixels) {
        channel_pass(0, target, IMG_blit_row_keyed);
        channel_pass(1, target, IMG_blit_row_or);
        channel_pass(2, target, IMG_blit_row_or);
        return;
    }
    // Row by row, bottom row first, each row composed in one go: what the red keyed copy and the
    // green and blue OR copies give there. Each copy writes one target row and reads only the
    // palette, so the order of the rows changes no pixel. (Drawn into the palette itself, or
    // with a palette of another shape, the three passes run one after the other, above.)
    const bool one_go = plasma_palette->pixels && plasma_palette->height >= 3 &&
                        plasma_palette->width == target->width && target->width > 0;
    // The red levels are never 0 as the palette is built, but it is a shared image: look.
    const bool solid = one_go && std::find(plasma_palette->pixels,
                                           plasma_palette->pixels + plasma_palette->width, 0u) ==
                                     plasma_palette->pixels + plasma_palette->width;
    std::array<int32_t, 6> phase{};
    for (size_t k = 0; k < phase.size(); ++k) phase[k] = wrap_index(plasma_phases[k], SINE_LEN);
    constexpr std::array<RowCopy, 3> copies = {IMG_blit_row_keyed, IMG_blit_row_or, IMG_blit_row_or};
    for (int32_t y = target->height - 1; y >= 0; --y) {
        std::array<int32_t, 3> offset{};
        for (size_t c = 0; c < 3; ++c) {
            const PlasmaWave& first = plasma_waves[c];
            const PlasmaWave& second = plasma_waves[c + 3];
            offset[c] = (sine_table[static_cast<size_t>(phase[c])] * first.amplitude +
                         sine_table[static_cast<size_t>(phase[c + 3])] * second.amplitude) >> 16;
            phase[c] = step_phase(phase[c], first.row_step);
            phase[c + 3] = step_phase(phase[c + 3], second.row_step);
        }
        if (one_go) {
            plasma_row(plasma_palette, target, y, offset, solid);
        } else {
            for (size_t c = 0; c < 3; ++c)
                copies[c](plasma_palette, target, static_cast<int32_t>(c), y, offset[c]);
        }
    }
}

void fx_plasma_step() {
    for (size_t k = 0; k < plasma_phases.size(); ++k)
        plasma_phases[k] = wrap_index(plasma_phases[k] + plasma_waves[k].frame_step, SINE_LEN);
}
