// tests/tune/xm_scan.h: a small independent XM reader for checks on written files: the header
// fields and every pattern's cells, unpacked. Not a player; enough to scan for effects.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ScannedCell {
    uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct ScannedPattern {
    uint32_t header_length = 0;
    uint16_t rows = 0;
    uint16_t packed_size = 0;
    std::vector<ScannedCell> cells;  // rows x channels
};

struct ScannedXm {
    std::string error;               // empty when the file was read to the end of its patterns
    uint32_t header_size = 0;
    uint16_t song_length = 0, restart = 0, channels = 0, pattern_count = 0, instrument_count = 0;
    uint16_t flags = 0, speed = 0, bpm = 0;
    std::vector<uint8_t> orders;
    std::vector<ScannedPattern> patterns;
    size_t instruments_at = 0;       // offset of the first instrument
};

inline ScannedXm xm_scan(const std::vector<uint8_t>& f) {
    ScannedXm x;
    auto u16 = [&](size_t at) { return static_cast<uint16_t>(f[at] | (f[at + 1] << 8)); };
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | (u16(at + 2) << 16)); };
    if (f.size() < 336 || std::string(f.begin(), f.begin() + 17) != "Extended Module: ") {
        x.error = "not an XM header";
        return x;
    }
    x.header_size = u32(60);
    x.song_length = u16(64);
    x.restart = u16(66);
    x.channels = u16(68);
    x.pattern_count = u16(70);
    x.instrument_count = u16(72);
    x.flags = u16(74);
    x.speed = u16(76);
    x.bpm = u16(78);
    x.orders.assign(f.begin() + 80, f.begin() + 80 + x.song_length);
    size_t at = 60 + x.header_size;
    for (uint16_t p = 0; p < x.pattern_count; ++p) {
        if (at + 9 > f.size()) {
            x.error = "pattern header past the end";
            return x;
        }
        ScannedPattern pat;
        pat.header_length = u32(at);
        pat.rows = u16(at + 5);
        pat.packed_size = u16(at + 7);
        size_t c = at + pat.header_length;
        const size_t end = c + pat.packed_size;
        if (end > f.size()) {
            x.error = "pattern data past the end";
            return x;
        }
        const size_t count = size_t{pat.rows} * x.channels;
        while (pat.packed_size && pat.cells.size() < count && c < end) {
            ScannedCell cell;
            uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.param};
            const uint8_t first = f[c];
            if (first & 0x80) {
                ++c;
                for (int i = 0; i < 5; ++i)
                    if (first & (1u << i)) *fields[i] = f[c++];
            } else {
                for (int i = 0; i < 5; ++i) *fields[i] = f[c++];
            }
            pat.cells.push_back(cell);
        }
        if (c != end) {
            x.error = "pattern " + std::to_string(p) + ": packed size does not match its cells";
            return x;
        }
        pat.cells.resize(count);
        x.patterns.push_back(pat);
        at = end;
    }
    x.instruments_at = at;
    return x;
}
