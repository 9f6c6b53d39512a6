// main/driver.cpp: the demo on a display: start-up, the three part loops with their common frame
// tail, the fade-out and the shutdown.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "main/demo.h"
#include "main/driver.h"
#include "main/music.h"

SCREEN*   screen = nullptr;
KEYBOARD* keyboard = nullptr;
PACER     frame_pacer = pacer_make();

namespace {

std::string working_directory() {
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::string(".") : here.string();
}

// True when SDL fell back to drawing into memory because it found no display: the demo would
// run unseen and could not be stopped from the keyboard. Asked for by name, it is used.
bool display_missing() {
    if (std::strcmp(SCREEN_driver(), "offscreen") != 0) return false;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return asked == nullptr || std::strstr(asked, "offscreen") == nullptr;
}

// Start-up cannot go on: release what exists, then end as the demo always ends, with status 1.
[[noreturn]] void give_up() {
    demo_release_objects();
    KEYBOARD_free(&keyboard);
    if (screen != nullptr) SCREEN_free(&screen);
    std::exit(1);
}

// Shows the frame, holds the pace, reads the keys and runs the key map. True when the part goes
// on, after the music has been fed; false when a key ended it (that frame feeds no music).
bool frame_tail() {
    SCREEN_show(screen, canvas);
    pacer_wait(&frame_pacer);
    KEYBOARD_poll(keyboard);
    demo_key(static_cast<int8_t>(keyboard->keys[0]));
    if (quit_request != 0) return false;
    music_pump();
    return true;
}

}  // namespace

void demo_presentation_defaults(bool windowed) {
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);
    if (windowed) setenv("SDL12COMPAT_WINDOW_SCALING", "3", 0);
}

void demo_init() {
    screen = SCREEN_new();
    keyboard = KEYBOARD_new();
    SCREEN_set_mode(screen, screen_w, screen_h);
    if (!SCREEN_ready(screen) || keyboard == nullptr) {
        std::fprintf(stderr,
                     "demo: could not open a %d x %d video surface (%s); the demo needs a "
                     "graphical display\n",
                     screen_w, screen_h, SCREEN_reason());
        give_up();
    }
    if (display_missing()) {
        std::fprintf(stderr,
                     "demo: could not open a %d x %d video surface (no display found); the demo "
                     "needs a graphical display\n",
                     screen_w, screen_h);
        give_up();
    }
    const char* missing = demo_create_objects(screen->width, screen->height);
    if (missing != nullptr) {
        std::fprintf(stderr,
                     "demo: could not read the picture \"%s\" in the folder %s\n"
                     "demo: start the demo from its data folder, for example with "
                     "./scripts/run.sh or an installed kapu4417-window\n",
                     missing, working_directory().c_str());
        give_up();
    }
    music_start();
}

void demo_part1() {
    for (int32_t left = part1_frames; left > 0; --left) {
        demo_draw_part1();
        if (!frame_tail()) return;
    }
}

void demo_part2() {
    for (int32_t left = part2_frames; left > 0; --left) {
        demo_draw_part2();
        if (!frame_tail()) return;
    }
}

void demo_part3() {
    for (int32_t left = part3_frames; left > 0; --left) {
        demo_draw_part3();
        if (!frame_tail()) return;
    }
}

void demo_fade_out() {
    for (int32_t step = 0; step < fade_frames; ++step) {
        IMG_fade_step(canvas, 2);
        SCREEN_show(screen, canvas);
        pacer_wait(&frame_pacer);
    }
}

void demo_shutdown() {
    music_stop();
    demo_fade_out();
    demo_release_objects();
    KEYBOARD_free(&keyboard);
    SCREEN_free(&screen);
}
