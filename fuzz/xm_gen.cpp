// fuzz/xm_gen.cpp: the XM module generator. The layout follows the XM 1.04 format: the header,
// the packed patterns, then each instrument's header, sample headers and delta-coded data.
#include "fuzz/xm_gen.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

class Bytes {
public:
    void u8(uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { u8(v & 0xFF); u8(v >> 8 & 0xFF); }
    void u32(uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void text(const std::string& s, size_t n) {
        for (size_t i = 0; i < n; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    }
    void pad_to(size_t size) {
        while (out.size() < size) u8(0);
    }
    std::vector<uint8_t> out;
};

// Effects as the XM file numbers them: 0-F, then G=16 .. X=33. Bxx and Dxx jump; the player
// runs for a bounded time, so the songs they make endless are fine here.
constexpr std::array<uint8_t, 23> EFFECTS = {0x0, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA, 0xB,
                                             0xC, 0xD, 0xE, 0xF, 16, 17, 20, 21, 25, 27, 33};

uint32_t effect_param(XmChoices& c, uint8_t effect) {
    switch (effect) {
    case 0xE: return c.below(16) << 4 | c.below(16);
    case 0xF: return c.chance(50) ? c.between(1, 31) : c.between(32, 255);
    case 21: return c.chance(97) ? c.below(32) : c.below(256);  // L: envelope position
    case 33: return c.between(1, 2) << 4 | c.below(16);         // X1x, X2x
    default: return c.below(256);
    }
}

void pattern(Bytes& b, XmChoices& c, uint32_t channels, uint32_t instruments) {
    const uint32_t rows = c.chance(70) ? c.between(1, 16) : c.between(17, 64);
    Bytes cells;
    for (uint32_t cell = 0; cell < rows * channels; ++cell) {
        if (c.chance(35)) {
            cells.u8(0x80);
            continue;
        }
        uint32_t fields[5] = {};
        uint32_t present = 0;
        if (c.chance(70)) {
            fields[0] = c.chance(90) ? c.between(1, 96) : 97;  // 97: key off
            present |= 1;
        }
        if (c.chance(70)) {
            fields[1] = c.chance(95) ? c.between(1, instruments) : c.between(1, 255);
            present |= 2;
        }
        if (c.chance(30)) {
            fields[2] = c.chance(50) ? c.between(0x10, 0x50) : c.between(0x60, 0xFF);
            present |= 4;
        }
        if (c.chance(60)) {
            fields[3] = EFFECTS[c.below(EFFECTS.size())];
            fields[4] = effect_param(c, static_cast<uint8_t>(fields[3]));
            present |= 8 | 16;
        }
        if (c.chance(10)) {  // unpacked: all five bytes
            for (uint32_t f : fields) cells.u8(f);
            continue;
        }
        cells.u8(0x80 | present);
        for (unsigned bit = 0; bit < 5; ++bit)
            if (present & 1u << bit) cells.u8(fields[bit]);
    }
    b.u32(9);
    b.u8(0);
    b.u16(rows);
    b.u16(static_cast<uint32_t>(cells.out.size()));
    b.out.insert(b.out.end(), cells.out.begin(), cells.out.end());
}

// 12 points (x, y), x rising from 0.
void envelope_points(Bytes& b, XmChoices& c) {
    uint32_t x = 0;
    for (int p = 0; p < 12; ++p) {
        b.u16(x);
        b.u16(c.chance(90) ? c.below(65) : c.below(256));
        x += c.chance(90) ? c.between(1, 40) : c.below(600);
    }
}

struct SampleShape {
    uint32_t frames;
    bool sixteen_bit;
};

// A sample header: loops of every type, placed where overruns happen (short, at the start, at
// the very end, past the end) as well as where tunes put them.
SampleShape sample_header(Bytes& b, XmChoices& c) {
    SampleShape s;
    const uint32_t kind = c.below(20);
    s.frames = kind < 3 ? c.between(0, 64) : kind < 16 ? c.between(64, 1024) : c.between(1024, 6000);
    s.sixteen_bit = c.chance(40);
    uint32_t start = 0, length = 0;
    const uint32_t place = c.below(10);
    switch (place < 3 ? 0 : place < 5 ? place - 2 : place < 7 ? 3 : place < 9 ? 4 : 5) {
    case 0: length = s.frames; break;  // the whole sample
    case 1: {                          // short, ending at or near the end
        length = c.between(1, 60);
        const uint32_t end = s.frames - std::min(s.frames, c.between(0, 40));
        start = end - std::min(end, length);
        break;
    }
    case 2:  // short, at or near the start
        start = c.between(0, 60);
        length = c.between(1, 60);
        break;
    case 3:  // anywhere, possibly past the end
        start = c.below(s.frames + 64);
        length = c.below(s.frames + 64);
        break;
    case 4:  // long, near the start
        start = c.between(0, 100);
        length = s.frames - std::min(s.frames, start + c.between(0, 100));
        break;
    default: start = c.below(256) * 256; length = c.below(s.frames + 1); break;
    }
    const uint32_t width = s.sixteen_bit ? 2 : 1;
    const uint32_t odd = s.sixteen_bit && c.chance(5) ? 1 : 0;  // a byte count the loader halves
    b.u32(s.frames * width);
    b.u32(start * width + odd);
    b.u32(length * width);
    b.u8(c.below(65));                                      // volume
    b.u8(c.chance(30) ? c.between(100, 127) : c.below(256));  // finetune, often high
    const uint32_t loop = c.chance(97) ? c.below(3) : 3;  // 3: both bits
    b.u8(loop | (s.sixteen_bit ? 0x10 : 0));
    b.u8(c.below(256));                                            // panning
    b.u8(static_cast<uint32_t>(c.chance(70) ? c.signed_between(-24, 24) : c.signed_between(-128, 127)));  // relative note
    b.u8(0);
    b.text("kapu gen", 22);
    return s;
}

void instrument(Bytes& b, XmChoices& c) {
    const uint32_t samples = c.chance(3) ? 0 : c.between(1, 3);
    const size_t start = b.out.size();
    if (samples == 0) {
        b.u32(29);
        b.text("empty", 22);
        b.u8(0);
        b.u16(0);
        return;
    }
    b.u32(263);
    b.text("kapu gen", 22);
    b.u8(0);
    b.u16(samples);
    b.u32(40);
    // Now and then one note maps to a sample past the instrument's own.
    const uint32_t stray = c.chance(5) ? c.below(96) : 96;
    for (uint32_t note = 0; note < 96; ++note) b.u8(note == stray ? c.below(16) : c.below(samples));
    envelope_points(b, c);  // volume
    envelope_points(b, c);  // panning
    // Point counts, then sustain, loop start and loop end of each: now and then out of range.
    uint32_t points[2];
    for (uint32_t& count : points) count = c.chance(99) ? c.between(0, 12) : c.below(256);
    for (uint32_t count : points) b.u8(count);
    for (uint32_t count : points) {
        const uint32_t sustain = c.below(std::max(count, 1u));
        const uint32_t loop_start = c.below(std::max(count, 1u));
        const uint32_t loop_end = loop_start + c.below(std::max(count, 1u) - loop_start);
        for (uint32_t index : {sustain, loop_start, loop_end}) b.u8(c.chance(98) ? index : c.below(256));
    }
    for (int e = 0; e < 2; ++e) b.u8(c.below(8));  // on, sustain, loop
    b.u8(c.below(4));                              // auto-vibrato: type, sweep, depth, rate
    b.u8(c.below(256));
    b.u8(c.chance(80) ? c.below(16) : c.below(256));
    b.u8(c.chance(80) ? c.below(64) : c.below(256));
    b.u16(c.chance(80) ? c.below(0x1000) : c.below(0x10000));  // fadeout
    b.pad_to(start + 263);
    std::vector<SampleShape> shapes;
    for (uint32_t s = 0; s < samples; ++s) shapes.push_back(sample_header(b, c));
    for (const SampleShape& s : shapes)
        for (uint32_t i = 0; i < s.frames * (s.sixteen_bit ? 2 : 1); ++i) b.u8(c.below(256));
}

}  // namespace

uint32_t XmChoices::below(uint32_t n) {
    if (n <= 1) return 0;
    uint32_t value = 0;
    const size_t wanted = n <= 0x100 ? 1 : n <= 0x10000 ? 2 : 4;
    if (at_ + wanted <= bytes_.size()) {
        for (size_t i = 0; i < wanted; ++i) value = value << 8 | bytes_[at_++];
    } else {  // SplitMix64
        state_ += 0x9E3779B97F4A7C15u;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        value = static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }
    return value % n;
}

uint32_t XmChoices::between(uint32_t low, uint32_t high) { return low + below(high - low + 1); }

int32_t XmChoices::signed_between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(below(static_cast<uint32_t>(high - low) + 1));
}

std::vector<uint8_t> xm_generate(XmChoices& c) {
    Bytes b;
    const uint32_t channels = c.chance(80) ? c.between(1, 4) : c.between(5, 8);
    const uint32_t patterns = c.between(1, 3);
    const uint32_t instruments = c.between(1, 4);
    const uint32_t song_length = c.between(1, 4);
    b.text("Extended Module: ", 17);
    b.text("generated", 20);
    b.u8(0x1A);
    b.text("kapu gen", 20);
    b.u16(0x0104);
    b.u32(276);
    b.u16(song_length);
    b.u16(0);  // restart position
    b.u16(channels);
    b.u16(patterns);
    b.u16(instruments);
    b.u16(c.chance(50) ? 1 : 0);  // linear or Amiga frequency table
    b.u16(c.chance(70) ? c.between(1, 6) : c.between(1, 31));
    b.u16(c.between(32, 255));
    for (uint32_t i = 0; i < 256; ++i) b.u8(i < song_length ? c.below(patterns) : 0);
    for (uint32_t p = 0; p < patterns; ++p) pattern(b, c, channels, instruments);
    for (uint32_t i = 0; i < instruments; ++i) instrument(b, c);
    return b.out;
}
