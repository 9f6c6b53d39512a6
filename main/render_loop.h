// main/render_loop.h: the demo's part cycle without display or sound device: the core's
// cycle stepped with the keys taken from a script and every shown frame handed to the caller.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "img/img.h"
#include "main/demo.h"

// A key held from frame `frame` for `hold` frames: its low byte is what the keyboard's key
// buffer holds in the tails of those frames. Where entries overlap, the later one wins.
struct RenderKey {
    int64_t frame;
    int32_t key;   // SDL key symbol; only the low byte reaches the key map
    int64_t hold;  // frames, at least 1
};

// Key byte that the script leaves in the key buffer at a frame; 0 when no key is held.
[[nodiscard]] uint8_t render_key_at(const std::vector<RenderKey>& keys, int64_t frame);

// What the caller does where the programs touch the display and the sound. Every member may be
// empty. `show` runs where the frame is presented; `end_frame` once per shown frame after its
// tail; `pump` and `stop` where the music is fed and stopped; `halt` before every frame, and
// true there ends the run early (an output failed, the program was asked to stop).
struct RenderHooks {
    std::function<void(int64_t index, DemoStage stage, const IMG* frame)> show;
    std::function<void(int64_t index)> end_frame;
    std::function<void()> pump;
    std::function<void()> stop;
    std::function<bool()> halt;
};

struct RenderResult {
    int64_t frames;  // frames shown, fade-out frames included
    bool    quit;    // a key ended the program (Esc, 'q', 'Q'), so the fade-out began
};

// Steps a cycle from the state the demo's objects and motions are in (at program start after
// demo_create_objects) until `max_frames` frames have been shown, after a quit key the fade-out
// has run, or `halt` says so; then ends it: `stop` runs once in every case, before any fade
// frame, and the objects are released.
RenderResult render_run(int64_t max_frames, const std::vector<RenderKey>& keys,
                        const RenderHooks& hooks);

// The same run stepped a slice at a time, for a caller that must not be held up for long (a web
// page): render_begin sets it up, render_advance steps up to `steps` frames and tells whether
// the run goes on, render_finish ends it; together as render_run. The run must stay where it
// is from render_begin to render_finish (the cycle's hooks point into it).
struct RenderRun {
    DemoCycle              cycle;
    std::vector<RenderKey> keys;
    RenderHooks            hooks;
    int64_t                max_frames = 0;
};
void render_begin(RenderRun* run, int64_t max_frames, std::vector<RenderKey> keys, RenderHooks hooks);
bool render_advance(RenderRun* run, int64_t steps);
RenderResult render_finish(RenderRun* run);
