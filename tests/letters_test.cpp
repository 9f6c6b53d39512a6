// Bouncing letters: positions on the sine paths, the phase advance, the show switch, the drawing
// order and missing letters or canvas.
#include <gtest/gtest.h>

#include <utility>

#include "support/demo_fixture.h"

namespace {

using kt::make_img;

constexpr std::array<uint32_t, 4> letter_colours = {0xFE0000, 0x00FE00, 0x0000FE, 0xFEFE00};

// Four solid 4 x 4 letters in their own colours on a black canvas, amplitudes 64 (the fixture's).
class Letters : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        canvas = make_img(screen_w, screen_h).release();
        for (size_t i = 0; i < 4; ++i) letters[i] = make_img(4, 4, letter_colours[i]).release();
    }
    // Top-left corner of the only 4 x 4 block of `colour`, or (-1, -1).
    static std::pair<int32_t, int32_t> corner_of(uint32_t colour) {
        for (int32_t y = 0; y < canvas->height; ++y)
            for (int32_t x = 0; x < canvas->width; ++x)
                if (canvas->pixels[y * canvas->width + x] == colour) return {x, y};
        return {-1, -1};
    }
    static bool canvas_is_black() {
        for (int32_t i = 0; i < canvas->width * canvas->height; ++i)
            if (canvas->pixels[i] != 0) return false;
        return true;
    }
};

// Letter i uses table entry 160 i on every wave: 0, 27245, 30195 and 6195, so with amplitude 64
// each wave moves it by 0, 53, 58 and 12 pixels from its centred place (158, 118).
TEST_F(Letters, FirstFramePositions) {
    fx_letters();
    const std::array<std::pair<int32_t, int32_t>, 4> want = {{{158, 118}, {264, 224}, {274, 234}, {182, 142}}};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(corner_of(letter_colours[i] >> 1 & 0x7F7F7F), want[i]) << "letter " << i;  // half over black
}

TEST_F(Letters, AmplitudesFromStartUpScaleTheSwing) {
    letter_waves[0].amplitude = letter_waves[1].amplitude = 96;
    letter_waves[2].amplitude = letter_waves[3].amplitude = 30;
    fx_letters();
    // Entry 160 (27245): (27245 x 96) >> 15 = 79 and (27245 x 30) >> 15 = 24 per wave.
    EXPECT_EQ(corner_of(letter_colours[1] >> 1 & 0x7F7F7F), (std::pair{158 + 2 * 79, 118 + 2 * 24}));
}

TEST_F(Letters, LetterOfAnotherSizeIsCentredOnItsOwnSize) {
    IMG_free(&letters[0]);
    letters[0] = make_img(10, 7, letter_colours[0]).release();
    fx_letters();
    EXPECT_EQ(corner_of(letter_colours[0] >> 1 & 0x7F7F7F), (std::pair{155, 116}));
}

TEST_F(Letters, StepMovesThePhasesBackwardsAndWraps) {
    fx_letters_step();
    EXPECT_EQ(letter_phases, (std::array<int32_t, 4>{1019, 1014, 1020, 1015}));
    letter_phases = {4, 9, 3, 0};
    fx_letters_step();
    EXPECT_EQ(letter_phases, (std::array<int32_t, 4>{1023, 1023, 1023, 1015}));
}

// Phases after one step: letter 0 uses entries 1019, 1014, 1020, 1015, whose sines are
// -804, -1809, -603, -1608, giving displacements -2, -4, -2, -4.
TEST_F(Letters, SecondFramePositionOfTheFirstLetter) {
    fx_letters_step();
    fx_letters();
    EXPECT_EQ(corner_of(letter_colours[0] >> 1 & 0x7F7F7F), (std::pair{158 - 2 - 4, 118 - 2 - 4}));
}

TEST_F(Letters, ShownWhileEitherBitIsSet) {
    for (auto [value, shown] : {std::pair{0, false}, {1, true}, {2, true}, {3, true}}) {
        IMG_clear(canvas);
        show_letters = static_cast<uint8_t>(value);
        fx_letters();
        EXPECT_EQ(canvas_is_black(), !shown) << "show_letters " << value;
    }
}

TEST_F(Letters, HiddenLettersStillMove) {
    show_letters = 0;
    fx_letters();
    fx_letters_step();
    EXPECT_TRUE(canvas_is_black());
    EXPECT_EQ(letter_phases, (std::array<int32_t, 4>{1019, 1014, 1020, 1015}));
}

// With no swing all four letters sit on one spot: each is mixed half and half over the one
// before, letter 3 last.
TEST_F(Letters, LaterLettersLieOnTop) {
    for (auto& wave : letter_waves) wave.amplitude = 0;
    fx_letters();
    uint32_t want = 0;
    for (uint32_t colour : letter_colours) want = ((colour >> 1) & 0x7F7F7F) + ((want >> 1) & 0x7F7F7F);
    EXPECT_EQ(canvas->pixels[118 * 320 + 158], want);
}

TEST_F(Letters, AnyMissingLetterOrCanvasDrawsNothingSilently) {
    IMG_free(&letters[2]);
    kt::StdoutCapture out;
    fx_letters();
    EXPECT_TRUE(canvas_is_black());
    letters[2] = make_img(4, 4, 1).release();
    IMG_free(&canvas);
    fx_letters();
    EXPECT_EQ(out.text(), "");
}

TEST_F(Letters, LettersSwingingOffTheCanvasAreClipped) {
    for (auto& wave : letter_waves) wave.amplitude = 200;
    letter_phases = {256, 256, 256, 256};  // +199 on each wave: far off the right and bottom edges
    kt::StdoutCapture out;
    fx_letters();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(corner_of(letter_colours[0] >> 1 & 0x7F7F7F), (std::pair{-1, -1}));
}

}  // namespace
