// front/native/driver.cpp: the live programs' start-up: the screen, the keyboard, the demo's
// objects and the music, and the hooks through which the core's cycle shows frames at a steady
// pace, reads the keys and feeds the music.
#include "front/native/driver.h"

#ifdef _WIN32
#include <windows.h>
#include <timeapi.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "main/demo.h"
#include "front/native/window_scale.h"
#include "music/music.h"
#include "util/data_folder.h"

SCREEN*   screen = nullptr;
KEYBOARD* keyboard = nullptr;
PACER     frame_pacer = pacer_make();

namespace {

// True when SDL fell back to drawing into memory because it found no display: the demo would
// run unseen and could not be stopped from the keyboard. Asked for by name, it is used.
bool display_missing() {
    if (std::strcmp(SCREEN_driver(), "offscreen") != 0) return false;
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    return asked == nullptr || std::strstr(asked, "offscreen") == nullptr;
}

void release_platform() {
#ifdef _WIN32
    timeEndPeriod(1);
#endif
    KEYBOARD_free(&keyboard);
    if (screen != nullptr) SCREEN_free(&screen);
}

// Start-up cannot go on: release what exists, then end as the demo always ends, with status 1.
[[noreturn]] void give_up() {
    demo_release_objects();
    release_platform();
    std::exit(1);
}

void no_display(const char* reason) {
    std::fprintf(stderr,
                 "demo: could not open a %d x %d video surface (%s); the demo needs a graphical "
                 "display\n",
                 screen_w, screen_h, reason);
    give_up();
}

}  // namespace

#ifdef _WIN32
// Classic SDL 1.2 does not scale: the frame is enlarged here by the whole factor the compat
// layer would choose. SDL12COMPAT_WINDOW_SCALING, a whole number, chooses it as on Linux.
// Full screen keeps the desktop's size, with the largest factor that fits it.
void demo_presentation(bool windowed) {
    screen_program_flags = windowed ? SCREEN_FLAGS_WINDOW : SCREEN_FLAGS_FULLSCREEN;
    DESKTOP desktop = window_work_area();
    SCREEN_desktop_size(&desktop.display_w, &desktop.display_h);
    if (!windowed) {
        screen_scale = 1;
        while (screen_w * (screen_scale + 1) <= desktop.display_w &&
               screen_h * (screen_scale + 1) <= desktop.display_h)
            ++screen_scale;
        screen_min_w = desktop.display_w;
        screen_min_h = desktop.display_h;
        return;
    }
    const char* chosen = std::getenv("SDL12COMPAT_WINDOW_SCALING");
    const int asked = chosen != nullptr ? std::atoi(chosen) : 0;
    screen_scale = asked >= 1 ? std::min(asked, 16) : window_scale_for(desktop);
}
#else
void demo_presentation(bool windowed) {
    screen_program_flags = windowed ? SCREEN_FLAGS_WINDOW : SCREEN_FLAGS_FULLSCREEN;
    // The window's class, read when the video starts: a desktop ties the window to the menu
    // entry whose StartupWMClass names it, and shows that entry's icon for it.
    setenv("SDL_VIDEO_X11_WMCLASS", KAPU_WINDOW_CLASS, 0);
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);
    if (windowed && std::getenv("SDL12COMPAT_WINDOW_SCALING") == nullptr) {
        // The video starts first, so that the display keeps a client of this program while the
        // work area is read on a connection of its own: an X server resets when its last client
        // leaves and drops one that connects meanwhile, which would fail the demo at random
        // where it is the display's only program.
        DESKTOP desktop{};
        SCREEN_desktop_size(&desktop.display_w, &desktop.display_h);
        const DESKTOP work = window_work_area();
        desktop.work_w = work.work_w;
        desktop.work_h = work.work_h;
        setenv("SDL12COMPAT_WINDOW_SCALING", std::to_string(window_scale_for(desktop)).c_str(), 1);
    }
}
#endif

void demo_init() {
    // The pictures and the tune: the working directory's, else the installation's. A picture
    // missing there is told before a window opens, and before the image library would print its
    // own "IMG error" for the file it cannot open.
    const DataFolder data = data_folder_for_this_program([](const std::filesystem::path& folder) {
        return demo_missing_picture(folder.string()) == nullptr;
    });
    demo_data_folder = data.folder;
    if (const char* missing = demo_missing_picture(demo_data_folder)) {
        demo_report_missing("demo", missing, data.hint.c_str());
        give_up();
    }
#ifdef _WIN32
    // Windows wakes a sleeping thread on its timer tick, 15.6 ms unless asked for 1 ms: too
    // coarse for a frame every 16.7 ms. Undone when the platform is released.
    timeBeginPeriod(1);
#endif
    screen = SCREEN_new();
    keyboard = KEYBOARD_new();
    SCREEN_set_mode(screen, screen_w, screen_h);
    if (!SCREEN_ready(screen) || keyboard == nullptr) no_display(SCREEN_reason());
    if (display_missing()) no_display("no display found");
    const char* missing = demo_create_objects(screen->width, screen->height);
    if (missing != nullptr) {
        demo_report_missing("demo", missing, data.hint.c_str());
        give_up();
    }
    SCREEN_set_icon(letters[0]);  // the K
    music_pause_output = SCREEN_pause_audio;
    music_start();
    demo_cycle.hooks = {
        .show = [](const IMG* frame, DemoStage) { SCREEN_show(screen, frame); },
        .wait = [] { std::this_thread::sleep_until(pacer_next(&frame_pacer, pacer_clock::now())); },
        .read_key =
            [] {
                KEYBOARD_poll(keyboard);
                return keyboard->keys[0];
            },
        .pump = music_pump,
        .stop = music_stop,
        .release = release_platform,
    };
}
