// main/demo.h: the demo itself, without display or sound: its objects and switches, the key map,
// the making and release of the objects, one frame of each part, and the part cycle, an object
// that a front end steps one frame at a time through hooks for whatever needs a platform.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "fx/objects.h"
#include "main/data_files.h"
#include "img/img.h"

// Frames per part when no key ends it early, and of the fade-out
inline constexpr int32_t part1_frames = 1001;
inline constexpr int32_t part2_frames = 2000;
inline constexpr int32_t part3_frames = 1000;
inline constexpr int32_t fade_frames = 256;
inline constexpr int64_t demo_cycle_frames = int64_t{part1_frames} + part2_frames + part3_frames;

// The demo's clock: frames per second, and the tune's samples per second, a whole number of
// them per frame, so that a sample count is a frame count.
inline constexpr int32_t demo_fps = 60;
inline constexpr int32_t demo_audio_rate = 44100;
inline constexpr int32_t demo_samples_per_frame = demo_audio_rate / demo_fps;  // 735
static_assert(demo_samples_per_frame * demo_fps == demo_audio_rate);

extern uint8_t quit_request;          // 0 go on, 1 leave the program, 2 leave the current part

void demo_key(int32_t key);           // acts on the low-order byte

// The folder the pictures and the tune are read from; empty (the default) for the working
// directory. The front end sets it before the start-up.
extern std::string demo_data_folder;
std::string demo_data_path(const char* file);  // the file's path in demo_data_folder
// The first of the required pictures (the four letters, the banner, the badge and the three
// logotypes) that is not a file in `folder` (empty: the working directory), or null.
const char* demo_missing_picture(const std::string& folder);

// Start-up without display or sound: the canvas (w x h) and every picture, strip, font, colour
// list and starfield, in start-up order, reading the files from demo_data_folder. Returns
// null when all required pictures loaded, else the name of the first one that did not (what was
// made so far stays and demo_release_objects releases it). A missing font sheet is not fatal.
const char* demo_create_objects(int32_t w, int32_t h);
void demo_release_objects();          // the shutdown's release order; logo2, raster, stars stay
// Every object, those the shutdown keeps and the plasma's palette included: what a program that
// runs the demo more than once, a test or a benchmark does between runs.
void demo_release_all();
void demo_reset_state();              // switches, requests and every motion back to their start
// Tells on standard error, under the program's name, which picture could not be read in which
// folder (demo_data_folder, shown absolute), then the hint, when there is one, on a line of its own.
void demo_report_missing(const char* program, const char* file, const char* hint = nullptr);

// One frame of each part composed into `canvas`, without the frame tail
void demo_draw_part1();
void demo_draw_part2();
void demo_draw_part3();

// The part cycle: part 1, 2, 3, 1, ... until a quit key, then the fade-out.
enum class DemoStage : uint8_t { part1, part2, part3, fade, done };

// What the front end supplies; each may be empty. In every frame `show` presents the canvas and
// `wait` holds the pace until the next frame is due; in the parts `read_key` then reads the
// keys and gives the key byte (0 for none) and `pump` feeds the music. `stop` ends the music,
// once, before the first fade frame; `release` frees the display and the keys after the objects.
struct DemoHooks {
    std::function<void(const IMG* frame, DemoStage stage)> show;
    std::function<void()>    wait;
    std::function<uint8_t()> read_key;
    std::function<void()>    pump;
    std::function<void()>    stop;
    std::function<void()>    release;
};

struct DemoCycle {
    DemoHooks hooks;
    DemoStage stage = DemoStage::part1;  // of the next frame
    int32_t   left = part1_frames;       // frames the stage still shows, unless a key ends it
    int64_t   shown = 0;                 // frames shown, fade included: the next frame's index
    bool      quitting = false;          // a quit key began the end sequence
    bool      music_stopped = false;
};

// Composes and shows one frame and runs its tail: in a part the key map on the key byte, then
// the music pump or, when a key ended the part, the next part or the start of the fade; in the
// fade one fade step. Never waits itself. False once the last fade frame is shown (and, showing
// nothing, for a cycle that is done).
bool demo_step(DemoCycle* cycle);
// Ends a run wherever it is: the music stops if it still plays, then the objects and the
// platform (hooks.release) are released, in that order.
void demo_end(DemoCycle* cycle);

extern DemoCycle demo_cycle;          // the process's cycle; the front end's demo_init hooks it up

void demo_init();                     // the front end's: platform, objects, music, hooks

// The demo's sequence by name, for a caller that runs it in one go: thin drivers that step
// demo_cycle (main/cycle.cpp, tested once in tests/demo_test.cpp). The programs step the cycle
// frame by frame instead and call none of these.
void demo_part1();                    // steps demo_cycle through part 1 until the part ends
void demo_part2();
void demo_part3();
void demo_fade_out();                 // the fade-out frames, without stopping the music
void demo_shutdown();                 // music stop, fade-out, release
