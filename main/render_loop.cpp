// main/render_loop.cpp: the core's cycle stepped with a key script in place of the keyboard and
// the caller's hooks in place of the display and the sound card.
#include "main/render_loop.h"

uint8_t render_key_at(const std::vector<RenderKey>& keys, int64_t frame) {
    uint8_t byte = 0;
    for (const RenderKey& k : keys)
        if (frame >= k.frame && frame - k.frame < k.hold) byte = static_cast<uint8_t>(k.key & 0xff);
    return byte;
}

RenderResult render_run(int64_t max_frames, const std::vector<RenderKey>& keys,
                        const RenderHooks& hooks) {
    DemoCycle cycle;
    if (hooks.show)
        cycle.hooks.show = [&](const IMG* frame, DemoStage stage) { hooks.show(cycle.shown, stage, frame); };
    cycle.hooks.read_key = [&] { return render_key_at(keys, cycle.shown); };
    cycle.hooks.pump = hooks.pump;
    cycle.hooks.stop = hooks.stop;
    while (cycle.shown < max_frames && cycle.stage != DemoStage::done &&
           !(hooks.halt && hooks.halt())) {
        demo_step(&cycle);
        if (hooks.end_frame) hooks.end_frame(cycle.shown - 1);
    }
    const RenderResult result{cycle.shown, cycle.quitting};
    demo_end(&cycle);
    return result;
}
