// tests/platform/platform_support.h: what the tests over SDL and libmikmod share besides
// support/support.h: a short generated tune, a data folder for the programs, and a libmikmod
// output driver that mixes on demand.
#pragma once
#include <mikmod.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "main/data_files.h"
#include "music/mikmod_driver.h"
#include "support/support.h"

namespace kt {

// A minimal XM: `channels` channels, one order of one pattern of `rows` rows at speed 1 and
// 250 BPM (10 ms a row), a note on channel 0 at row 0 playing one looped 8-bit square sample.
// It plays to its end in rows x 10 ms, with no jump that would make libmikmod repeat it.
inline std::vector<uint8_t> tiny_xm(int channels, int rows) {
    std::vector<uint8_t> b;
    auto u8 = [&](int v) { b.push_back(static_cast<uint8_t>(v)); };
    auto u16 = [&](int v) { u8(v & 0xFF); u8((v >> 8) & 0xFF); };
    auto u32 = [&](long v) { u16(static_cast<int>(v & 0xFFFF)); u16(static_cast<int>(v >> 16)); };
    auto text = [&](const std::string& s, size_t n) {
        for (size_t i = 0; i < n; ++i) u8(i < s.size() ? s[i] : 0);
    };
    text("Extended Module: ", 17);
    text("tiny", 20);
    u8(0x1A);
    text("kapu tests", 20);
    u16(0x0104);
    u32(276);
    u16(1);           // song length
    u16(0);           // restart position
    u16(channels);
    u16(1);           // patterns
    u16(1);           // instruments
    u16(1);           // linear periods
    u16(1);           // speed
    u16(250);         // BPM
    text("", 256);    // order table: pattern 0
    // Pattern 0, packed: a note with instrument 1 on channel 0 of row 0, every other cell empty.
    std::vector<uint8_t> cells;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < channels; ++c) {
            if (r == 0 && c == 0) {
                cells.insert(cells.end(), {0x83, 49, 1});
            } else {
                cells.push_back(0x80);
            }
        }
    u32(9);
    u8(0);
    u16(rows);
    u16(static_cast<int>(cells.size()));
    b.insert(b.end(), cells.begin(), cells.end());
    // Instrument 1 with one sample.
    const size_t instrument_start = b.size();
    u32(263);
    text("square", 22);
    u8(0);
    u16(1);
    u32(40);
    while (b.size() < instrument_start + 263) u8(0);
    const int length = 64;
    u32(length);
    u32(0);
    u32(length);      // loop over the whole sample
    u8(48);           // volume
    u8(0);            // finetune
    u8(1);            // forward loop, 8-bit
    u8(128);          // panning
    u8(0);            // relative note
    u8(0);
    text("square", 22);
    int previous = 0;
    for (int i = 0; i < length; ++i) {
        const int value = i < length / 2 ? 40 : -40;
        u8((value - previous) & 0xFF);  // delta coded
        previous = value;
    }
    return b;
}

// A libmikmod output driver for the tests: every update mixes one 60 Hz frame of sound into a
// buffer, on the calling thread, and counts itself; with `fail_init` its start-up fails.
struct CaptureDriver {
    static inline int  updates = 0;
    static inline int  exits = 0;
    static inline bool fail_init = false;
    static inline void (*on_exit)() = nullptr;

    static int init() {
        if (fail_init) return 1;
        return VC_Init();
    }
    static void exit_driver() {
        ++exits;
        if (on_exit) on_exit();
        VC_Exit();
    }
    static void update() {
        static SBYTE buffer[735 * 4];
        ++updates;
        VC_WriteBytes(buffer, sizeof buffer);
    }

    // Registers the driver once, under the alias "kapucap", after the library's own, so that
    // the library's autodetection still finds its own drivers first.
    static void register_once() {
        static MDRIVER driver = mikmod_software_driver("kapu capture", "kapucap", update, init, exit_driver);
        static const bool registered =
            (MikMod_RegisterAllDrivers(), MikMod_RegisterDriver(&driver), true);
        (void)registered;
    }
};

// Whether the build's data folder holds the shipped pictures (they are made by the data tools).
inline bool shipped_pictures() {
    return std::filesystem::exists(std::filesystem::path(KAPU_DATA_DIR) / demo_data_files[0]);
}

// Fills `dir` as the programs' data folder: the shipped pictures but `left_out`, and `tune`.
inline void fill_data_folder(const TempDir& dir, const std::vector<uint8_t>& tune,
                             const std::string& left_out = "") {
    for (const char* name : demo_picture_files)
        if (name != left_out)
            std::filesystem::copy_file(std::filesystem::path(KAPU_DATA_DIR) / name, dir.path() / name);
    dir.write(demo_tune_file, std::string(tune.begin(), tune.end()));
}

}  // namespace kt
