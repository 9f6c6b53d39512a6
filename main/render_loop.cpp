// main/render_loop.cpp: the core's cycle stepped with a key script in place of the keyboard and
// the caller's hooks in place of the display and the sound card.
#include "main/render_loop.h"

#include <utility>

uint8_t render_key_at(const std::vector<RenderKey>& keys, int64_t frame) {
    uint8_t byte = 0;
    for (const RenderKey& k : keys)
        if (frame >= k.frame && frame - k.frame < k.hold) byte = static_cast<uint8_t>(k.key & 0xff);
    return byte;
}

void render_begin(RenderRun* run, int64_t max_frames, std::vector<RenderKey> keys, RenderHooks hooks) {
    run->cycle = DemoCycle{};
    run->keys = std::move(keys);
    run->hooks = std::move(hooks);
    run->max_frames = max_frames;
    DemoCycle& cycle = run->cycle;
    if (run->hooks.show)
        cycle.hooks.show = [run](const IMG* frame, DemoStage stage) {
            run->hooks.show(run->cycle.shown, stage, frame);
        };
    cycle.hooks.read_key = [run] { return render_key_at(run->keys, run->cycle.shown); };
    cycle.hooks.pump = run->hooks.pump;
    cycle.hooks.stop = run->hooks.stop;
}

bool render_advance(RenderRun* run, int64_t steps) {
    DemoCycle& cycle = run->cycle;
    for (int64_t i = 0; i < steps; ++i) {
        if (cycle.shown >= run->max_frames || cycle.stage == DemoStage::done ||
            (run->hooks.halt && run->hooks.halt()))
            return false;
        demo_step(&cycle);
        if (run->hooks.end_frame) run->hooks.end_frame(cycle.shown - 1);
    }
    return cycle.shown < run->max_frames && cycle.stage != DemoStage::done;
}

RenderResult render_finish(RenderRun* run) {
    const RenderResult result{run->cycle.shown, run->cycle.quitting};
    demo_end(&run->cycle);
    return result;
}

RenderResult render_run(int64_t max_frames, const std::vector<RenderKey>& keys,
                        const RenderHooks& hooks) {
    RenderRun run;
    render_begin(&run, max_frames, keys, hooks);
    while (render_advance(&run, max_frames)) {
    }
    return render_finish(&run);
}
