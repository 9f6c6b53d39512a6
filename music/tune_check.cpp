// music/tune_check.cpp: the XM checks, made in the order libmikmod's loader reads the file, and
// the reading of the tune file itself.
#include "music/tune_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>

namespace {

constexpr char     xm_id[] = "Extended Module: ";
constexpr size_t   xm_id_length = sizeof xm_id - 1;
constexpr size_t   xm_marker_at = 37;
constexpr size_t   xm_fields_end = 80;        // the fixed fields; the order table follows
constexpr size_t   xm_header_size_at = 60;    // the header size counts from here
constexpr uint32_t instrument_short_header = 29;  // size, name, type, sample count
// With samples, libmikmod reads 241 header bytes whatever the size says (up to the fadeout).
constexpr uint32_t instrument_full_header = 241;
constexpr uint32_t sample_header_bytes = 40;      // libmikmod ignores the stored size
constexpr uint32_t max_samples = 96;              // libmikmod skips the samples of more
constexpr uint32_t max_envelope_points = 12;
constexpr size_t   xm_notes = 96;                 // note bytes 1..96; 97 and up are key off
constexpr uint8_t  effect_envelope_position = 21; // 'L'
constexpr uint8_t  effect_arpeggio = 0x0;
constexpr uint8_t  effect_position_jump = 0xB;
constexpr uint8_t  effect_pattern_break = 0xD;
constexpr uint8_t  effect_sample_offset = 0x9;    // 9xx starts the sample at frame 256 x xx
constexpr uint32_t sample_offset_unit = 256;
// libmikmod's mixer steps through a sample in fixed point with 11 fraction bits. The step is
// computed from the voice's frequency shifted left by those bits in 32 bits, divided by the
// mixing rate (44100 Hz, libmikmod's default, which the programs keep): whatever the pitch, a
// step is at most (2^32 - 2048) / 44100 = 97391 units, 47.55 frames.
constexpr int64_t  mix_fraction_bits = 11;
constexpr int64_t  mix_unit = int64_t{1} << mix_fraction_bits;
constexpr int64_t  mix_max_step = ((int64_t{1} << 32) - mix_unit) / 44100;
constexpr int64_t  sample_slack_frames = 20;      // libmikmod allocates this much after a sample
// With the Amiga frequency table libmikmod interpolates its 104-entry log-period table between
// entry 8 x semitone + (finetune + 128) / 16 and the next: for a B (semitone 11) with a finetune
// of +112 or more that next entry is the 105th, past the table.
constexpr int32_t  amiga_table_finetune_limit = 112;
constexpr int32_t  note_b = 11;                   // within an octave of 12 from C
// libmikmod indexes its 32-slot envelope arrays with effect L's parameter (bounded only by the
// tick of the envelope's last point, which is read at index -1 when there are no points).
constexpr uint8_t  player_envelope_slots = 32;
// libmikmod reads sample data in blocks of this many frames, and gives up on a sample when a
// block starts at the end of the file; a block cut short is read to the end (the rest is zeros).
constexpr uint64_t sample_block_frames = 2048;
constexpr uint8_t  sample_16_bit = 0x10;  // in the sample type byte

// Little-endian fields at offsets the caller has checked against the size.
class Fields {
public:
    explicit Fields(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t size() const { return bytes_.size(); }
    bool has(uint64_t at, uint64_t count) const { return at <= size() && count <= size() - at; }
    uint8_t u8(size_t at) const { return bytes_[at]; }
    uint16_t u16(size_t at) const { return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8); }
    uint32_t u32(size_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }
    bool matches(size_t at, const char* text, size_t count) const {
        return has(at, count) && std::memcmp(bytes_.data() + at, text, count) == 0;
    }

private:
    std::span<const uint8_t> bytes_;
};

// Offsets within an instrument header of one envelope's fields.
struct EnvelopeFields {
    size_t points, sustain, loop_start, loop_end, flags;
};
constexpr EnvelopeFields volume_envelope{225, 227, 228, 229, 233};
constexpr EnvelopeFields panning_envelope{226, 230, 231, 232, 234};
constexpr uint8_t envelope_on = 1, envelope_sustain = 2, envelope_loop = 4;

class XmChecker {
public:
    explicit XmChecker(std::span<const uint8_t> bytes) : f_(bytes) {}

