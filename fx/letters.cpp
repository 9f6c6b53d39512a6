// fx/letters.cpp: the four bouncing letters of part 2, each coordinate the sum of two sines,
// drawn half-transparent with the letters trailing one another along the same paths.
#include "fx/effects.h"
#include "fx/sine.h"
#include "fx/objects.h"

// x1, x2, y1, y2; start-up replaces the amplitudes from the size of the first letter.
std::array<LetterWave, 4> letter_waves = {{
    {-5, 160, 64},
    {-10, 160, 64},
    {-4, 160, 64},
    {-9, 160, 64},
}};
std::array<int32_t, 4> letter_phases = {};

namespace {

// Displacement of letter i on wave j: (amplitude x sine) >> 15 with a 32-bit product.
int32_t wave_term(size_t j, int32_t i) {
    const LetterWave& wave = letter_waves[j];
    const int32_t index = wrap_index(wave.letter_step * i + letter_phases[j], SINE_LEN);
    const auto product =
        static_cast<int32_t>(int64_t{sine_table[static_cast<size_t>(index)]} * wave.amplitude);
    return product >> 15;
}

}  // namespace

void fx_letters() {
    if (show_letters == 0 || !canvas) return;
    for (const IMG* letter : letters)
        if (!letter) return;

    // Letter 3 comes last and lies on top where letters overlap.
    for (int32_t i = 0; i < 4; ++i) {
        const IMG* letter = letters[static_cast<size_t>(i)];
        const int32_t x = wave_term(0, i) + wave_term(1, i) + (screen_w - letter->width) / 2;
        const int32_t y = wave_term(2, i) + wave_term(3, i) + (screen_h - letter->height) / 2;
        IMG_blit_half(letter, canvas, x, y);
    }
}

// Runs whether or not the letters are shown, so hidden letters keep moving.
void fx_letters_step() {
    for (size_t j = 0; j < letter_phases.size(); ++j)
        letter_phases[j] = wrap_index(letter_phases[j] + letter_waves[j].frame_step, SINE_LEN);
}
