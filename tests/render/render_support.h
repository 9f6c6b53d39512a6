// tests/render/render_support.h: the demo's part cycle run in this process from its start, the
// scripted runs the golden frames come from, and the golden file with its checksums.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/demo_fixture.h"
#include "support/support.h"
#include "front/render/frame_io.h"
#include "main/render_loop.h"

namespace kt {

// A run of the cycle with a key script and the frames whose checksums are kept.
struct Scenario {
    std::string            name;
    int64_t                frames;
    std::vector<RenderKey> keys;
    std::vector<int64_t>   golden;
};

// No keys: the whole cycle, a few frames of each part, the first and last of each.
inline Scenario plain_scenario() {
    return {"plain", demo_cycle_frames, {}, {0, 500, 1000, 1001, 1500, 2200, 3000, 3001, 3500, 4000}};
}

// Every key of the map in part 2, Space into part 3, then Esc and the whole fade-out.
inline Scenario keys_scenario() {
    return {"keys",
            4001,
            {{1100, '1', 1},     // scroller off: plasma, text and bounce stand still
             {1150, '2', 3},     // stars flipped three times: off
             {1200, '3', 1},     // letters off (bit 0 cleared)
             {1250, '6', 1},     // letters on again (bit 1 set)
             {1300, '9', 1},     // speed 4, seen once the scroller is back
             {1350, '1', 1},     // scroller on
             {1400, '2', 1},     // stars on
             {1450, 304, 1},     // left Shift: low byte 48, like '0': scroller stops
             {1470, '8', 1},     // speed 2
             {1500, ' ', 1},     // part 3 from frame 1501
             {1502, '7', 1},     // speed 1 (part 3 shows no scroller)
             {1600, 27, 1}},     // Esc: fade-out frames 1601 .. 1856
            {1120, 1160, 1220, 1260, 1360, 1460, 1480, 1500, 1501, 1550, 1600, 1601, 1664, 1728,
             1856}};
}

inline const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> all = {plain_scenario(), keys_scenario()};
    return all;
}

struct InProcessRun {
    RenderResult result{0, false};
    std::string  echo;  // what the scroller wrote to standard output
};

// Runs a scenario from the program's start state: no objects, switches on, phases 0, the C
// library's generator as after start (the stars are spawned from rand()). The objects are
// made from the shipped data folder and released afterwards. `on_frame` sees every shown frame.
// With `slice` above 0 the run is stepped that many frames at a time (render_advance).
inline InProcessRun run_in_process(
    const Scenario& s,
    const std::function<void(int64_t, DemoStage, const IMG*)>& on_frame = {}, int64_t slice = 0) {
    demo_release_all();
    demo_reset_state();
    std::srand(1);  // the sequence of an unseeded generator
    InProcessRun run;
    {
        InFolder here(KAPU_DATA_DIR);
        StdoutCapture capture;
        const char* missing = demo_create_objects(screen_w, screen_h);
        EXPECT_EQ(missing, nullptr) << "the data folder lacks " << missing;
        if (missing == nullptr) {
            RenderHooks hooks;
            hooks.show = on_frame;
            if (slice > 0) {
                RenderRun sliced;
                render_begin(&sliced, s.frames, s.keys, hooks);
                while (render_advance(&sliced, slice)) {
                }
                run.result = render_finish(&sliced);
            } else {
                run.result = render_run(s.frames, s.keys, hooks);
            }
        }
        run.echo = capture.text();
    }
    demo_release_all();
    demo_reset_state();
    for (LetterWave& wave : letter_waves) wave.amplitude = 64;
    return run;
}

// The golden file: checksums of the data files the frames were made from, and of the frames.
struct GoldenFile {
    std::map<std::string, uint64_t>                         data;
    std::map<std::pair<std::string, int64_t>, uint64_t> frames;
};

inline std::filesystem::path golden_path() { return std::filesystem::path(KAPU_GOLDEN_DIR) / "frames.txt"; }

inline GoldenFile read_golden() {
    GoldenFile g;
    std::ifstream in(golden_path());
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind, name, hex;
        words >> kind;
        if (kind == "data" && words >> name >> hex) {
            g.data[name] = std::stoull(hex, nullptr, 16);
        } else if (kind == "frame") {
            int64_t index = 0;
            if (words >> name >> index >> hex) g.frames[{name, index}] = std::stoull(hex, nullptr, 16);
        }
    }
    return g;
}

inline uint64_t file_checksum(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t h = 0xcbf29ce484222325ull;
    for (char c; in.get(c);) {
        h ^= static_cast<uint8_t>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

// The files the demo reads, with the checksums they have now.
inline std::map<std::string, uint64_t> data_checksums() {
    std::map<std::string, uint64_t> sums;
    for (const char* name : demo_picture_files)
        sums[name] = file_checksum(std::filesystem::path(KAPU_DATA_DIR) / name);
    return sums;
}

// The picture kept beside the checksums for a golden frame, to show what was expected.
inline std::filesystem::path golden_picture(const std::string& scenario, int64_t index) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%06lld.png", scenario.c_str(), static_cast<long long>(index));
    return std::filesystem::path(KAPU_GOLDEN_DIR) / name;
}

inline std::filesystem::path golden_out_dir() {
    std::filesystem::path dir(KAPU_GOLDEN_OUT_DIR);
    std::filesystem::create_directories(dir);
    return dir;
}

// Compares a frame with its recorded checksum. On a mismatch the frame is written as
// <name>-actual.ppm into the output folder, and the expected picture as <name>-expected.ppm
// (from `expected` when given, else from the kept PNG when ImageMagick can convert it); the
// message names the frame and the files.
inline ::testing::AssertionResult frame_matches(const std::string& name, const IMG* actual,
                                                uint64_t want, const IMG* expected = nullptr,
                                                const std::filesystem::path& png = {}) {
    const uint64_t got = frame_checksum(actual);
    if (got == want) return ::testing::AssertionSuccess();
    const std::filesystem::path dir = golden_out_dir();
    const std::string actual_path = (dir / (name + "-actual.ppm")).string();
    const std::string expected_path = (dir / (name + "-expected.ppm")).string();
    std::error_code ec;
    std::filesystem::remove(expected_path, ec);
    IMG_save_ppm(actual, actual_path.c_str());
    if (expected) {
        IMG_save_ppm(expected, expected_path.c_str());
    } else if (!png.empty() && std::filesystem::exists(png)) {
        const std::string command = "convert '" + png.string() + "' '" + expected_path + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0) std::filesystem::remove(expected_path, ec);
    }
    auto failure = ::testing::AssertionFailure();
    failure << "frame " << name << ": checksum " << checksum_hex(got) << " where "
            << checksum_hex(want) << " was recorded; wrote " << actual_path;
    if (std::filesystem::exists(expected_path)) failure << " and " << expected_path;
    if (expected) failure << " (" << first_difference(expected, actual) << ")";
    return failure;
}

}  // namespace kt