    TuneCheck run() {
        if (!header()) return result_;
        size_t at = xm_header_size_at + header_size_;
        // Version 1.04 stores the patterns first and each instrument's sample data after its
        // headers; the older versions store the instruments first and all sample data last.
        if (version_ >= 0x0104) {
            if (!patterns(&at) || !instruments(&at)) return result_;
        } else {
            if (!instruments(&at) || !patterns(&at) || !sample_data(&at, true))
                return result_;
        }
        // Both rules below only matter once the player can have an envelope running.
        if (envelope_in_use_ && !position_effect_.ok()) return position_effect_;
        if (envelope_in_use_ && !notes_mapped()) return result_;
        if (!loops_fit_the_step() || !amiga_table_notes_fit()) return result_;
        return result_;
    }

private:
    // The rule, at the place being checked.
    TuneCheck here(TuneRule rule, size_t offset) const {
        TuneCheck check;
        check.rule = rule;
        check.offset = offset;
        check.pattern = pattern_;
        check.instrument = instrument_;
        check.sample = sample_;
        check.panning = panning_;
        return check;
    }
    bool fail(TuneRule rule, size_t offset) {
        result_ = here(rule, offset);
        return false;
    }

    bool header() {
        if (!f_.matches(0, xm_id, xm_id_length)) return fail(TuneRule::id_text, 0);
        if (!f_.has(xm_marker_at, 1)) return fail(TuneRule::id_text, f_.size());
        if (f_.u8(xm_marker_at) != 0x1A) return fail(TuneRule::marker, xm_marker_at);
        if (!f_.has(0, xm_fields_end)) return fail(TuneRule::header_past_end, f_.size());
        version_ = f_.u16(58);
        header_size_ = f_.u32(60);
        song_length_ = f_.u16(64);
        const uint16_t song_length = song_length_, restart = f_.u16(66);
        channels_ = f_.u16(68);
        pattern_count_ = f_.u16(70);
        instrument_count_ = f_.u16(72);
        flags_ = f_.u16(74);
        const uint16_t speed = f_.u16(76), bpm = f_.u16(78);
        // libmikmod's own limits, and no channel or no instrument: nothing to play.
        if (version_ < 0x0102 || version_ > 0x0104) return fail(TuneRule::version, 58);
        if (channels_ < 1 || channels_ > 64) return fail(TuneRule::channels, 68);
        if (speed > 32) return fail(TuneRule::speed, 76);
        if (bpm < 32 || bpm > 255) return fail(TuneRule::bpm, 78);
        if (song_length > 256) return fail(TuneRule::song_length, 64);
        if (header_size_ < 20 || header_size_ > 20 + 256) return fail(TuneRule::header_size, 60);
        if (pattern_count_ > 256) return fail(TuneRule::pattern_count, 70);
        if (instrument_count_ < 1 || instrument_count_ > 255) return fail(TuneRule::instrument_count, 72);
        if (restart > 255) return fail(TuneRule::restart, 66);
        // The loader reads `song_length` order entries from offset 80 whatever the header size
        // says, and wants more file after the header. An entry past the patterns is taken: the
        // player plays an empty 64-row pattern there, as FastTracker 2 does.
        if (!f_.has(0, xm_fields_end + song_length) || f_.size() <= xm_header_size_at + header_size_)
            return fail(TuneRule::header_past_end, f_.size());
        return true;
    }

