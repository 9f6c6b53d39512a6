// main/pacer.h: holds the frames to a steady rate by a running deadline on a monotonic clock.
// The arithmetic takes the time as an argument, so any clock (or a test's fake) can drive it;
// the front end does the waiting (a sleep, or the browser's next animation frame).
#pragma once
#include <chrono>
#include <cstdint>

#include "main/demo.h"

using pacer_clock = std::chrono::steady_clock;

struct PACER {
    pacer_clock::time_point origin;  // when frame 0 was due; moved to now on a resynchronisation
    int64_t frames;                  // frames due since origin
    int32_t rate;                    // frames per second
    int32_t max_late;                // frames behind that are caught up; beyond, the deadline resets
    bool    started;
};

inline constexpr int32_t pacer_rate = demo_fps;
inline constexpr int32_t pacer_max_late = 4;

// A pacer for rate frames per second; the first frame is due when it is first asked.
PACER pacer_make(int32_t rate = pacer_rate, int32_t max_late = pacer_max_late);

// Called once a frame after it reached the display, at time now: returns the time to sleep
// until (now itself when the frame is late). Deadline n lies at origin + n / rate seconds,
// so the average rate is exact whatever the clock's tick.
pacer_clock::time_point pacer_next(PACER* pacer, pacer_clock::time_point now);
