// front/web/main.cpp: the intro in a web browser. The page (front/web/page.js) calls in here:
// to run the intro live, the core's cycle stepped from the browser's animation frames at 60
// frames per second and shown on the page's canvas through SCREEN, the keys read through
// KEYBOARD and the tune played through libmikmod, both over the browser's SDL; to show one frame
// of a run without keys or sound, as demo-render composes it, with its checksum; and to time
// the composition of each part.
#include <SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "front/web/pace.h"
#include "main/demo.h"
#include "main/frame_sum.h"
#include "main/render_loop.h"
#include "music/music.h"
#include "screen/keyboard.h"
#include "screen/screen.h"

// The page's side of the link (front/web/page_link.js)
extern "C" {
void web_page_prepare_screen();  // the canvas's presentation settings, once the screen is open
void web_page_watch_audio();     // after each music start: the sound probe and the audio state
void web_page_first_frame();     // the first frame of a run is on the canvas
void web_page_ended();           // a run has faded out and released its objects
}

namespace {

SCREEN*   screen = nullptr;
KEYBOARD* keyboard = nullptr;
WEBPACE   pace = web_pace_make();
bool      running = false;
// Keys are not read until every key is up: the key that started a run is still down then, and
// would act in the first frame (Space would leave part 1 at once).
bool      keys_held_over = false;
std::string text_out;  // what a text-returning call hands the page, valid until the next

// The objects as at program start. What the previous run's release kept (the part 1 logotype,
// the colour list, the starfield) goes first, so that every run starts as the first did.
const char* make_objects() {
    demo_release_all();
    demo_reset_state();
    const char* missing = demo_create_objects(screen_w, screen_h);
    if (missing != nullptr) {
        demo_report_missing("demo", missing);
        demo_release_objects();
    }
    return missing;
}

uint8_t read_key() {
    KEYBOARD_poll(keyboard);
    if (keys_held_over) {
        if (keyboard->keys[0] != 0) return 0;
        keys_held_over = false;
    }
    return keyboard->keys[0];
}

void finish_run() {
    demo_end(&demo_cycle);
    emscripten_cancel_main_loop();
    running = false;
    web_page_ended();
}

// One animation frame: the demo frames due by the clock, usually one.
void animation_frame() {
    const int32_t due = web_pace_due(&pace, emscripten_get_now());
    for (int32_t i = 0; i < due; ++i) {
        if (!demo_step(&demo_cycle)) {
            finish_run();
            return;
        }
        if (demo_cycle.shown == 1) web_page_first_frame();
    }
}

}  // namespace

extern "C" {

// Opens the screen on the page's canvas, which takes the demo's size: 1 when there is one to
// draw on. The page asks first thing, to scale the canvas.
EMSCRIPTEN_KEEPALIVE int32_t web_open_screen() {
    if (screen == nullptr) {
        screen = SCREEN_new();
        SCREEN_set_mode(screen, screen_w, screen_h);
        if (SCREEN_ready(screen)) web_page_prepare_screen();
    }
    return SCREEN_ready(screen);
}

// Starts a run from the first frame (after the page's start gesture, or a key after the end of
// the previous run). 0 when it runs; 1 when a picture is missing (named on standard error);
// 2 when there is no canvas to draw on.
EMSCRIPTEN_KEEPALIVE int32_t web_start() {
    if (running) return 0;
    if (keyboard == nullptr) {
        SDL_Init(SDL_INIT_VIDEO);  // the browser's SDL listens for keys from here on
        if (web_open_screen() == 0) return 2;
        keyboard = KEYBOARD_new();
        if (keyboard == nullptr) return 2;
    }
    if (make_objects() != nullptr) return 1;
    KEYBOARD_poll(keyboard);  // what was pressed before this run does not reach it
    keys_held_over = true;
    music_start();
    web_page_watch_audio();
    demo_cycle = DemoCycle{};
    demo_cycle.hooks = {
        .show = [](const IMG* frame, DemoStage) { SCREEN_show(screen, frame); },
        .wait = {},
        .read_key = read_key,
        .pump = music_pump,
        .stop = music_stop,
        .release = {},  // the canvas and the keys stay for the next run
    };
    pace = web_pace_make();
    running = true;
    emscripten_set_main_loop(animation_frame, 0, 0);
    return 0;
}

// The live run's state for the page and its tests: the stage of the next frame (DemoStage as a
// number: 0, 1, 2 the parts, 3 the fade-out, 4 done), the frames shown, and whether a tune plays.
EMSCRIPTEN_KEEPALIVE int32_t web_stage() { return static_cast<int32_t>(demo_cycle.stage); }
EMSCRIPTEN_KEEPALIVE double web_shown() { return static_cast<double>(demo_cycle.shown); }
EMSCRIPTEN_KEEPALIVE int32_t web_sound() { return music != nullptr ? 1 : 0; }

// Composes frames 0 .. frame of a run without keys or sound, as demo-render does, shows the last
// and returns its checksum (16 hex digits, as demo-render --sums writes it); "" when a picture is
// missing or there is no canvas.
EMSCRIPTEN_KEEPALIVE const char* web_still(int32_t frame) {
    text_out.clear();
    if (running || frame < 0 || web_open_screen() == 0 || make_objects() != nullptr)
        return text_out.c_str();
    RenderHooks hooks;
    hooks.show = [frame](int64_t index, DemoStage, const IMG* shown) {
        if (index != frame) return;
        SCREEN_show(screen, shown);
        text_out = checksum_hex(frame_checksum(shown));
    };
    render_run(int64_t{frame} + 1, {}, hooks);
    return text_out.c_str();
}

// Milliseconds of composition per frame of each part, as JSON: a run without keys or sound
// stepped from its start and timed over `frames` frames of each part after its first 64 (the
// plasma makes its palette there). Each part is timed as a whole, from the end of the frame
// before to the end of its last timed frame: the page's clock is coarse, a frame is not. A whole
// untimed cycle runs first: the browser compiles the module quickly at first and optimises the
// code that runs often while it runs, so only the second cycle shows the steady state that the
// native benchmark measures.
EMSCRIPTEN_KEEPALIVE const char* web_bench(int32_t frames) {
    text_out.clear();
    if (running || frames <= 0 || frames > part3_frames - 64 || make_objects() != nullptr)
        return text_out.c_str();
    render_run(demo_cycle_frames, {}, {});
    if (make_objects() != nullptr) return text_out.c_str();
    const int64_t starts[3] = {0, part1_frames, int64_t{part1_frames} + part2_frames};
    double began[3] = {0, 0, 0};
    double ended[3] = {0, 0, 0};
    RenderHooks hooks;
    hooks.end_frame = [&](int64_t index) {
        for (size_t p = 0; p < 3; ++p) {
            if (index == starts[p] + 63) began[p] = emscripten_get_now();
            if (index == starts[p] + 63 + frames) ended[p] = emscripten_get_now();
        }
    };
    render_run(demo_cycle_frames, {}, hooks);
    char json[160];
    std::snprintf(json, sizeof json, "{\"frames\":%d,\"part1\":%.4f,\"part2\":%.4f,\"part3\":%.4f}",
                  frames, (ended[0] - began[0]) / frames, (ended[1] - began[1]) / frames,
                  (ended[2] - began[2]) / frames);
    text_out = json;
    return text_out.c_str();
}

}  // extern "C"

// Nothing runs before the page asks: a live run waits for a gesture (browsers start sound only
// after one), a still or a timing for the page's reading of its address.
int main() { return 0; }