    // When a cell's instrument has no sample for the channel's note, libmikmod's player takes
    // the instrument but skips taking its envelope flags, so the envelope of the instrument
    // played before runs on the new one's points; with none, it reads 255 points past them. A
    // channel can play any named instrument with any played note (and note 1 before the first),
    // so each named instrument must have a sample for every played note.
    bool notes_mapped() {
        for (size_t k = 1; k < named_.size(); ++k) {
            if (named_[k] == 0 || k > keymaps_.size()) continue;
            const Keymap& map = keymaps_[k - 1];
            for (size_t note = 0; note < played_.size(); ++note)
                if ((played_[note] || note == 0) && (map.samples == 0 || map.sample_of[note] >= map.samples)) {
                    pattern_ = named_pattern_[k];
                    instrument_ = static_cast<int32_t>(k);
                    return fail(TuneRule::unmapped_note, named_[k]);
                }
        }
        return true;
    }

    // The reads of libmikmod's mixer in a looped sample, in its fixed point (mix_unit a frame,
    // loop start P = start x mix_unit, loop end E = end x mix_unit - 1). Within a loop it reads
    // from where it is up to the end it is heading for. When a step passes that end it wraps
    // (forward loop: back by the loop's length) or bounces (ping-pong: mirrored about the end)
    // and, without looking again, reads once more at the new place whenever that lies less
    // than one step beyond the end it now heads for; further out the voice stops. So a read
    // outside the loop is always less than one step (mix_max_step) past E or before P, and such
    // reads happen when:
    //   - the loop is no longer than a step (47 frames): a wrap or bounce lands outside it, and
    //     the overshoot can grow by step minus loop length on each turn up to that bound;
    //   - a ping-pong loop is started past its end by a sample offset (9xx) and the bounce
    //     lands before its start, within one step: the offset that does so is known exactly.
    // Those reads stay inside the sample's memory (its frames and the 20 after them) unless
    // the loop ends within 27 frames of the sample's end (E + step reads frame end + 47), or,
    // for ping-pong loops, starts before frame 48 (P - step reads a negative frame). Sample
    // offsets past a forward loop's end only land where the sample's own frames are.
    bool loops_fit_the_step() {
        for (const Loop& loop : loops_) {
            const uint64_t width = loop.sixteen_bit ? 2 : 1;
            // As libmikmod takes the loop: end = start + length in 32 bits, clamped to the sample.
            const int64_t frames = static_cast<int64_t>(loop.bytes / width);
            const int64_t start = static_cast<int64_t>(loop.start / width);
            const int64_t end = std::min<int64_t>(static_cast<uint32_t>(loop.start + loop.length) / width, frames);
            if (!loop.on || start >= end) continue;
            const int64_t P = start * mix_unit, E = end * mix_unit - 1;
            bool outside = E - P < mix_max_step;
            if (loop.ping_pong)
                for (uint32_t offset = 1; offset < offsets_.size() && !outside; ++offset) {
                    const int64_t first = int64_t{offset} * sample_offset_unit;
                    // An offset past the sample's length starts at the loop start instead.
                    if (!offsets_[offset] || first > frames) continue;
                    const int64_t bounced = 2 * E - first * mix_unit;
                    outside = bounced < P && P - bounced < mix_max_step;
                }
            if (!outside) continue;
            const bool past_end = (E + mix_max_step - 1) >> mix_fraction_bits >= frames + sample_slack_frames;
            const bool before_start = loop.ping_pong && P - mix_max_step + 1 < 0;
            if (past_end || before_start) {
                instrument_ = loop.instrument;
                sample_ = loop.index;
                return fail(TuneRule::loop_overrun, loop.header);
            }
        }
        return true;
    }

