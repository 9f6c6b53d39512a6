// main/cycle.cpp: the part cycle, one frame per step: part 1, 2 and 3 for ever, each ended by its
// frame count or a key; after Esc or Q the music stops and the fade-out takes the picture to
// black; then the release. The platform comes in through the cycle's hooks only.
#include <array>

#include "main/demo.h"

DemoCycle demo_cycle;

namespace {

constexpr uint8_t fade_amount = 2;  // per channel and frame: black after 128 of the fade frames

struct Part {
    void (*draw)();
    int32_t   frames;
    DemoStage next;
};
constexpr std::array<Part, 3> parts = {{
    {demo_draw_part1, part1_frames, DemoStage::part2},
    {demo_draw_part2, part2_frames, DemoStage::part3},
    {demo_draw_part3, part3_frames, DemoStage::part1},
}};

int32_t stage_frames(DemoStage stage) {
    return stage == DemoStage::fade ? fade_frames : parts[static_cast<size_t>(stage)].frames;
}

void enter(DemoCycle* cycle, DemoStage stage) {
    cycle->stage = stage;
    cycle->left = stage == DemoStage::done ? 0 : stage_frames(stage);
}

template <typename Hook, typename... Args>
void call(const Hook& hook, Args... args) {
    if (hook) hook(args...);
}

void stop_music(DemoCycle* cycle) {
    if (cycle->music_stopped) return;
    cycle->music_stopped = true;
    call(cycle->hooks.stop);
}

void present(DemoCycle* cycle, DemoStage stage) {
    call(cycle->hooks.show, static_cast<const IMG*>(canvas), stage);
    call(cycle->hooks.wait);
}

// The frame tail of a part after the frame is shown: the key map on the key byte, sign-extended
// as the keyboard's buffer hands it over; a key that sets quit_request ends the part at once,
// without this frame's music.
void part_tail(DemoCycle* cycle, const Part& part) {
    const uint8_t key = cycle->hooks.read_key ? cycle->hooks.read_key() : 0;
    demo_key(static_cast<int8_t>(key));
    if (quit_request == 0) {
        call(cycle->hooks.pump);
        if (--cycle->left <= 0) enter(cycle, part.next);
    } else if ((quit_request & 1) != 0) {
        cycle->quitting = true;  // Esc, Q or a close: quit_request stays 1
        enter(cycle, DemoStage::fade);
    } else {
        quit_request = 0;  // Space: only this part ends
        enter(cycle, part.next);
    }
}

// Steps demo_cycle for as long as it stays in `stage`, entered afresh.
void run_stage(DemoStage stage) {
    enter(&demo_cycle, stage);
    while (demo_cycle.stage == stage) demo_step(&demo_cycle);
}

}  // namespace

bool demo_step(DemoCycle* cycle) {
    if (cycle == nullptr || cycle->stage == DemoStage::done) return false;
    const DemoStage stage = cycle->stage;
    if (stage == DemoStage::fade) {
        if (cycle->quitting) stop_music(cycle);  // the fade-out is silent
        IMG_fade_step(canvas, fade_amount);
        present(cycle, stage);
        if (--cycle->left <= 0) enter(cycle, DemoStage::done);
    } else {
        const Part& part = parts[static_cast<size_t>(stage)];
        part.draw();
        present(cycle, stage);
        part_tail(cycle, part);
    }
    ++cycle->shown;
    return cycle->stage != DemoStage::done;
}

void demo_end(DemoCycle* cycle) {
    if (cycle == nullptr) return;
    stop_music(cycle);
    demo_release_objects();
    call(cycle->hooks.release);
    enter(cycle, DemoStage::done);
}

void demo_part1() { run_stage(DemoStage::part1); }
void demo_part2() { run_stage(DemoStage::part2); }
void demo_part3() { run_stage(DemoStage::part3); }
void demo_fade_out() { run_stage(DemoStage::fade); }

void demo_shutdown() {
    demo_cycle.quitting = true;
    if (demo_cycle.stage != DemoStage::fade) enter(&demo_cycle, DemoStage::fade);
    while (demo_step(&demo_cycle)) {
    }
    demo_end(&demo_cycle);
}
