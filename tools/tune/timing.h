// tools/tune/timing.h: where a module's orders start and where it ends, in sample frames, as
// libmikmod's mixer times them (a whole number of frames per tick), following the speed and
// tempo effects (Fxx) in the patterns.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/tune/xm.h"

// libmikmod gives each tick floor(2.5 x rate / BPM) frames.
[[nodiscard]] constexpr uint64_t frames_per_tick(uint32_t rate, uint32_t bpm) { return uint64_t{rate} * 5 / 2 / bpm; }

struct SongTiming {
    std::vector<uint64_t> order_start;  // frame at which each order position starts
    uint64_t length = 0;                // frames until the end of the last row
};

// Plays the order list through without jumps: Bxx, Dxx, E6x and EEx are not followed (the
// shipped tune uses none of them). The last Fxx of a row wins, as in the players.
[[nodiscard]] SongTiming song_timing(const XmModule& module, uint32_t rate);
