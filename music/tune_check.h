// music/tune_check.h: reads the tune file and checks it as an XM module before the player
// library sees it, refusing what would make libmikmod (3.3.11) read outside memory or lose its
// place in the file, and nothing else: values its loader or player clamps or ignores pass.
// Pure C++: no player library is involved, so the tests, the fuzzer and any front end can use it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr size_t tune_max_bytes = size_t{64} << 20;  // larger files are refused unread

// The rule a tune broke; none when it passed. The comments give the refused values.
enum class TuneRule : uint8_t {
    none,
    // The file
    not_a_file,               // missing, unreadable, or not a regular file (FIFO, device, folder)
    too_large,                // more than tune_max_bytes
    // The file header: what libmikmod's loader takes as an XM at all
    id_text,                  // not "Extended Module: ", or the file is shorter than it
    marker,                   // byte 37 is not 0x1A
    version,                  // outside 0x0102..0x0104
    header_size,              // outside 20..276
    song_length,              // more than 256 order entries
    restart,                  // restart position above 255
    channels,                 // 0 or more than 64
    pattern_count,            // more than 256
    instrument_count,         // 0 or more than 255
    speed,                    // more than 32 ticks a row
    bpm,                      // outside 32..255
    header_past_end,          // the header or its order entries run past the end of the file
    // Patterns
    pattern_past_end,         // a pattern header or its packed data runs past the end
    pattern_header_length,    // below 9 bytes (8 in version 0x0102)
    pattern_packing,          // packing type other than 0
    pattern_rows,             // 0 or more than 256 rows
    pattern_data_size,        // packed size above 32767 (a signed 16-bit field in libmikmod)
    pattern_cells,            // a packed cell runs past the pattern's packed size
    envelope_position_effect, // effect L with a parameter of 32 or more
    jump_past_the_end,        // Bxx with xx above the song length, then Dxx later in that row
    unmapped_note,            // a cell names an instrument that has no sample for a played note
    // Instruments
    instrument_past_end,      // an instrument header runs past the end
    instrument_header_size,   // below 29, above 32767, 30..32 without samples, below 241 with
    sample_count,             // more than 96 samples in one instrument
    sample_header_past_end,   // a sample header runs past the end
    envelope_points,          // an envelope that is on has more than 12 points
    envelope_sustain,         // an envelope's sustain point is not one of its points
    envelope_loop_start,      // an envelope's loop start is not one of its points
    envelope_loop_end,        // an envelope's loop end is not one of its points, or before its start
    sample_past_end,          // sample data runs past the end (see tune_check for a cut file)
    loop_overrun,             // a loop the mixer's longest step can leave the sample's memory from
    amiga_finetune,           // Amiga table: a B played on a sample with a finetune of +112 or more
};

// Which part of the module a rule is about, for the player library's matching error text.
enum class TuneArea : uint8_t { none, file, format, header, patterns, instruments };

struct TuneCheck {
    TuneRule rule = TuneRule::none;
    int32_t  pattern = -1;     // the pattern (from 0) the rule failed in; -1 when none
    int32_t  instrument = -1;  // the instrument (from 1, as a tracker counts them); -1 when none
    int32_t  sample = -1;      // the sample within that instrument (from 0); -1 when none
    size_t   offset = 0;       // file offset of the refused field
    bool     panning = false;  // for the envelope rules: the panning envelope, not the volume one
    [[nodiscard]] bool ok() const { return rule == TuneRule::none; }
};

// Checks the bytes of an XM module (versions 1.02 to 1.04). The file may end inside the last
// 2048 frames of its last sample, as a file cut short by a few bytes does: libmikmod loads such
// a file (the missing part reads as zeros), and the missing part can make it allocate little.
[[nodiscard]] TuneCheck tune_check(std::span<const uint8_t> bytes);

// Reads the file at `path` into *bytes without ever blocking: only a regular file of at most
// tune_max_bytes; anything else is refused at once with not_a_file or too_large.
[[nodiscard]] TuneCheck tune_read(const char* path, std::vector<uint8_t>* bytes);

// tune_read, then tune_check of what was read. *bytes holds the file whenever it could be read.
[[nodiscard]] TuneCheck tune_load(const char* path, std::vector<uint8_t>* bytes);

// Queries
TuneArea    tune_rule_area(TuneRule rule);
const char* tune_rule_text(TuneRule rule);           // "sustain point outside the envelope"
[[nodiscard]] std::string tune_check_text(const TuneCheck& check);  // names the place too
