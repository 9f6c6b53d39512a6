// front/web/pace.cpp: the core pacer's deadlines read at each animation frame.
#include "front/web/pace.h"

namespace {

pacer_clock::time_point from_ms(double ms) {
    const std::chrono::duration<double, std::milli> since(ms);
    return pacer_clock::time_point(std::chrono::duration_cast<pacer_clock::duration>(since));
}

}  // namespace

WEBPACE web_pace_make() {
    WEBPACE pace{};
    pace.pacer = pacer_make();
    pace.wake = pacer_clock::time_point::min();
    return pace;
}

int32_t web_pace_due(WEBPACE* pace, double now_ms) {
    if (pace == nullptr) return 0;
    const pacer_clock::time_point now = from_ms(now_ms);
    const pacer_clock::time_point ahead = from_ms(now_ms + web_pace_lead_ms);
    int32_t due = 0;
    // pacer_next counts a frame and gives the next deadline, or now itself while frames are
    // late; beyond pacer_max_late frames late it restarts the deadlines from now.
    while (ahead >= pace->wake && due <= pace->pacer.max_late) {
        ++due;
        pace->wake = pacer_next(&pace->pacer, now);
    }
    return due;
}