    // With the Amiga table, the notes each named instrument can play (every played note, and
    // note 1 before the first), through its note-to-sample map (an index past the instrument's
    // own samples names a later instrument's, as libmikmod counts them) and relative note,
    // raised by each arpeggio step the song uses: none may be a B on a sample whose finetune
    // is +112 or more. Effect E5x sets finetunes of 0 to +15, so only the samples' count.
    bool amiga_table_notes_fit() {
        if (flags_ & 1) return true;
        // A note in a cell without an instrument, on a channel that has named none yet, takes
        // the module's first sample, with the note as it stands (no relative note).
        if (!loops_.empty() && loops_[0].finetune >= amiga_table_finetune_limit)
            for (size_t note = 0; note < bare_.size(); ++note)
                if (bare_[note] && plays_a_b(static_cast<int32_t>(note))) {
                    instrument_ = loops_[0].instrument;
                    sample_ = loops_[0].index;
                    return fail(TuneRule::amiga_finetune, loops_[0].header);
                }
        for (size_t k = 1; k < named_.size(); ++k) {
            if (named_[k] == 0 || k > keymaps_.size()) continue;
            const Keymap& map = keymaps_[k - 1];
            if (map.samples == 0) continue;
            for (size_t note = 0; note < played_.size(); ++note) {
                if (!played_[note] && note != 0) continue;
                const size_t g = map.first_sample + map.sample_of[note];
                if (g >= loops_.size() || loops_[g].finetune < amiga_table_finetune_limit) continue;
                if (plays_a_b(std::max<int32_t>(0, static_cast<int32_t>(note) + loops_[g].relative_note))) {
                    pattern_ = named_pattern_[k];
                    instrument_ = static_cast<int32_t>(k);
                    return fail(TuneRule::amiga_finetune, named_[k]);
                }
            }
        }
        return true;
    }

    // Whether the note, or the note raised by an arpeggio step the song uses, is a B.
    bool plays_a_b(int32_t note) const {
        for (uint32_t step = 0; step < arpeggio_.size(); ++step)
            if (arpeggio_[step] && (note + static_cast<int32_t>(step)) % 12 == note_b) return true;
        return false;
    }

    bool patterns(size_t* at) {
        const bool v102 = version_ == 0x0102;
        const uint32_t header_min = v102 ? 8 : 9;
        for (pattern_ = 0; pattern_ < pattern_count_; ++pattern_) {
            const size_t start = *at;
            if (!f_.has(start, header_min)) return fail(TuneRule::pattern_past_end, start);
            const uint32_t header_length = f_.u32(start);
            if (header_length < header_min) return fail(TuneRule::pattern_header_length, start);
            if (f_.u8(start + 4) != 0) return fail(TuneRule::pattern_packing, start + 4);
            const uint32_t rows = v102 ? f_.u8(start + 5) + 1u : f_.u16(start + 5);
            const size_t size_at = start + (v102 ? 6 : 7);
            const uint32_t packed_size = f_.u16(size_at);
            // No rows: libmikmod never leaves the pattern. More than 256: its track memory grows
            // with rows x channels x patterns from a few bytes of file.
            if (rows < 1 || rows > 256) return fail(TuneRule::pattern_rows, start + 5);
            if (packed_size > 0x7FFF) return fail(TuneRule::pattern_data_size, size_at);
            const uint64_t data = uint64_t{start} + header_length;
            if (!f_.has(data, packed_size)) return fail(TuneRule::pattern_past_end, start);
            if (!cells(static_cast<size_t>(data), packed_size, rows)) return false;
            *at = static_cast<size_t>(data) + packed_size;
        }
        pattern_ = -1;
        return true;
    }

