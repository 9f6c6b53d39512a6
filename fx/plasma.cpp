// fx/plasma.cpp: the plasma, three one-row channel gradients copied into every target row,
// each rotated sideways by the weighted sum of two sines whose phases step per row and frame.
#include "fx/effects.h"
#include "fx/sine.h"
#include "main/demo.h"

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
    channel_pass(0, target, IMG_blit_row_keyed);
    channel_pass(1, target, IMG_blit_row_or);
    channel_pass(2, target, IMG_blit_row_or);
}

void fx_plasma_step() {
    for (size_t k = 0; k < plasma_phases.size(); ++k)
        plasma_phases[k] = wrap_index(plasma_phases[k] + plasma_waves[k].frame_step, SINE_LEN);
}
