// The live programs' music on SDL's audio thread never waits on the frame loop's thread: the
// library locks its state in the device's callback, under the device's lock, and stopping the
// player takes the device's lock under the library's. This file stands between the library and
// SDL (its SDL_OpenAudio and SDL_PauseAudio are found before SDL's) to make the worst order
// certain: each pause of a playing device first waits until the device's thread has entered
// the callback.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

#include "front/native/driver.h"
#include "main/demo.h"
#include "music/music.h"
#include "platform_support.h"
#include "support/support.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int>  callbacks{0};          // entries into the library's callback
std::atomic<int>  resumes{0};            // a paused device set playing
std::atomic<int>  callbacks_paused{0};   // entries while the device was paused
std::atomic<bool> device_paused{true};   // SDL opens its device paused
void (*library_callback)(void*, Uint8*, int) = nullptr;

void counting_callback(void* user, Uint8* stream, int len) {
    if (device_paused) ++callbacks_paused;
    ++callbacks;
    library_callback(user, stream, len);
}

template <typename F> F sdl(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Waits until the device's thread enters the callback again; 5 s at most, so that a device
// that has stopped calling cannot stall this test (it then only loses its worst order).
void await_next_callback() {
    const int seen = callbacks;
    for (int i = 0; i < 500 && callbacks == seen; ++i) std::this_thread::sleep_for(10ms);
}

}  // namespace

extern "C" int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
    library_callback = desired->callback;
    desired->callback = counting_callback;
    return sdl<int (*)(SDL_AudioSpec*, SDL_AudioSpec*)>("SDL_OpenAudio")(desired, obtained);
}

extern "C" void SDL_PauseAudio(int pause_on) {
    if (pause_on != 0 && !device_paused) await_next_callback();
    sdl<void (*)(int)>("SDL_PauseAudio")(pause_on);
    if (pause_on == 0 && device_paused) ++resumes;
    device_paused = pause_on != 0;
}

namespace {

TEST(AudioLock, RestartAndShutdownNeverWaitOnTheSoundThread) {
    if (!kt::shipped_pictures()) GTEST_SKIP() << "no shipped pictures yet";
    const kt::TempDir dir;
    kt::fill_data_folder(dir, kt::tiny_xm(4, 32));  // the tune ends 320 ms in, then starts again
    const kt::InFolder in_data(dir.path());
    frame_pacer = pacer_make(100000);  // the fade without real-time waits

    // Two threads that wait on each other never return: only a bound can tell.
    std::promise<void> done;
    std::thread([&done] {
        demo_init();
        EXPECT_STREQ(md_driver->Alias, "sdl");
        // Played to its end on the sound thread, the tune is stopped and started again here.
        while (resumes < 2) {
            music_pump();
            std::this_thread::sleep_for(5ms);
        }
        EXPECT_TRUE(Player_Active());
        await_next_callback();
        demo_shutdown();
        done.set_value();
    }).detach();
    if (done.get_future().wait_for(60s) != std::future_status::ready) {
        ADD_FAILURE() << "still waiting 60 s later: the frame loop and the sound thread wait on "
                         "each other";
        std::fflush(stdout);
        std::_Exit(1);
    }
    EXPECT_GT(callbacks, 0);
    EXPECT_EQ(callbacks_paused, 0) << "the device's thread entered the library while paused";
}

}  // namespace
