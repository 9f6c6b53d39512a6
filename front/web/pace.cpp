// front/web/pace.cpp: the picture's clock at each animation frame: the tune's samples played, or
// the core pacer's deadlines.
#include "front/web/pace.h"

#include <algorithm>
#include <cmath>

namespace {

pacer_clock::time_point from_ms(double ms) {
    const std::chrono::duration<double, std::milli> since(ms);
    return pacer_clock::time_point(std::chrono::duration_cast<pacer_clock::duration>(since));
}

}  // namespace

WEBPACE web_pace_make() {
    WEBPACE pace{};
    pace.first_ms = -1;
    web_pace_resume(&pace);
    return pace;
}

void web_pace_resume(WEBPACE* pace) {
    if (pace == nullptr) return;
    pace->pacer = pacer_make();
    pace->wake = pacer_clock::time_point::min();
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

int64_t web_pace_steps(WEBPACE* pace, double now_ms, int64_t shown, double played) {
    if (pace == nullptr) return 0;
    if (pace->first_ms < 0) pace->first_ms = now_ms;
    const bool waiting = played == web_sound_pending && now_ms - pace->first_ms < web_pace_sound_wait_ms;
    if (played >= 0) {
        const auto playing = static_cast<int64_t>(std::floor(played / demo_samples_per_frame));
        if (!pace->by_sound) {
            pace->by_sound = true;
            pace->sound_offset = std::max<int64_t>(0, shown - 1 - playing);
        }
        return std::clamp<int64_t>(playing + pace->sound_offset + 1 - shown, 0, web_pace_max_steps);
    }
    if (pace->by_sound) {  // the sound ended (the fade-out) or the browser stopped it
        pace->by_sound = false;
        web_pace_resume(pace);
    }
    if (waiting) return shown == 0 ? 1 : 0;
    return web_pace_due(pace, now_ms);
}
