// front/web/main.cpp: the intro in a web browser. The page (front/web/page.js) calls in here:
// to run the intro live, the core's cycle stepped at each of the browser's animation frames as
// far as the picture's clock says (the tune's samples played, or 60 frames per second without
// sound) and shown on the page's canvas through SCREEN, the keys read through KEYBOARD (and the
// page's controls), the tune played through libmikmod, both over the browser's SDL; to show one
// frame of a run without keys or sound, as demo-render composes it, with its checksum, composed
// a slice at a time; and to time the composition of each part.
#include <SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "front/web/pace.h"
#include "main/demo.h"
#include "main/frame_sum.h"
#include "main/render_loop.h"
#include "music/music.h"
#include "screen/keyboard.h"
#include "screen/screen.h"

// The page's side of the link (front/web/page_link.js)
extern "C" {
void   web_page_prepare_screen();  // the canvas's presentation settings, once the screen is open
void   web_page_watch_audio();     // after each music start: the sound's clock, probe and state
double web_page_audio_played();    // the tune's samples played, or web_sound_none / _pending
void   web_page_first_frame();     // the first frame of a run is on the canvas
void   web_page_ended();           // a run has faded out and released its objects
}

namespace {

SCREEN*   screen = nullptr;
KEYBOARD* keyboard = nullptr;
WEBPACE   pace = web_pace_make();
bool      running = false;
bool      prepared = false;  // the objects of the next run are made
bool      paused = false;
// Keys are not read until every key is up: the key that started a run is still down then, and
// would act in the first frame (Space would leave part 1 at once).
bool      keys_held_over = false;
uint8_t   control_key = 0;   // a key byte from the page's controls, for the next frame's tail
const IMG* to_show = nullptr;  // the last frame composed in this animation frame
RenderRun still;            // a still being composed; still.max_frames 0 when none
std::string text_out;        // what a text-returning call hands the page, valid until the next

// The objects as at program start. What a previous run left goes first, so that every run
// starts as the first did.
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
    if (control_key != 0) {
        const uint8_t key = control_key;
        control_key = 0;
        return key;
    }
    if (keys_held_over) {
        if (keyboard->keys[0] != 0) return 0;
        keys_held_over = false;
    }
    return keyboard->keys[0];
}

void finish_run() {
    demo_end(&demo_cycle);
    running = false;
    paused = false;
    prepared = false;
    web_page_ended();
}

