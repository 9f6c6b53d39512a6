// fx/bars.cpp: the raster bars of part 1, eight copies of one colour profile swinging on a sine,
// written into the demo's colour list so that drawing the list paints the background.
#include "fx/effects.h"
#include "fx/raster.h"
#include "fx/sine.h"
#include "fx/objects.h"

// Colours from each bar's top row to its bottom row; only entry bar_profile is drawn.
const std::array<BarProfile, 8> bar_profiles = {{
    {2, {0xF00000, 0xF00000}},
    {4, {0x800000, 0xF00000, 0xF00000, 0x800000}},
    {6, {0x500000, 0xA00000, 0xF00000, 0xF00000, 0xA00000, 0x800000}},
    {8, {0x400000, 0x800000, 0xC00000, 0xF00000, 0xF00000, 0xC00000, 0xA00000, 0x800000}},
    {10, {0x300000, 0x600000, 0x900000, 0xC00000, 0xF00000, 0xC00000, 0x900000, 0x600000,
          0x300000, 0x000000}},
    {12, {0x200000, 0x500000, 0x700000, 0xA00000, 0xC00000, 0xF00000, 0xF00000, 0xC00000,
          0xA00000, 0x700000, 0x500000, 0x200000}},
    {14, {0x200000, 0x400000, 0x600000, 0x800000, 0xA00000, 0xC00000, 0xF00000, 0xF00000,
          0xC00000, 0xA00000, 0x800000, 0x600000, 0x400000, 0x200000}},
    {16, {0x200000, 0x400000, 0x600000, 0x800000, 0xA00000, 0xC00000, 0xE00000, 0xF00000,
          0xF00000, 0xE00000, 0xC00000, 0xA00000, 0x800000, 0x600000, 0x400000, 0x200000}},
}};

int32_t bar_phase = 0;

void fx_raster_bars() {
    if (!raster) return;
    RASTER_clear(raster);  // reports a list without colours; the rows below are then skipped

    const int32_t centre = screen_h / 2;
    const BarProfile& profile = bar_profiles[bar_profile];
    const int32_t count = raster->colors ? raster->count : 0;
    for (int32_t i = 0; i < bar_count; ++i) {
        const int32_t phase = wrap_index(i * bar_spacing + bar_phase, SINE_LEN);
        const int32_t base = centre + ((sine_table[static_cast<size_t>(phase)] * bar_amplitude) >> 15);
        const auto tint = static_cast<uint32_t>(8 * i);  // bar i is tinted bluer by 8 x i
        // Bottom row first, as the bar is laid down; the bar covers rows base + 1 .. base + n.
        for (int32_t j = profile.n; j >= 1; --j) {
            const int32_t row = base + j;
            if (row < 0 || row >= count) continue;  // a short list keeps what fits
            raster->colors[row] = profile.colors[static_cast<size_t>(j - 1)] + tint;
        }
    }
    bar_phase = wrap_index(bar_phase + bar_speed, SINE_LEN);
}
