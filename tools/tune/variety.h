// tools/tune/variety.h: how much the tune varies, read from its module: chord progressions, the
// drum and bass rhythms of each part, and the instruments whose tone moves within a note.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "tools/tune/xm.h"

struct Variety {
    // Distinct progressions among the four-bar phrases counted from each part's first bar; a
    // phrase's progression is the pitch class of the first bass note in each of its bars, taken
    // as steps from the phrase's first one (the same chords in another key are not new).
    size_t progressions = 0;
    // Whether the usual drum bar (channel 1) and the usual bass bar differ in all three parts:
    // a bar's rhythm is which rows start which instrument (drums) or start a note (bass).
    bool drums_change = false;
    bool bass_change = false;
    // Instruments whose tone moves within a note: a long loop whose brightness changes from one
    // stretch to another (a swept waveform), or notes held under vibrato (effect 4xy).
    std::vector<std::string> moving_tone;
};

// `first_bars` are the orders at which the parts begin (0, 10 and 30 for the demo's tune);
// `bass_channel` and `drum_channel` are 0-based.
[[nodiscard]] Variety tune_variety(const XmModule& module, const std::array<size_t, 3>& first_bars,
                                   size_t drum_channel, size_t bass_channel);
