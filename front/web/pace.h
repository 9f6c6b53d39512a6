// front/web/pace.h: how many demo frames each of the browser's animation frames steps, so that
// the demo runs at 60 frames per second of real time whatever the display's refresh rate. The
// deadlines are the core's pacer (main/pacer.h), as the native programs keep them.
#pragma once
#include <cstdint>

#include "main/pacer.h"

struct WEBPACE {
    PACER pacer;                   // the deadlines: frame n due at origin + n / 60 s
    pacer_clock::time_point wake;  // when the next frame is due; the first is due at once
};

// An animation frame comes at the display's refresh, which drifts and jitters around a
// deadline: a frame counts as due this much before its deadline. A quarter of a frame takes
// one step per refresh at 60 Hz and never two per refresh at 120 or 144 Hz.
inline constexpr double web_pace_lead_ms = 1000.0 / pacer_rate / 4;

[[nodiscard]] WEBPACE web_pace_make();
// The frames due at now_ms (a monotonic time in milliseconds: performance.now()): usually 0 or 1;
// after a stall the few frames missed, at most pacer_max_late + 1, and the deadlines start
// again from now when more were missed. Each frame counted here is taken as stepped.
int32_t web_pace_due(WEBPACE* pace, double now_ms);
