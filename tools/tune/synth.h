// tools/tune/synth.h: the tune's instrument sounds, synthesised deterministically.
#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

enum class Wave { sine, saw, square, triangle };
enum class Drum { kick, snare, hat, openhat, crash, boom };  // boom: a kick under a crash

// Rate at which drums are synthesised: four times the base rate, so a drum triggered at
// C-4 with relative note +24 plays at its design rate.
inline constexpr double DRUM_RATE = 4.0 * 8363.0;
inline constexpr int8_t DRUM_RELATIVE_NOTE = 24;

// One cycle of `length` samples built from `harmonics` partials, tapered (Lanczos sigma) so the
// loop has no ringing edge; starts at a zero crossing and peaks at `peak` (0..1) of full scale.
// With `sweep` > 1 the result holds that many cycles whose tone moves and comes back, so a held
// note changes colour as the loop plays: a square's pulse narrows to a thin, nasal pulse, the
// other waves open from dull (a few partials) to their full brightness. The loop stays seamless.
[[nodiscard]] std::vector<int16_t> synth_cycle(Wave wave, int harmonics, int length, double peak, int sweep = 1);

// A one-shot drum at DRUM_RATE, peaking at `peak` of full scale (of 127 when `eight_bit`),
// ending in a short fade to 0.
[[nodiscard]] std::vector<int16_t> synth_drum(Drum drum, double peak, bool eight_bit);

// Relative note and finetune that make a `length`-sample cycle sound at the named pitch.
struct Tuning {
    int8_t relative_note;
    int8_t finetune;
};
[[nodiscard]] Tuning tuning_for_cycle(int length);

// Parses "sine", "saw", ...; false for an unknown name.
bool wave_from_name(std::string_view name, Wave& wave);
bool drum_from_name(std::string_view name, Drum& drum);
