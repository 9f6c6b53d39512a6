// tests/tune/xm_cases.h: XM files for the tune check's tests and the tune fuzzer's seeds: a small
// module from the writer, the same module damaged byte by byte in the ways the writer refuses and
// in every way the check refuses (or must accept), the module in the older 1.02 and 1.03 layouts,
// and the shipped tune with its samples cut short.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/tune_check.h"
#include "tools/tune/xm.h"

namespace xmc {

using Bytes = std::vector<uint8_t>;

inline uint32_t get16(const Bytes& f, size_t at) { return f.at(at) | static_cast<uint32_t>(f.at(at + 1)) << 8; }
inline uint32_t get32(const Bytes& f, size_t at) { return get16(f, at) | get16(f, at + 2) << 16; }
inline void put16(Bytes& f, size_t at, uint32_t v) {
    f.at(at) = static_cast<uint8_t>(v & 0xFF);
    f.at(at + 1) = static_cast<uint8_t>(v >> 8 & 0xFF);
}
inline void put32(Bytes& f, size_t at, uint32_t v) {
    put16(f, at, v & 0xFFFF);
    put16(f, at + 2, v >> 16);
}
inline void erase(Bytes& f, size_t at, size_t count) {
    f.erase(f.begin() + static_cast<long>(at), f.begin() + static_cast<long>(at + count));
}
inline void insert(Bytes& f, size_t at, size_t count, uint8_t value) {
    f.insert(f.begin() + static_cast<long>(at), count, value);
}

// Where the parts of a well-formed version 1.04 file start.
struct Layout {
    std::vector<size_t> patterns;        // pattern headers
    std::vector<size_t> instruments;     // instrument headers
    std::vector<size_t> sample_headers;  // each instrument's first sample header
    std::vector<size_t> data;            // each instrument's sample data
    std::vector<uint32_t> sample_bytes;  // each instrument's sample data, all its samples
};

inline Layout layout(const Bytes& f) {
    Layout l;
    size_t at = 60 + get32(f, 60);
    for (uint32_t p = 0; p < get16(f, 70); ++p) {
        l.patterns.push_back(at);
        at += get32(f, at) + get16(f, at + 7);
    }
    for (uint32_t i = 0; i < get16(f, 72); ++i) {
        l.instruments.push_back(at);
        const uint32_t samples = get16(f, at + 27);
        at += get32(f, at);
        l.sample_headers.push_back(at);
        uint32_t bytes = 0;
        for (uint32_t s = 0; s < samples; ++s, at += 40) bytes += get32(f, at);
        l.data.push_back(at);
        l.sample_bytes.push_back(bytes);
        at += bytes;
    }
    return l;
}

// Two channels; two 2-row patterns played 1, 0, 1; instrument 1 plays a 16-bit sample of 4
// frames with a 3-point volume envelope held at point 2, instrument 2 an 8-bit one of 3 frames.
// Pattern 1's last cell is a key off with effect 0xE (packed: 0x99 97 0x0E 0xC0).
inline Bytes small_xm() {
    XmModule m;
    m.name = "small";
    m.tracker = "kapu tune check";
    m.channels = 2;
    m.speed = 5;
    m.bpm = 140;
    m.orders = {1, 0, 1};
    XmPattern empty;
    empty.rows = 2;
    empty.cells.assign(4, XmCell{});
    XmPattern notes = empty;
    notes.cells[0] = {49, 1, 0x50, 0, 0};
    notes.cells[3] = {XM_KEY_OFF, 0, 0, 0xE, 0xC0};
    m.patterns = {empty, notes};
    XmInstrument tone;
    tone.name = "tone";
    tone.volume_envelope = {{0, 32}, {2, 64}, {10, 40}};
    tone.sustain_point = 2;
    tone.sustain = true;
    tone.fadeout = 0x300;
    tone.sample.frames = {0, 1000, -1000, 30000};
    XmInstrument click;
    click.name = "click";
    click.sample.frames = {0, 100, -100};
    click.sample.sixteen_bit = false;
    m.instruments = {tone, click};
    return xm_write(m, nullptr);
}

// The same module laid out as version 1.03 (instruments with their sample headers first, then
// the patterns, then all sample data) or 1.02 (as 1.03, with 8-byte pattern headers that store
// rows - 1 in one byte).
inline Bytes old_layout(const Bytes& f, uint16_t version) {
    const Layout l = layout(f);
    Bytes out(f.begin(), f.begin() + static_cast<long>(l.patterns.front()));
    put16(out, 58, version);
    for (size_t i = 0; i < l.instruments.size(); ++i)
        out.insert(out.end(), f.begin() + static_cast<long>(l.instruments[i]),
                   f.begin() + static_cast<long>(l.data[i]));
    for (size_t p : l.patterns) {
        const uint32_t rows = get16(f, p + 5), packed = get16(f, p + 7);
        if (version == 0x0102) {
            const uint8_t header[8] = {8, 0, 0, 0, 0, static_cast<uint8_t>(rows - 1),
                                       static_cast<uint8_t>(packed & 0xFF), static_cast<uint8_t>(packed >> 8)};
            out.insert(out.end(), header, header + 8);
        } else {
            out.insert(out.end(), f.begin() + static_cast<long>(p), f.begin() + static_cast<long>(p + 9));
        }
        out.insert(out.end(), f.begin() + static_cast<long>(p + get32(f, p)),
                   f.begin() + static_cast<long>(p + get32(f, p) + packed));
    }
    for (size_t i = 0; i < l.instruments.size(); ++i)
        out.insert(out.end(), f.begin() + static_cast<long>(l.data[i]),
                   f.begin() + static_cast<long>(l.data[i] + l.sample_bytes[i]));
    return out;
}

// A version 1.04 file with every sample cut to at most `max_bytes` bytes (a whole number of
// frames) and its loop kept inside: the same patterns and instruments in a small file.
inline Bytes with_short_samples(const Bytes& f, uint32_t max_bytes) {
    const Layout l = layout(f);
    Bytes out(f.begin(), f.begin() + static_cast<long>(l.instruments.front()));
    for (size_t i = 0; i < l.instruments.size(); ++i) {
        out.insert(out.end(), f.begin() + static_cast<long>(l.instruments[i]),
                   f.begin() + static_cast<long>(l.sample_headers[i]));
        Bytes data;
        size_t from = l.data[i];
        for (size_t h = l.sample_headers[i]; h < l.data[i]; h += 40) {
            Bytes header(f.begin() + static_cast<long>(h), f.begin() + static_cast<long>(h + 40));
            const uint32_t length = get32(header, 0);
            uint32_t kept = std::min(length, max_bytes);
            if (header[14] & 0x10) kept &= ~1u;
            const uint32_t loop_start = std::min(get32(header, 4), kept);
            put32(header, 0, kept);
            put32(header, 4, loop_start);
            put32(header, 8, std::min(get32(header, 8), kept - loop_start));
            out.insert(out.end(), header.begin(), header.end());
            data.insert(data.end(), f.begin() + static_cast<long>(from), f.begin() + static_cast<long>(from + kept));
            from += length;
        }
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

// The shipped tune's instrument 8 holds its volume envelope at point 4 of 5; the player reads
// the point the sustain byte names without looking at the count.
inline Bytes with_sustain_255(Bytes f, size_t instrument = 8) {
    f.at(layout(f).instruments.at(instrument - 1) + 227) = 255;
    return f;
}

// Offsets in small_xm(): the patterns, the instruments and their sample headers. Pattern 1's
// cells start at P1 + 9: 0x87 49 1 0x50 | 0x80 | 0x80 | 0x99 97 0x0E 0xC0 (row 0 channel 0 plays
// C-4 on instrument 1; row 1 channel 1 keys off with effect 0xE).
constexpr size_t P0 = 336, P1 = 349, I1 = 368, S1 = 631, I2 = 679, S2 = 942;

// Row 1 of pattern 1, channel 0, plays C-4 on instrument 2 after instrument 1's note of row 0.
// Moves everything after pattern 1 by 2 bytes: damage the instruments first.
inline void play_instrument_2(Bytes& f) {
    f.at(P1 + 14) = 0x83;
    const uint8_t fields[2] = {49, 2};
    f.insert(f.begin() + static_cast<long>(P1 + 15), fields, fields + 2);
    put16(f, P1 + 7, 12);
}

// Instrument 2 gets a volume envelope, on and held at `sustain`: 2 points, (0, 64) and (10, 32).
inline void envelope_on_instrument_2(Bytes& f, uint8_t sustain) {
    put16(f, I2 + 131, 64);
    put16(f, I2 + 133, 10);
    put16(f, I2 + 135, 32);
    f.at(I2 + 225) = 2;
    f.at(I2 + 227) = sustain;
    f.at(I2 + 233) = 3;
}

// Instrument 1's sample made `frames` long (zeros after its 4), with a loop of `type` (1 forward,
// 2 ping-pong) over `length` frames from `start`. Moves everything after it: damage it last.
inline void loop_1(Bytes& f, uint32_t frames, uint8_t type, uint32_t start, uint32_t length) {
    insert(f, S1 + 48, (frames - 4) * 2, 0);
    put32(f, S1, frames * 2);
    put32(f, S1 + 4, start * 2);
    put32(f, S1 + 8, length * 2);
    f.at(S1 + 14) = static_cast<uint8_t>(0x10 | type);
}

// Row 1 of pattern 1: channel 0 gets Bxx (or D00), channel 1's key off D00 (or Bxx). Moves
// everything after pattern 1 by 2 bytes.
inline void jump_and_break(Bytes& f, uint8_t position, bool jump_first) {
    const uint8_t jump[2] = {0x0B, position}, pattern_break[2] = {0x0D, 0};
    const uint8_t* first = jump_first ? jump : pattern_break;
    const uint8_t* second = jump_first ? pattern_break : jump;
    f.at(P1 + 17) = second[0];
    f.at(P1 + 18) = second[1];
    f.at(P1 + 14) = 0x98;  // effect and parameter follow
    f.insert(f.begin() + static_cast<long>(P1 + 15), first, first + 2);
    put16(f, P1 + 7, 12);
}

struct Case {
    const char* name;
    TuneRule    rule;  // none: the check accepts the file
    void (*spoil)(Bytes& f);
};

// Damages of small_xm(). The first 18 are the modules the writer refuses, made here byte by byte.
inline std::vector<Case> cases() {
    using R = TuneRule;
    return {
        // The writer's refusals. Harmless to libmikmod, as its loader and player show:
        // an order past the patterns plays an empty 64-row pattern (as FastTracker 2 does),
        // no orders play silence, missing cells read as empty, notes past key off fade, an
        // instrument past the count is skipped, speed 0 keeps the default, a 1-point envelope
        // is switched off, falling ticks are mended, values and fadeouts are clamped by the
        // player's arithmetic, any 8-bit delta is a sample, and a loop end is clamped.
        {"writer: order past the patterns", R::none, [](Bytes& f) { f[82] = 2; }},
        {"writer: no orders", R::none, [](Bytes& f) { put16(f, 64, 0); }},
        {"writer: no instruments", R::instrument_count, [](Bytes& f) { put16(f, 72, 0); }},
        {"writer: zero-row pattern", R::pattern_rows, [](Bytes& f) { put16(f, P0 + 5, 0); }},
        {"writer: cell count off", R::none, [](Bytes& f) { erase(f, P0 + 12, 1); put16(f, P0 + 7, 3); }},
        {"writer: note past key off", R::none, [](Bytes& f) { f[P1 + 10] = 98; }},
        {"writer: undefined instrument", R::none, [](Bytes& f) { f[P1 + 11] = 3; }},
        {"writer: speed 0", R::none, [](Bytes& f) { put16(f, 76, 0); }},
        {"writer: bpm 31", R::bpm, [](Bytes& f) { put16(f, 78, 31); }},
        {"writer: bpm 256", R::bpm, [](Bytes& f) { put16(f, 78, 256); }},
        {"writer: one-point envelope", R::none, [](Bytes& f) { f[I1 + 225] = 1; }},
        {"writer: falling envelope ticks", R::none, [](Bytes& f) { put16(f, I1 + 137, 2); }},
        {"writer: envelope value 65", R::none, [](Bytes& f) { put16(f, I1 + 135, 65); }},
        {"writer: sustain outside", R::envelope_sustain, [](Bytes& f) { f[I1 + 227] = 3; }},
        {"writer: fadeout 0x1000", R::none, [](Bytes& f) { put16(f, I1 + 239, 0x1000); }},
        {"writer: 8-bit value 128", R::none, [](Bytes& f) { f[S2 + 40] = 0x80; }},
        {"writer: loop past the end", R::none, [](Bytes& f) { put32(f, S1 + 4, 2); }},
        {"writer: pattern over 32767 bytes", R::pattern_data_size, [](Bytes& f) { put16(f, P0 + 7, 0x8000); }},

        // The file header.
        {"empty file", R::id_text, [](Bytes& f) { f.clear(); }},
        {"lower-case ID text", R::id_text, [](Bytes& f) { f[9] = 'm'; }},
        {"cut before the marker", R::id_text, [](Bytes& f) { f.resize(37); }},
        {"marker 0x20", R::marker, [](Bytes& f) { f[37] = 0x20; }},
        {"version 1.01", R::version, [](Bytes& f) { put16(f, 58, 0x0101); }},
        {"version 1.05", R::version, [](Bytes& f) { put16(f, 58, 0x0105); }},
        {"header size 19", R::header_size, [](Bytes& f) { put32(f, 60, 19); }},
        {"header size 277", R::header_size, [](Bytes& f) { put32(f, 60, 277); }},
        {"short order table", R::none, [](Bytes& f) { erase(f, 83, 253); put32(f, 60, 23); }},
        {"song length 257", R::song_length, [](Bytes& f) { put16(f, 64, 257); }},
        {"restart 255", R::none, [](Bytes& f) { put16(f, 66, 255); }},
        {"restart 256", R::restart, [](Bytes& f) { put16(f, 66, 256); }},
        {"no channels", R::channels, [](Bytes& f) { put16(f, 68, 0); }},
        {"65 channels", R::channels, [](Bytes& f) { put16(f, 68, 65); }},
        {"65535 channels", R::channels, [](Bytes& f) { put16(f, 68, 65535); }},
        {"257 patterns", R::pattern_count, [](Bytes& f) { put16(f, 70, 257); }},
        {"65535 patterns", R::pattern_count, [](Bytes& f) { put16(f, 70, 65535); }},
        {"256 instruments", R::instrument_count, [](Bytes& f) { put16(f, 72, 256); }},
        {"speed 32", R::none, [](Bytes& f) { put16(f, 76, 32); }},
        {"speed 33", R::speed, [](Bytes& f) { put16(f, 76, 33); }},
        {"cut after 79 bytes", R::header_past_end, [](Bytes& f) { f.resize(79); }},
        {"first 100 bytes", R::header_past_end, [](Bytes& f) { f.resize(100); }},
        {"header only", R::header_past_end, [](Bytes& f) { f.resize(P0); }},

        // Patterns.
        {"cut inside a pattern header", R::pattern_past_end, [](Bytes& f) { f.resize(P1 + 5); }},
        {"cut inside packed cells", R::pattern_past_end, [](Bytes& f) { f.resize(P1 + 12); }},
        {"pattern header length 8", R::pattern_header_length, [](Bytes& f) { put32(f, P0, 8); }},
        {"pattern header length 12", R::none, [](Bytes& f) { insert(f, P0 + 9, 3, 0); put32(f, P0, 12); }},
        {"pattern header length past the end", R::pattern_past_end, [](Bytes& f) { put32(f, P1, 0x7FFFFFF0); }},
        {"packing type 1", R::pattern_packing, [](Bytes& f) { f[P0 + 4] = 1; }},
        {"257 rows", R::pattern_rows, [](Bytes& f) { put16(f, P0 + 5, 257); }},
        {"256 rows, 2 of them stored", R::none, [](Bytes& f) { put16(f, P0 + 5, 256); }},
        {"packed size one short", R::pattern_cells, [](Bytes& f) { put16(f, P1 + 7, 9); }},
        {"packed size with a spare byte", R::none, [](Bytes& f) { insert(f, P1 + 19, 1, 0x80); put16(f, P1 + 7, 11); }},
        {"effect L 0x20 with an envelope on", R::envelope_position_effect,
         [](Bytes& f) { f[P1 + 17] = 21; f[P1 + 18] = 0x20; }},
        {"effect L 0x1F with an envelope on", R::none, [](Bytes& f) { f[P1 + 17] = 21; f[P1 + 18] = 0x1F; }},
        {"effect L 0xFF without an envelope on", R::none,
         [](Bytes& f) { f[P1 + 17] = 21; f[P1 + 18] = 0xFF; f[I1 + 233] = 0; }},

        // A channel that gets an instrument without a sample for its note keeps the envelope
        // flags of the instrument before: instrument 1 has its volume envelope on. The first two
        // make libmikmod read 255 envelope points past instrument 2 (found by the fuzzer).
        {"note on an instrument without samples", R::unmapped_note, [](Bytes& f) {
             f.resize(I2 + 29);
             put32(f, I2, 29);
             put16(f, I2 + 27, 0);
             play_instrument_2(f);
         }},
        {"played note mapped past the samples", R::unmapped_note,
         [](Bytes& f) { f[I2 + 33 + 48] = 1; play_instrument_2(f); }},
        {"note on an instrument without samples, no envelope on", R::none, [](Bytes& f) {
             f.resize(I2 + 29);
             put32(f, I2, 29);
             put16(f, I2 + 27, 0);
             f[I1 + 233] = 0;
             play_instrument_2(f);
         }},
        {"note 1 mapped past the samples", R::unmapped_note, [](Bytes& f) { f[I1 + 33] = 1; }},
        {"unplayed note mapped past the samples", R::none, [](Bytes& f) { f[I1 + 33 + 60] = 5; }},
        {"played note mapped past the samples of an unnamed instrument", R::none,
         [](Bytes& f) { f[I2 + 33 + 48] = 1; }},
        {"instrument 2 played", R::none, [](Bytes& f) { play_instrument_2(f); }},

        // Instruments and their envelopes.
        {"cut inside an instrument header", R::instrument_past_end, [](Bytes& f) { f.resize(I2 + 100); }},
        {"instrument header past the end", R::instrument_past_end, [](Bytes& f) { put32(f, I2, 0x7000); }},
        {"instrument header size 28", R::instrument_header_size, [](Bytes& f) { put32(f, I1, 28); }},
        {"instrument header size 240 with a sample", R::instrument_header_size, [](Bytes& f) { put32(f, I1, 240); }},
        {"instrument header size 0x8000", R::instrument_header_size, [](Bytes& f) { put32(f, I1, 0x8000); }},
        {"instrument header size 243", R::none, [](Bytes& f) { erase(f, I1 + 243, 20); put32(f, I1, 243); }},
        {"instrument of 29 bytes without samples", R::none,
         [](Bytes& f) { f.resize(I2 + 29); put32(f, I2, 29); put16(f, I2 + 27, 0); }},
        {"instrument of 31 bytes without samples", R::instrument_header_size,
         [](Bytes& f) { f.resize(I2 + 31); put32(f, I2, 31); put16(f, I2 + 27, 0); }},
        {"97 samples", R::sample_count, [](Bytes& f) { put16(f, I2 + 27, 97); }},
        {"second sample header past the end", R::sample_header_past_end, [](Bytes& f) { put16(f, I2 + 27, 2); }},
        {"13 volume points", R::envelope_points, [](Bytes& f) { f[I1 + 225] = 13; }},
        {"13 volume points, envelope off", R::none, [](Bytes& f) { f[I1 + 225] = 13; f[I1 + 233] = 0; }},
        // The shipped tune's fault on the small module's last instrument: libmikmod reads 255
        // envelope points past it on every update.
        {"sustain 255 on a played instrument", R::envelope_sustain,
         [](Bytes& f) { envelope_on_instrument_2(f, 255); play_instrument_2(f); }},
        {"sustain 1 on a played instrument", R::none,
         [](Bytes& f) { envelope_on_instrument_2(f, 1); play_instrument_2(f); }},
        {"sustain 255, envelope off", R::none, [](Bytes& f) { f[I1 + 227] = 255; f[I1 + 233] = 0; }},
        {"sustain 255, sustain off", R::none, [](Bytes& f) { f[I1 + 227] = 255; f[I1 + 233] = 1; }},
        {"panning sustain outside", R::envelope_sustain,
         [](Bytes& f) { f[I1 + 226] = 2; f[I1 + 230] = 2; f[I1 + 234] = 3; }},
        {"loop start outside", R::envelope_loop_start,
         [](Bytes& f) { f[I1 + 233] = 5; f[I1 + 228] = 3; f[I1 + 229] = 2; }},
        {"loop end outside", R::envelope_loop_end, [](Bytes& f) { f[I1 + 233] = 5; f[I1 + 229] = 3; }},
        {"loop end before its start", R::envelope_loop_end,
         [](Bytes& f) { f[I1 + 233] = 5; f[I1 + 228] = 2; f[I1 + 229] = 1; }},
        {"loop over the last two points", R::none,
         [](Bytes& f) { f[I1 + 233] = 7; f[I1 + 228] = 1; f[I1 + 229] = 2; }},

        // Loops against the mixer's longest step, 47.55 frames whatever the pitch: a loop of 47
        // frames or fewer must end 28 frames before the sample's end, and a ping-pong one must
        // also start at frame 48 or later (instrument 1's sample, of 4 frames or made longer).
        {"forward loop over 4 frames", R::loop_overrun, [](Bytes& f) { loop_1(f, 4, 1, 0, 4); }},
        {"ping-pong loop over 4 frames", R::loop_overrun, [](Bytes& f) { loop_1(f, 4, 2, 0, 4); }},
        {"forward loop of 47 frames ending at the end", R::loop_overrun, [](Bytes& f) { loop_1(f, 48, 1, 1, 47); }},
        {"forward loop of 48 frames ending at the end", R::none, [](Bytes& f) { loop_1(f, 48, 1, 0, 48); }},
        {"1-frame loop 27 frames before the end", R::loop_overrun, [](Bytes& f) { loop_1(f, 34, 1, 6, 1); }},
        {"1-frame loop 28 frames before the end", R::none, [](Bytes& f) { loop_1(f, 34, 1, 5, 1); }},
        {"ping-pong 1-frame loop at frame 47", R::loop_overrun, [](Bytes& f) { loop_1(f, 100, 2, 47, 1); }},
        {"ping-pong 1-frame loop at frame 48", R::none, [](Bytes& f) { loop_1(f, 100, 2, 48, 1); }},
        {"ping-pong loop of 48 frames from frame 0", R::none, [](Bytes& f) { loop_1(f, 100, 2, 0, 48); }},
        {"loop flag on an empty loop", R::none, [](Bytes& f) { loop_1(f, 4, 2, 2, 0); }},
        // Offset 901 starts a note at frame 256: past the end of a ping-pong loop over frames
        // 0..127, it bounces to just before frame 0 and reads there once.
        {"offset bouncing before a ping-pong loop's start", R::loop_overrun,
         [](Bytes& f) { loop_1(f, 300, 2, 0, 128); f[P1 + 17] = 0x9; f[P1 + 18] = 1; }},
        {"the same loop without the offset", R::none, [](Bytes& f) { loop_1(f, 300, 2, 0, 128); }},
        {"offset bouncing inside a ping-pong loop", R::none,
         [](Bytes& f) { loop_1(f, 300, 2, 0, 100); f[P1 + 17] = 0x9; f[P1 + 18] = 1; }},
        {"offset past a forward loop", R::none,
         [](Bytes& f) { loop_1(f, 300, 1, 0, 128); f[P1 + 17] = 0x9; f[P1 + 18] = 1; }},

        // Row 1 of pattern 1 (channel 1 keys off): a position jump and a pattern break. The
        // order table holds the song length (3) + 1 entries.
        {"jump to position 4, then a break", R::jump_past_the_end, [](Bytes& f) { jump_and_break(f, 4, true); }},
        {"jump to position 3, then a break", R::none, [](Bytes& f) { jump_and_break(f, 3, true); }},
        {"a break, then a jump to position 4", R::none, [](Bytes& f) { jump_and_break(f, 4, false); }},

        // The Amiga table's last entry: a B with a finetune of +112 or more reads past it.
        // Instrument 1 plays C-4, and note 1 (a C) before it; arpeggio 0B0 adds 11 semitones.
        {"Amiga table, finetune +112, arpeggio to B", R::amiga_finetune,
         [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 112; f[P1 + 17] = 0x0; f[P1 + 18] = 0xB0; }},
        {"Amiga table, finetune +111, arpeggio to B", R::none,
         [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 111; f[P1 + 17] = 0x0; f[P1 + 18] = 0xB0; }},
        {"Amiga table, finetune +127, B-3", R::amiga_finetune,
         [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 127; f[P1 + 10] = 48; }},
        {"Amiga table, finetune +127, relative note -1", R::amiga_finetune,
         [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 127; f[S1 + 16] = 0xFF; }},
        {"Amiga table, finetune +127, C only", R::none, [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 127; }},
        {"linear table, finetune +127, B-3", R::none, [](Bytes& f) { f[S1 + 13] = 127; f[P1 + 10] = 48; }},
        // A note in a cell without an instrument, on a channel that has named none, plays the
        // first sample as it stands; with instrument 1 named, B-3 is raised to a C.
        {"Amiga table, finetune +127, B-3 without an instrument", R::amiga_finetune,
         [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 127; f[S1 + 16] = 1; f[P1 + 10] = 48; f[P1 + 11] = 0; }},
        {"Amiga table, finetune +127, B-3 on instrument 1 raised by 1", R::none,
         [](Bytes& f) { put16(f, 74, 0); f[S1 + 13] = 127; f[S1 + 16] = 1; f[P1 + 10] = 48; }},

        // Sample data against the file.
        {"sample longer than the file", R::sample_past_end, [](Bytes& f) { put32(f, S1, 0x10000000); }},
        {"last sample of 3000 bytes", R::sample_past_end, [](Bytes& f) { put32(f, S2, 3000); }},
        {"one byte short", R::none, [](Bytes& f) { f.pop_back(); }},
        {"last sample missing", R::sample_past_end, [](Bytes& f) { f.resize(f.size() - 3); }},
        // libmikmod reads a sample in blocks of 2048 frames and takes a last block cut short:
        // a last sample of 2100 8-bit frames may lose up to 51 of them.
        {"cut inside the last block of the last sample", R::none, [](Bytes& f) {
             insert(f, f.size(), 2097, 1);
             put32(f, S2, 2100);
             f.resize(f.size() - 51);
         }},
        {"cut where the last block starts", R::sample_past_end, [](Bytes& f) {
             insert(f, f.size(), 2097, 1);
             put32(f, S2, 2100);
             f.resize(f.size() - 52);
         }},
        // Instrument 2 gets a second sample after the first: of no frame (never read), or of 2.
        {"cut in the first of two samples, the second empty", R::none, [](Bytes& f) {
             insert(f, S2 + 40, 40, 0);
             put16(f, I2 + 27, 2);
             f.pop_back();
         }},
        {"cut in the first of two samples, the second of 2 frames", R::sample_past_end, [](Bytes& f) {
             insert(f, S2 + 40, 40, 0);
             put16(f, I2 + 27, 2);
             put32(f, S2 + 40, 2);
             f.pop_back();
         }},

        // The older layouts.
        {"version 1.03 layout", R::none, [](Bytes& f) { f = old_layout(f, 0x0103); }},
        {"version 1.02 layout", R::none, [](Bytes& f) { f = old_layout(f, 0x0102); }},
        {"version 1.03 layout, one byte short", R::none, [](Bytes& f) { f = old_layout(f, 0x0103); f.pop_back(); }},
        {"version 1.03 layout, sustain outside", R::envelope_sustain,
         [](Bytes& f) { f[I1 + 227] = 3; f = old_layout(f, 0x0103); }},
        {"version 1.03 layout, cut in the patterns", R::pattern_past_end,
         [](Bytes& f) { f = old_layout(f, 0x0103); f.resize(f.size() - 20); }},
        {"version 1.04 layout called 1.03", R::sample_count, [](Bytes& f) { put16(f, 58, 0x0103); }},
    };
}

}  // namespace xmc
