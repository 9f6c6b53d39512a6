// fx/plasma.cpp: the plasma, three one-row channel gradients copied into every target row,
// each rotated sideways by the weighted sum of two sines whose phases step per row and frame.
#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "fx/effects.h"
#include "fx/sine.h"
#include "fx/objects.h"
#include "img/rows.h"

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

// wrap_index (phase + step, SINE_LEN) for a phase already in range, without its division in the
// usual case of a result still in range.
inline int32_t step_phase(int32_t phase, int32_t step) {
    const int32_t next = phase + step;
    return next >= 0 && next < SINE_LEN ? next : wrap_index(next, SINE_LEN);
}

// The six wave phases of one target row, each in range; moved up one row by next_row.
using RowPhases = std::array<int32_t, 6>;

RowPhases first_row_phases() {
    RowPhases phase{};
    for (size_t k = 0; k < phase.size(); ++k) phase[k] = wrap_index(plasma_phases[k], SINE_LEN);
    return phase;
}

void next_row(RowPhases& phase) {
    for (size_t k = 0; k < phase.size(); ++k) phase[k] = step_phase(phase[k], plasma_waves[k].row_step);
}

// How far each channel's gradient is turned in the row: the weighted sum of the channel's two
// sines (waves c and c + 3), shifted down by 16.
std::array<int32_t, 3> row_offsets(const RowPhases& phase) {
    std::array<int32_t, 3> offset{};
    for (size_t c = 0; c < 3; ++c)
        offset[c] = (sine_table[static_cast<size_t>(phase[c])] * plasma_waves[c].amplitude +
                     sine_table[static_cast<size_t>(phase[c + 3])] * plasma_waves[c + 3].amplitude) >> 16;
    return offset;
}

// The target (as wide as the palette, not the palette) drawn as the OR of the three channel
// rows, each rotated by its offset. Each channel row is laid twice end to end: a row rotated by
// any column is then one straight run of it, and every target row one pass over three runs.
void draw_merged(IMG* target) {
    static std::vector<uint32_t> twice;
    static std::vector<std::array<const uint32_t*, 3>> runs;  // per target row
    const int32_t w = target->width;
    const auto width = static_cast<size_t>(w);
    twice.resize(6 * width);
    for (size_t c = 0; c < 3; ++c) {
        const uint32_t* from = plasma_palette->pixels + c * width;
        const auto to = twice.begin() + static_cast<std::ptrdiff_t>(2 * c * width);
        std::copy(from, from + width, to);
        std::copy(from, from + width, to + w);
    }
    // Where each target row starts in the doubled rows, one channel at a time with its two
    // phases in registers (row_offsets' sum, channel by channel); then one pass per row.
    runs.resize(static_cast<size_t>(target->height));
    const RowPhases first = first_row_phases();
    for (size_t c = 0; c < 3; ++c) {
        const PlasmaWave& one = plasma_waves[c];
        const PlasmaWave& two = plasma_waves[c + 3];
        int32_t p = first[c], q = first[c + 3];
        const uint32_t* end = twice.data() + (2 * c + 1) * width;
        for (int32_t y = target->height - 1; y >= 0; --y) {
            const int32_t offset = (sine_table[static_cast<size_t>(p)] * one.amplitude +
                                    sine_table[static_cast<size_t>(q)] * two.amplitude) >> 16;
            // Target column x takes palette column (x - start) mod w: column x + w - start of
            // the doubled row.
            runs[static_cast<size_t>(y)][c] = end - img_rows::wrap_column(offset, w);
            p = step_phase(p, one.row_step);
            q = step_phase(q, two.row_step);
        }
    }
    const img_rows::Kernels& k = img_rows::kernels();
    uint32_t* row = target->pixels;
    for (const auto& from : runs) {
        k.merge3(from[0], from[1], from[2], row, w);
        row += width;
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
    // Red is copied keyed and green and blue are ORed in. Each target row is written from the
    // palette alone, so the rows go in any order.
    constexpr std::array<void (*)(const IMG*, IMG*, int32_t, int32_t, int32_t), 3> copies = {
        IMG_blit_row_keyed, IMG_blit_row_or, IMG_blit_row_or};
    if (target != plasma_palette) {
        // As the palette is built no red level is 0, so the keyed copy covers the whole row and
        // the row is the OR of the three rotated channel rows; but the palette is a shared
        // image: look.
        const uint32_t* red = plasma_palette->pixels;
        const int32_t w = plasma_palette->width;
        const bool merge = w == target->width && target->height > 0 && target->pixels &&
                           target->pixels != plasma_palette->pixels && plasma_palette->height >= 3 &&
                           std::find(red, red + w, 0u) == red + w;
        if (merge) {
            draw_merged(target);
            return;
        }
        RowPhases phase = first_row_phases();
        for (int32_t y = target->height - 1; y >= 0; --y, next_row(phase)) {
            const std::array<int32_t, 3> offset = row_offsets(phase);
            for (size_t c = 0; c < 3; ++c)
                copies[c](plasma_palette, target, static_cast<int32_t>(c), y, offset[c]);
        }
        return;
    }
    // Drawn into the palette itself, a channel's copies read rows that earlier copies wrote: the
    // three channels run one after the other, each over every row, bottom row first.
    for (size_t c = 0; c < 3; ++c) {
        RowPhases phase = first_row_phases();
        for (int32_t y = target->height - 1; y >= 0; --y, next_row(phase))
            copies[c](plasma_palette, target, static_cast<int32_t>(c), y, row_offsets(phase)[c]);
    }
}

void fx_plasma_step() {
    for (size_t k = 0; k < plasma_phases.size(); ++k)
        plasma_phases[k] = wrap_index(plasma_phases[k] + plasma_waves[k].frame_step, SINE_LEN);
}
