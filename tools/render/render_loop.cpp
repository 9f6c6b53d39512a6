// tools/render/render_loop.cpp: the part cycle of the programs, frame for frame, with the
// display and keyboard replaced by the caller's hooks and a key script.
#include "tools/render/render_loop.h"

#include "main/demo.h"

uint8_t render_key_at(const std::vector<RenderKey>& keys, int64_t frame) {
    uint8_t byte = 0;
    for (const RenderKey& k : keys)
        if (frame >= k.frame && frame - k.frame < k.hold) byte = static_cast<uint8_t>(k.key & 0xff);
    return byte;
}

namespace {

class Cycle {
public:
    Cycle(int64_t max_frames, const std::vector<RenderKey>& keys, const RenderHooks& hooks)
        : max_frames_(max_frames), keys_(keys), hooks_(hooks) {}

    RenderResult run() {
        if (max_frames_ <= 0) return finish(false);
        for (;;) {
            if (!part(part1_frames, demo_draw_part1, RenderFrameKind::part1)) break;
            if (!part(part2_frames, demo_draw_part2, RenderFrameKind::part2)) break;
            if (!part(part3_frames, demo_draw_part3, RenderFrameKind::part3)) break;
        }
        if (shown_ >= max_frames_ || (quit_request & 1) == 0) return finish(false);
        // The end sequence: the music stops first, so the fade-out is silent.
        call(hooks_.stop);
        for (int32_t step = 0; step < fade_frames && shown_ < max_frames_; ++step) {
            IMG_fade_step(canvas, 2);
            show(RenderFrameKind::fade);
            end_frame();
        }
        return {shown_, true};
    }

private:
    // One part, as the programs run it; false when the cycle is over (a quit key or the frame
    // limit), true when the next part follows (count used up or Space).
    bool part(int32_t count, void (*draw)(), RenderFrameKind kind) {
        for (int32_t left = count; left > 0; --left) {
            draw();
            const bool goes_on = tail(kind);
            if (shown_ >= max_frames_) return false;
            if (!goes_on) break;
        }
        if ((quit_request & 1) != 0) return false;
        quit_request = 0;
        return true;
    }

    // The programs' frame tail: show, read the key, run the key map, feed the music unless the
    // key ended the part.
    bool tail(RenderFrameKind kind) {
        show(kind);
        demo_key(static_cast<int8_t>(render_key_at(keys_, shown_)));
        const bool goes_on = quit_request == 0;
        if (goes_on) call(hooks_.pump);
        end_frame();
        return goes_on;
    }

    void show(RenderFrameKind kind) {
        if (hooks_.show) hooks_.show(shown_, kind, canvas);
    }

    void end_frame() {
        if (hooks_.end_frame) hooks_.end_frame(shown_);
        ++shown_;
    }

    RenderResult finish(bool quit) {
        call(hooks_.stop);
        return {shown_, quit};
    }

    static void call(const std::function<void()>& f) {
        if (f) f();
    }

    int64_t                       max_frames_;
    const std::vector<RenderKey>& keys_;
    const RenderHooks&            hooks_;
    int64_t                       shown_ = 0;
};

}  // namespace

RenderResult render_run(int64_t max_frames, const std::vector<RenderKey>& keys,
                        const RenderHooks& hooks) {
    Cycle cycle(max_frames, keys, hooks);
    return cycle.run();
}
