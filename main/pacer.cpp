// main/pacer.cpp: the frame deadline arithmetic that keeps the demo at 60 frames/s.
#include "main/pacer.h"

namespace {

// Deadline n: origin + n / rate seconds, rounded up to the clock's tick.
pacer_clock::time_point deadline(const PACER* pacer, int64_t n) {
    const auto period = pacer_clock::period::den / pacer_clock::period::num;  // ticks per second
    const int64_t ticks = (n * period + pacer->rate - 1) / pacer->rate;
    return pacer->origin + pacer_clock::duration(ticks);
}

}  // namespace

PACER pacer_make(int32_t rate, int32_t max_late) {
    PACER pacer{};
    pacer.rate = rate > 0 ? rate : pacer_rate;
    pacer.max_late = max_late > 0 ? max_late : 0;
    return pacer;
}

pacer_clock::time_point pacer_next(PACER* pacer, pacer_clock::time_point now) {
    if (pacer == nullptr) return now;
    if (!pacer->started) {
        pacer->started = true;
        pacer->origin = now;
        pacer->frames = 0;
    }
    pacer->frames += 1;
    const pacer_clock::time_point due = deadline(pacer, pacer->frames);
    if (now >= due) {
        // Late by more than a few frames (a stall, a suspended process): start counting again
        // from now rather than rushing frames out to catch up.
        if (now - due > deadline(pacer, pacer->max_late) - pacer->origin) {
            pacer->origin = now;
            pacer->frames = 0;
        }
        return now;
    }
    return due;
}