    // Walks the cells as libmikmod reads them: until all are read or the packed size is used up.
    bool cells(size_t data, uint32_t packed_size, uint32_t rows) {
        size_t at = data;
        const size_t end = data + packed_size;
        // The row of the last position jump (Bxx) past the song's end, for the rule below.
        uint64_t jump_row = UINT64_MAX;
        for (uint64_t cell = 0; cell < uint64_t{rows} * channels_ && at < end; ++cell) {
            const uint8_t first = f_.u8(at);
            const bool packed = (first & 0x80) != 0;
            const size_t length = packed ? 1u + static_cast<size_t>(std::popcount(first & 0x1Fu)) : 5u;
            if (length > end - at) return fail(TuneRule::pattern_cells, at);
            uint8_t fields[5] = {};
            if (packed) {
                size_t field = at + 1;
                for (unsigned bit = 0; bit < 5; ++bit)
                    if (first & (1u << bit)) fields[bit] = f_.u8(field++);
            } else {
                for (unsigned bit = 0; bit < 5; ++bit) fields[bit] = f_.u8(at + bit);
            }
            const uint8_t note = fields[0], instrument = fields[1], effect = fields[3], param = fields[4];
            if (note >= 1 && note <= xm_notes) {
                played_[note - 1] = true;
                // The player takes no instrument from 0, nor from one past the count.
                if (instrument == 0 || instrument > instrument_count_) bare_[note - 1] = true;
            }
            // The player runs a row's effects channel by channel. Bxx sets the song position at
            // once, and a Dxx on a later channel of the same row then reads the order table at
            // that position: past its song length + 1 entries when xx is above the song length.
            const uint64_t row = cell / channels_;
            if (effect == effect_position_jump && param > song_length_) jump_row = row;
            if (effect == effect_pattern_break && jump_row == row) return fail(TuneRule::jump_past_the_end, at);
            // 9xx with xx > 0 sets where notes start (900 takes the channel's last one again).
            if (effect == effect_sample_offset && param != 0) offsets_[param] = true;
            // 0xy plays the note, the note + x and the note + y in turn.
            if (effect == effect_arpeggio && param != 0) {
                arpeggio_[param >> 4] = true;
                arpeggio_[param & 0xF] = true;
            }
            if (instrument != 0 && named_[instrument] == 0) {
                named_[instrument] = at;
                named_pattern_[instrument] = pattern_;
            }
            // Refused only if an instrument switches an envelope on (checked at the end): the
            // player reads envelope arrays only after it has started one.
            if (effect == effect_envelope_position && param >= player_envelope_slots &&
                position_effect_.ok())
                position_effect_ = here(TuneRule::envelope_position_effect, at);
            at += length;
        }
        return true;
    }

    bool instruments(size_t* at) {
        for (int32_t i = 0; i < instrument_count_; ++i) {
            instrument_ = i + 1;
            const size_t start = *at;
            if (!f_.has(start, instrument_short_header)) return fail(TuneRule::instrument_past_end, start);
            const uint32_t size = f_.u32(start);
            const uint32_t samples = f_.u16(start + 27);
            if (samples > max_samples) return fail(TuneRule::sample_count, start + 27);
            // libmikmod reads 29 bytes, or 33 and skips to the header's end, or 241 and skips:
            // a size that ends the header before what it reads makes it lose its place.
            if (size < instrument_short_header || size > 0x7FFF ||
                (samples == 0 && size > instrument_short_header && size < instrument_short_header + 4) ||
                (samples > 0 && size < instrument_full_header))
                return fail(TuneRule::instrument_header_size, start);
            if (!f_.has(start, size)) return fail(TuneRule::instrument_past_end, start);
            *at = start + size;
            Keymap& map = keymaps_.emplace_back();
            map.samples = samples;
            map.first_sample = loops_.size();
            if (samples == 0) continue;
            for (size_t note = 0; note < xm_notes; ++note) map.sample_of[note] = f_.u8(start + 33 + note);
            if (!envelope(start, volume_envelope, false) || !envelope(start, panning_envelope, true))
                return false;
            panning_ = false;

            if (version_ >= 0x0104) data_.clear();
            for (sample_ = 0; sample_ < static_cast<int32_t>(samples); ++sample_) {
                if (!f_.has(*at, sample_header_bytes)) return fail(TuneRule::sample_header_past_end, *at);
                const uint8_t type = f_.u8(*at + 14);
                data_.push_back({f_.u32(*at), (type & sample_16_bit) != 0, instrument_, sample_});
                loops_.push_back({*at, f_.u32(*at), f_.u32(*at + 4), f_.u32(*at + 8), (type & 3) != 0,
                                  (type & 2) != 0, (type & sample_16_bit) != 0,
                                  static_cast<int8_t>(f_.u8(*at + 13)), static_cast<int8_t>(f_.u8(*at + 16)),
                                  instrument_, sample_});
                *at += sample_header_bytes;
            }
            sample_ = -1;
            if (version_ >= 0x0104 && !sample_data(at, i + 1 == instrument_count_)) return false;
        }
        instrument_ = -1;
        return true;
    }