bool open_keyboard() {
    if (keyboard != nullptr) return true;
    SDL_Init(SDL_INIT_VIDEO);  // the browser's SDL listens for keys from here on
    if (SCREEN_ready(screen) == 0) return false;
    keyboard = KEYBOARD_new();
    return keyboard != nullptr;
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

// Makes what a live run needs before the start gesture, so that the first frame follows the
// gesture at once: the keyboard and the objects. 0 when ready; 1 when a picture is missing
// (named on standard error); 2 when there is no canvas to draw on.
EMSCRIPTEN_KEEPALIVE int32_t web_prepare() {
    if (running || prepared) return 0;
    if (web_open_screen() == 0 || !open_keyboard()) return 2;
    if (make_objects() != nullptr) return 1;
    prepared = true;
    return 0;
}

// Starts a run (after the page's start gesture) and shows its first frame at once, before the
// tune is loaded and the browser's sound is opened, which take a while. 0 when it runs, else as
// web_prepare. The page then calls web_frame at each animation frame; the first frame stays
// until the tune's first sample plays.
EMSCRIPTEN_KEEPALIVE int32_t web_start() {
    if (running) return 0;
    if (const int32_t status = web_prepare(); status != 0) return status;
    prepared = false;
    KEYBOARD_poll(keyboard);  // what was pressed before this run does not reach it
    keys_held_over = true;
    control_key = 0;
    paused = false;
    demo_cycle = DemoCycle{};
    demo_cycle.hooks = {
        .show = [](const IMG* frame, DemoStage) { to_show = frame; },
        .wait = {},
        .read_key = read_key,
        .pump = music_pump,
        .stop = music_stop,
        .release = {},  // the canvas and the keys stay for the next run
    };
    pace = web_pace_make();
    running = true;
    to_show = nullptr;
    demo_step(&demo_cycle);  // frame 0; its tail's music pump has no tune yet, as a no-op
    SCREEN_show(screen, to_show);
    web_page_first_frame();
    music_start();
    web_page_watch_audio();
    return 0;
}

// One animation frame of a live run, with its time stamp: the demo frames the clock says are
// due, of which only the last reaches the canvas.
EMSCRIPTEN_KEEPALIVE void web_frame(double now_ms) {
    if (!running || paused) return;
    const int64_t steps = web_pace_steps(&pace, now_ms, demo_cycle.shown, web_page_audio_played());
    to_show = nullptr;
    for (int64_t i = 0; i < steps; ++i) {
        if (!demo_step(&demo_cycle)) {
            if (to_show != nullptr) SCREEN_show(screen, to_show);
            finish_run();
            return;
        }
    }
    if (to_show != nullptr) SCREEN_show(screen, to_show);
}

// Pauses (1) or resumes (0) the live run's picture; the page holds the sound itself.
EMSCRIPTEN_KEEPALIVE void web_pause(int32_t on) {
    if (!running || paused == (on != 0)) return;
    paused = on != 0;
    if (!paused) web_pace_resume(&pace);
}

// A key byte from the page's controls (' ' next part, 27 fade out), read in the next frame's
// tail as if the key were pressed.
EMSCRIPTEN_KEEPALIVE void web_key(int32_t key) {
    if (running) control_key = static_cast<uint8_t>(key);
}

// The demo's letter K (the icon's letter) for the page's favicon: its pixels as 0x00RRGGBB words,
// black where nothing is drawn, after its width and height: [w, h, pixels...]; null when it
// cannot be read.
EMSCRIPTEN_KEEPALIVE const uint32_t* web_icon() {
    static std::vector<uint32_t> words;
    IMG* k = IMG_load_pnm("K.ppm");
    if (k == nullptr) return nullptr;
    const size_t n = static_cast<size_t>(k->width) * static_cast<size_t>(k->height);
    words.assign({static_cast<uint32_t>(k->width), static_cast<uint32_t>(k->height)});
    words.insert(words.end(), k->pixels, k->pixels + n);
    IMG_free(&k);
    return words.data();
}

// The live run's state for the page and its tests: the stage of the next frame (DemoStage as a
// number: 0, 1, 2 the parts, 3 the fade-out, 4 done), the frames shown, and whether a tune plays.
EMSCRIPTEN_KEEPALIVE int32_t web_stage() { return static_cast<int32_t>(demo_cycle.stage); }
EMSCRIPTEN_KEEPALIVE double web_shown() { return static_cast<double>(demo_cycle.shown); }
EMSCRIPTEN_KEEPALIVE int32_t web_sound() { return music != nullptr ? 1 : 0; }

// Begins composing frames 0 .. frame of a run without keys or sound, as demo-render does: 1 when
// it began; 0 when a run is live, a picture is missing or there is no canvas.
EMSCRIPTEN_KEEPALIVE int32_t web_still_begin(double frame) {
    text_out.clear();
    if (running || frame < 0 || web_open_screen() == 0) return 0;
    prepared = false;
    if (make_objects() != nullptr) return 0;
    const auto last = static_cast<int64_t>(frame);
    RenderHooks hooks;
    hooks.show = [last](int64_t index, DemoStage, const IMG* shown) {
        if (index != last) return;
        SCREEN_show(screen, shown);
        text_out = checksum_hex(frame_checksum(shown));
    };
    render_begin(&still, last + 1, {}, hooks);
    return 1;
}

// Composes the still's next frames for about budget_ms milliseconds: the frames composed so
// far; once the still is shown the run is ended and web_still_sum gives its checksum.
EMSCRIPTEN_KEEPALIVE double web_still_continue(double budget_ms) {
    if (still.max_frames == 0) return 0;
    const double until = emscripten_get_now() + budget_ms;
    while (emscripten_get_now() < until && render_advance(&still, 32)) {
    }
    const auto done = static_cast<double>(still.cycle.shown);
    if (still.cycle.shown >= still.max_frames) {
        render_finish(&still);
        still.max_frames = 0;
    }
    return done;
}

// The still's checksum (16 hex digits, as demo-render --sums writes it); "" until it is shown.
EMSCRIPTEN_KEEPALIVE const char* web_still_sum() { return text_out.c_str(); }

// Milliseconds of composition per frame of each part, as JSON: a run without keys or sound
// stepped from its start and timed over `frames` frames of each part after its first 64 (the
// plasma makes its palette there). Each part is timed as a whole, from the end of the frame
// before to the end of its last timed frame: the page's clock is coarse, a frame is not. A whole
// untimed cycle runs first: the browser compiles the module quickly at first and optimises the
// code that runs often while it runs, so only the second cycle shows the steady state that the
// native benchmark measures.
EMSCRIPTEN_KEEPALIVE const char* web_bench(int32_t frames) {
    text_out.clear();
    prepared = false;
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
