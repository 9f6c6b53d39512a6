// front/web/pace.h: how many demo frames each of the browser's animation frames steps. While the
// tune plays, the picture follows the sound: the frame to show is the one whose samples are
// playing, the tune's samples played divided by the samples of a frame, so that neither a hidden
// tab, a stall nor a slow machine can part them. Without sound the core's pacer (main/pacer.h)
// keeps 60 frames per second of the animation frames' time stamps on any display.
#pragma once
#include <cstdint>

#include "main/pacer.h"

struct WEBPACE {
    PACER pacer;                   // the deadlines: frame n due at origin + n / 60 s
    pacer_clock::time_point wake;  // when the next frame is due; the first is due at once
    double  first_ms;              // the time stamp of the run's first animation frame; < 0 before
    bool    by_sound;              // the last animation frame followed the sound
    int64_t sound_offset;          // frames the picture ran ahead before the sound could start
};

// An animation frame comes at the display's refresh, which drifts and jitters around a
// deadline: a frame counts as due this much before its deadline. A quarter of a frame takes
// one step per refresh at 60 Hz and never two per refresh at 120 or 144 Hz.
inline constexpr double web_pace_lead_ms = 1000.0 / pacer_rate / 4;
// How long the first frame waits for the tune's first sample before the 60 Hz clock takes over
// (the browser may hold the sound back).
inline constexpr double web_pace_sound_wait_ms = 500;
// Frames stepped in one animation frame at most: about 4 ms of composing, so that the page stays
// responsive while the picture catches up with the sound after a stall.
inline constexpr int64_t web_pace_max_steps = 120;

// What the page reports of the tune's sound instead of a sample count
inline constexpr double web_sound_none = -1;     // no tune plays: the 60 Hz clock
inline constexpr double web_sound_pending = -2;  // the tune's first sample has yet to play

[[nodiscard]] WEBPACE web_pace_make();
// The 60 Hz clock: the frames due at now_ms (a monotonic time in milliseconds: an animation
// frame's time stamp): usually 0 or 1; after a stall the few frames missed, at most
// pacer_max_late + 1, and the deadlines start again from now when more were missed. Each frame
// counted here is taken as stepped.
int32_t web_pace_due(WEBPACE* pace, double now_ms);
// The frames to step at an animation frame with time stamp now_ms, `shown` frames shown so far
// and `played` the tune's samples played (or web_sound_none, web_sound_pending): with sound, up
// to the frame whose samples play (demo_samples_per_frame each); while the sound is pending,
// the first frame only, for at most web_pace_sound_wait_ms; else the 60 Hz clock. Never more
// than web_pace_max_steps. When the sound starts late, the picture goes on from where it is.
int64_t web_pace_steps(WEBPACE* pace, double now_ms, int64_t shown, double played);
// After a pause: the 60 Hz clock starts again from the next animation frame.
void web_pace_resume(WEBPACE* pace);