    // The data of the samples in data_, from *at on. Only the data that ends the file may be cut
    // short, and only inside the last block libmikmod reads of a sample that is the last one with
    // frames: it loads such a file, and allocates at most that block more than the file holds.
    bool sample_data(size_t* at, bool ends_the_file) {
        uint64_t start = *at;
        for (size_t k = 0; k < data_.size(); ++k) {
            const Sample& s = data_[k];
            if (f_.has(start, s.bytes)) {
                start += s.bytes;
                continue;
            }
            // A byte of the sample's last block must be there, and the samples after it (which
            // start at the end of the file) must be too short to be read at all.
            const uint64_t needed = start + (frames(s) == 0 ? 0 : (frames(s) - 1) / sample_block_frames *
                                                                     sample_block_frames * width(s) + 1);
            const bool rest_unread = std::all_of(data_.begin() + static_cast<long>(k) + 1, data_.end(),
                                                 [](const Sample& later) { return frames(later) == 0; });
            if (ends_the_file && f_.size() >= needed && rest_unread) {
                *at = f_.size();
                return true;
            }
            instrument_ = s.instrument;
            sample_ = s.index;
            return fail(TuneRule::sample_past_end, static_cast<size_t>(std::min<uint64_t>(start, f_.size())));
        }
        *at = static_cast<size_t>(start);
        return true;
    }

    // libmikmod uses an envelope only when it is on with 2 points or more; then every point
    // index it follows must name one of the points.
    bool envelope(size_t start, const EnvelopeFields& e, bool panning) {
        panning_ = panning;
        const uint8_t flags = f_.u8(start + e.flags), points = f_.u8(start + e.points);
        if (!(flags & envelope_on)) return true;
        if (points > max_envelope_points) return fail(TuneRule::envelope_points, start + e.points);
        if (points < 2) return true;
        envelope_in_use_ = true;
        const uint8_t sustain = f_.u8(start + e.sustain);
        const uint8_t loop_start = f_.u8(start + e.loop_start), loop_end = f_.u8(start + e.loop_end);
        if ((flags & envelope_sustain) && sustain >= points) return fail(TuneRule::envelope_sustain, start + e.sustain);
        if (flags & envelope_loop) {
            if (loop_start >= points) return fail(TuneRule::envelope_loop_start, start + e.loop_start);
            if (loop_end >= points || loop_end < loop_start) return fail(TuneRule::envelope_loop_end, start + e.loop_end);
        }
        return true;
    }

