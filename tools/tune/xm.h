// tools/tune/xm.h: an XM module in memory and its writer (format 1.04, linear frequencies).
// Pure C++: no player library is involved in writing the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Field sizes the format fixes; readers seek with them.
inline constexpr uint32_t XM_HEADER_SIZE = 276;          // counted from offset 60
inline constexpr uint32_t XM_PATTERN_HEADER_SIZE = 9;
inline constexpr uint32_t XM_INSTRUMENT_HEADER_SIZE = 263;
inline constexpr uint32_t XM_SAMPLE_HEADER_SIZE = 40;
inline constexpr uint8_t  XM_KEY_OFF = 97;               // note byte; 1..96 are C-0..B-7

// One cell: note, instrument, volume column, effect type and parameter, as stored.
struct XmCell {
    uint8_t note = 0;        // 0 none, 1..96 C-0..B-7, 97 key off
    uint8_t instrument = 0;  // 0 none, 1..128
    uint8_t volume = 0;      // volume-column byte (0x10..0x50 sets volume 0..64)
    uint8_t effect = 0;      // effect type 0..35
    uint8_t param = 0;
    friend bool operator==(const XmCell&, const XmCell&) = default;
};

struct XmPattern {
    uint16_t rows = 64;          // 1..256
    std::vector<XmCell> cells;   // rows x channels, row-major (row 0 channel 0, row 0 channel 1, ...)
};

struct XmEnvelopePoint {
    uint16_t tick = 0;
    uint16_t value = 0;          // 0..64
};

// One sample: 16-bit frames, or 8-bit frames held as int16 values in -128..127.
struct XmSample {
    std::string name;
    std::vector<int16_t> frames;
    bool sixteen_bit = true;
    uint32_t loop_start = 0;     // in frames
    uint32_t loop_length = 0;    // in frames; 0 = one-shot
    uint8_t volume = 64;         // 0..64
    int8_t finetune = 0;         // 1/128 semitone
    uint8_t panning = 128;       // 0..255, 128 = centre
    int8_t relative_note = 0;    // semitones
};

// One instrument with exactly one sample.
struct XmInstrument {
    std::string name;
    std::vector<XmEnvelopePoint> volume_envelope;  // 0 points = no envelope; else 2..12
    uint8_t sustain_point = 0;   // index into volume_envelope
    bool sustain = false;
    uint16_t fadeout = 0;        // 0..0xFFF, subtracted from 32768 each tick after key-off
    XmSample sample;
};

struct XmModule {
    std::string name;            // up to 20 characters
    std::string tracker;         // up to 20 characters
    uint16_t channels = 4;       // 1..32
    uint16_t speed = 6;          // ticks per row, 1..31
    uint16_t bpm = 125;          // 32..255
    std::vector<uint8_t> orders;           // 1..256 pattern numbers, each < patterns.size()
    std::vector<XmPattern> patterns;       // 1..256
    std::vector<XmInstrument> instruments; // 1..128
};

// The file's bytes; empty with a reason in *error when the module breaks a limit above.
[[nodiscard]] std::vector<uint8_t> xm_write(const XmModule& module, std::string* error);

// Appends one cell in its shortest stored form (flag byte 0x80|fields, or the plain 5 bytes);
// returns the number of bytes appended.
size_t xm_pack_cell(const XmCell& cell, std::vector<uint8_t>& out);

// Delta coding of sample data (each value minus the previous, wrapping; the first minus 0).
[[nodiscard]] std::vector<uint8_t> xm_delta8(std::span<const int16_t> frames);   // values -128..127
[[nodiscard]] std::vector<uint8_t> xm_delta16(std::span<const int16_t> frames);  // little-endian words
[[nodiscard]] std::vector<int16_t> xm_undelta8(std::span<const uint8_t> bytes);
[[nodiscard]] std::vector<int16_t> xm_undelta16(std::span<const uint8_t> bytes); // odd tail ignored