    Fields f_;
    TuneCheck result_;
    TuneCheck position_effect_;     // the first effect L past the envelope slots, if any
    bool envelope_in_use_ = false;  // some instrument switches an envelope on
    uint16_t version_ = 0, song_length_ = 0, channels_ = 0, pattern_count_ = 0, instrument_count_ = 0, flags_ = 0;
    uint32_t header_size_ = 0;
    // Each instrument's sample count and note-to-sample map, and which notes and instruments the
    // cells name (the offset of the first cell naming each; 0 for none).
    struct Keymap {
        uint32_t samples = 0;
        size_t   first_sample = 0;  // the instrument's first sample among all of the module's
        std::array<uint8_t, xm_notes> sample_of{};
    };
    std::vector<Keymap> keymaps_;
    // Every sample's loop (as stored, in bytes) and tuning, in file order, and the sample
    // offsets and arpeggio steps the cells use.
    struct Loop {
        size_t   header;
        uint32_t bytes, start, length;
        bool     on, ping_pong, sixteen_bit;
        int32_t  finetune, relative_note;
        int32_t  instrument, index;
    };
    std::vector<Loop> loops_;
    std::array<bool, 256> offsets_{};
    std::array<bool, 16> arpeggio_{true};  // step 0: the note itself
    std::array<bool, xm_notes> played_{};
    std::array<bool, xm_notes> bare_{};  // played in a cell without an instrument
    std::array<size_t, 256> named_{};
    std::array<int32_t, 256> named_pattern_{};
    struct Sample {
        uint32_t bytes;
        bool     sixteen_bit;
        int32_t  instrument, index;
    };
    static uint64_t width(const Sample& s) { return s.sixteen_bit ? 2 : 1; }
    static uint64_t frames(const Sample& s) { return s.bytes / width(s); }
    // Samples whose data comes next: the current instrument's in version 1.04, all of them in the
    // older versions, where all sample data follows the patterns.
    std::vector<Sample> data_;
    int32_t pattern_ = -1, instrument_ = -1, sample_ = -1;
    bool panning_ = false;
};

TuneCheck refused(TuneRule rule) {
    TuneCheck check;
    check.rule = rule;
    return check;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

TuneCheck tune_check(std::span<const uint8_t> bytes) { return XmChecker(bytes).run(); }

TuneCheck tune_read(const char* path, std::vector<uint8_t>* bytes) {
    if (bytes == nullptr) return refused(TuneRule::not_a_file);
    bytes->clear();
    if (path == nullptr) return refused(TuneRule::not_a_file);
    // Non-blocking, so that opening a FIFO without a writer returns at once; it is refused next.
    const Descriptor fd(open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return refused(TuneRule::not_a_file);
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > tune_max_bytes) return refused(TuneRule::too_large);
    // The file may change while it is read: read to its end, but never more than the limit.
    bytes->resize(static_cast<size_t>(st.st_size) + 1);
    size_t filled = 0;
    for (;;) {
        if (filled == bytes->size()) {
            if (filled > tune_max_bytes) {
                bytes->clear();
                return refused(TuneRule::too_large);
            }
            bytes->resize(std::min(filled * 2, tune_max_bytes + 1));
        }
        const ssize_t got = read(fd.get(), bytes->data() + filled, bytes->size() - filled);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            bytes->clear();
            return refused(TuneRule::not_a_file);
        }
        filled += static_cast<size_t>(got);
    }
    bytes->resize(filled);
    return TuneCheck{};
}

TuneCheck tune_load(const char* path, std::vector<uint8_t>* bytes) {
    const TuneCheck read = tune_read(path, bytes);
    return read.ok() ? tune_check(*bytes) : read;
}

TuneArea tune_rule_area(TuneRule rule) {
    switch (rule) {
    case TuneRule::none: return TuneArea::none;
    case TuneRule::not_a_file:
    case TuneRule::too_large: return TuneArea::file;
    case TuneRule::id_text:
    case TuneRule::marker:
    case TuneRule::version:
    case TuneRule::header_size:
    case TuneRule::song_length:
    case TuneRule::restart:
    case TuneRule::channels:
    case TuneRule::pattern_count:
    case TuneRule::instrument_count:
    case TuneRule::speed:
    case TuneRule::bpm: return TuneArea::format;
    case TuneRule::header_past_end: return TuneArea::header;
    case TuneRule::pattern_past_end:
    case TuneRule::pattern_header_length:
    case TuneRule::pattern_packing:
    case TuneRule::pattern_rows:
    case TuneRule::pattern_data_size:
    case TuneRule::pattern_cells:
    case TuneRule::envelope_position_effect:
    case TuneRule::jump_past_the_end:
    case TuneRule::unmapped_note: return TuneArea::patterns;
    case TuneRule::instrument_past_end:
    case TuneRule::instrument_header_size:
    case TuneRule::sample_count:
    case TuneRule::sample_header_past_end:
    case TuneRule::envelope_points:
    case TuneRule::envelope_sustain:
    case TuneRule::envelope_loop_start:
    case TuneRule::envelope_loop_end:
    case TuneRule::sample_past_end:
    case TuneRule::loop_overrun:
    case TuneRule::amiga_finetune: return TuneArea::instruments;
    }
    return TuneArea::none;
}

const char* tune_rule_text(TuneRule rule) {
    switch (rule) {
    case TuneRule::none: return "no fault";
    case TuneRule::not_a_file: return "not a regular file that can be read";
    case TuneRule::too_large: return "file larger than 64 MiB";
    case TuneRule::id_text: return "no XM ID text";
    case TuneRule::marker: return "no 0x1A marker after the module name";
    case TuneRule::version: return "format version other than 1.02 to 1.04";
    case TuneRule::header_size: return "header size outside 20 to 276";
    case TuneRule::song_length: return "song longer than 256 positions";
    case TuneRule::restart: return "restart position above 255";
    case TuneRule::channels: return "channel count outside 1 to 64";
    case TuneRule::pattern_count: return "more than 256 patterns";
    case TuneRule::instrument_count: return "instrument count outside 1 to 255";
    case TuneRule::speed: return "speed above 32 ticks a row";
    case TuneRule::bpm: return "BPM outside 32 to 255";
    case TuneRule::header_past_end: return "header cut short by the end of the file";
    case TuneRule::pattern_past_end: return "pattern runs past the end of the file";
    case TuneRule::pattern_header_length: return "pattern header shorter than its fields";
    case TuneRule::pattern_packing: return "unknown pattern packing type";
    case TuneRule::pattern_rows: return "row count outside 1 to 256";
    case TuneRule::pattern_data_size: return "packed data larger than 32767 bytes";
    case TuneRule::pattern_cells: return "packed cells run past the pattern's data size";
    case TuneRule::envelope_position_effect: return "effect L sets an envelope position of 32 or more";
    case TuneRule::jump_past_the_end: return "position jump past the song's end before a pattern break in its row";
    case TuneRule::unmapped_note: return "instrument without a sample for a note the song plays";
    case TuneRule::instrument_past_end: return "instrument header runs past the end of the file";
    case TuneRule::instrument_header_size: return "instrument header size the loader misreads";
    case TuneRule::sample_count: return "more than 96 samples";
    case TuneRule::sample_header_past_end: return "sample header runs past the end of the file";
    case TuneRule::envelope_points: return "envelope with more than 12 points";
    case TuneRule::envelope_sustain: return "envelope sustain point outside its points";
    case TuneRule::envelope_loop_start: return "envelope loop start outside its points";
    case TuneRule::envelope_loop_end: return "envelope loop end outside its points or before its start";
    case TuneRule::sample_past_end: return "sample data runs past the end of the file";
    case TuneRule::loop_overrun: return "loop the player's longest step can leave the sample from";
    case TuneRule::amiga_finetune: return "B note on a finetune of +112 or more with the Amiga table";
    }
    return "unknown fault";
}

std::string tune_check_text(const TuneCheck& check) {
    std::string place;
    if (check.pattern >= 0) place = "pattern " + std::to_string(check.pattern);
    if (check.instrument >= 0)
        place += (place.empty() ? "" : ", ") + std::string("instrument ") + std::to_string(check.instrument);
    if (check.sample >= 0) place += ", sample " + std::to_string(check.sample);
    std::string text = tune_rule_text(check.rule);
    switch (check.rule) {
    case TuneRule::envelope_points:
    case TuneRule::envelope_sustain:
    case TuneRule::envelope_loop_start:
    case TuneRule::envelope_loop_end: text = (check.panning ? "panning " : "volume ") + text; break;
    default: break;
    }
    return place.empty() ? text : place + ": " + text;
}
