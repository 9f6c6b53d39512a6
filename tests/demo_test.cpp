// The demo driver's core: the key map, the start-up objects made from picture files, their
// release, and one frame of each part composed from small hand-made pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>

#include "support/demo_fixture.h"

namespace {

using kt::ImgPtr;
using kt::make_img;

uint32_t at(const IMG* img, int32_t x, int32_t y) { return img->pixels[y * img->width + x]; }

// Paints `picture` into `img` at (px, py) the way a keyed copy does, for expected frames.
void paint_keyed(IMG* img, const IMG* picture, int32_t px, int32_t py) {
    for (int32_t y = 0; y < picture->height; ++y)
        for (int32_t x = 0; x < picture->width; ++x) {
            const uint32_t p = at(picture, x, y);
            if (p != 0 && px + x >= 0 && px + x < img->width && py + y >= 0 && py + y < img->height)
                img->pixels[(py + y) * img->width + px + x] = p;
        }
}

// ---------------------------------------------------------------------------------------------
// Key map

class KeyMap : public kt::DemoState {};

struct Switches {
    uint8_t quit, plasma_scroller, stars, letters;
    int32_t speed;
    bool operator==(const Switches&) const = default;
};
Switches switches() {
    return {quit_request, show_plasma_scroller, show_stars, show_letters, scroll_speed};
}
std::ostream& operator<<(std::ostream& out, const Switches& s) {
    return out << "{quit " << int{s.quit} << ", scroller " << int{s.plasma_scroller} << ", stars "
               << int{s.stars} << ", letters " << int{s.letters} << ", speed " << s.speed << "}";
}

TEST_F(KeyMap, EachKeyFromTheStartState) {
    const Switches start{0, 1, 1, 1, 2};
    struct Case {
        int32_t key;
        Switches want;
    };
    for (const Case& c : {Case{27, {1, 1, 1, 1, 2}}, Case{'q', {1, 1, 1, 1, 2}}, Case{'Q', {1, 1, 1, 1, 2}},
                          Case{' ', {2, 1, 1, 1, 2}}, Case{'1', {0, 0, 1, 1, 2}}, Case{'2', {0, 1, 0, 1, 2}},
                          Case{'3', {0, 1, 1, 0, 2}}, Case{'6', {0, 1, 1, 3, 2}}, Case{'7', {0, 1, 1, 1, 1}},
                          Case{'8', {0, 1, 1, 1, 2}}, Case{'9', {0, 1, 1, 1, 4}}, Case{'0', {0, 1, 1, 1, 0}},
                          Case{0, start}, Case{'a', start}, Case{'4', start}, Case{'5', start},
                          Case{'\r', start}, Case{255, start},
                          Case{304, {0, 1, 1, 1, 0}},        // left Shift: low byte '0'
                          Case{256 + 'q', {1, 1, 1, 1, 2}},  // any symbol acts by its low byte
                          Case{-256 + 27, {1, 1, 1, 1, 2}},  // a sign-extended key byte
                          Case{-128, start}}) {
        demo_reset_state();
        demo_key(c.key);
        EXPECT_EQ(switches(), c.want) << "key " << c.key;
    }
}

TEST_F(KeyMap, LettersKeysFlipSeparateBits) {
    demo_key('3');
    EXPECT_EQ(show_letters, 0);  // hidden
    demo_key('6');
    EXPECT_EQ(show_letters, 2);  // shown again
    demo_key('3');
    EXPECT_EQ(show_letters, 3);
}

// The key byte is a level: a held toggle flips in every frame.
TEST_F(KeyMap, HeldToggleFlipsEveryCall) {
    for (int32_t frame = 1; frame <= 5; ++frame) {
        demo_key('1');
        EXPECT_EQ(show_plasma_scroller, frame % 2 == 0 ? 1 : 0) << "frame " << frame;
    }
}

TEST_F(KeyMap, ResetRestoresSwitchesRequestsAndMotions) {
    for (int32_t key : {'q', '1', '2', '3', '9'}) demo_key(key);
    bar_phase = 8;
    plasma_phases[3] = 9;
    scroll_pos = 5;
    scroll_x = -3;
    scroll_bounce_phase = 6;
    letter_phases[1] = 7;
    wobble_phase = 11;
    logo_bounce_phase = 12;
    canvas = make_img(200, 10).release();
    demo_reset_state();
    EXPECT_EQ(switches(), (Switches{0, 1, 1, 1, 2}));
    EXPECT_EQ(bar_phase, 0);
    EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{}));
    EXPECT_EQ(scroll_pos, 0);
    EXPECT_EQ(scroll_x, 200);  // the canvas's width
    EXPECT_EQ(scroll_bounce_phase, 0);
    EXPECT_EQ(letter_phases, (std::array<int32_t, 4>{}));
    EXPECT_EQ(wobble_phase, 0);
    EXPECT_EQ(logo_bounce_phase, 0);
}

TEST(DemoError, SaysNothing) {
    kt::StdoutCapture out;
    demo_error();
    EXPECT_EQ(out.text(), "");
}

// ---------------------------------------------------------------------------------------------
// Start-up objects

using kt::InFolder;

std::string ppm(int32_t w, int32_t h, uint32_t colour) {
    std::ostringstream out;
    out << "P6\n" << w << " " << h << "\n255\n";
    std::string bytes = out.str();
    for (int32_t i = 0; i < w * h; ++i) {
        bytes.push_back(static_cast<char>(colour >> 16 & 0xFF));
        bytes.push_back(static_cast<char>(colour >> 8 & 0xFF));
        bytes.push_back(static_cast<char>(colour & 0xFF));
    }
    return bytes;
}

// Every picture the start-up reads, as small files; letter K is 20 x 24.
class StartUp : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        const auto write = [this](DemoFile file, const std::string& bytes) {
            dir_.write(demo_file(file), bytes);
        };
        write(DemoFile::letter_k, ppm(20, 24, 0x110000));
        write(DemoFile::letter_a, ppm(6, 6, 0x220000));
        write(DemoFile::letter_p, ppm(6, 6, 0x330000));
        write(DemoFile::letter_u, ppm(6, 6, 0x440000));
        write(DemoFile::banner, ppm(40, 10, 0x000011));
        write(DemoFile::badge, ppm(20, 12, 0x000022));
        write(DemoFile::logotype0, ppm(50, 30, 0x000033));
        write(DemoFile::logotype1, ppm(30, 20, 0x000044));
        write(DemoFile::logotype2, ppm(100, 20, 0x000055));
        std::string sheet = "P1\n30 26\n";
        for (int32_t i = 0; i < 30 * 26; ++i) sheet += (i % 30 == 29) ? "1\n" : "1 ";
        write(DemoFile::sheet, sheet);
    }
    void TearDown() override { DemoState::TearDown(); }
    kt::TempDir dir_;
};

TEST_F(StartUp, MakesEveryObjectAtItsSize) {
    InFolder here(dir_.path());
    kt::StdoutCapture out;
    ASSERT_EQ(demo_create_objects(320, 240), nullptr);
    EXPECT_EQ(out.text(), "");

    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(kt::rows(canvas), kt::Rows(240, std::vector<uint32_t>(320, 0)));
    ASSERT_NE(letters[0], nullptr);
    EXPECT_EQ((std::pair{letters[0]->width, letters[0]->height}), (std::pair{40, 48}));
    EXPECT_EQ(at(letters[0], 39, 47), 0x110000u);
    for (size_t i = 1; i < 4; ++i) {
        ASSERT_NE(letters[i], nullptr) << "letter " << i;
        EXPECT_EQ((std::pair{letters[i]->width, letters[i]->height}), (std::pair{12, 12})) << "letter " << i;
        EXPECT_EQ(at(letters[i], 11, 11), 0x110000u * static_cast<uint32_t>(i + 1)) << "letter " << i;
    }
    // (320 - 40) / 2 and (240 - 48) / 2, from letter K alone.
    EXPECT_EQ(letter_waves[0].amplitude, 140);
    EXPECT_EQ(letter_waves[1].amplitude, 140);
    EXPECT_EQ(letter_waves[2].amplitude, 96);
    EXPECT_EQ(letter_waves[3].amplitude, 96);

    for (auto [picture, w, h, colour] :
         {std::tuple{banner_image, 40, 20 / 2, 0x000011u}, {badge_image, 20, 12, 0x000022u},
          {logo0, 50, 30, 0x000033u}, {logo1, 30, 20, 0x000044u}, {logo2, 100, 20, 0x000055u}}) {
        ASSERT_NE(picture, nullptr) << "colour " << colour;
        EXPECT_EQ((std::pair{picture->width, picture->height}), (std::pair{w, h})) << "colour " << colour;
        EXPECT_EQ(at(picture, 0, 0), colour);
    }

    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyph_w, 15);
    EXPECT_EQ(font->glyph_h, 26);
    EXPECT_EQ(font->sheet, font_sheet);
    ASSERT_NE(font_sheet, nullptr);
    EXPECT_EQ(at(font_sheet, 0, 0), 0xFFFFFFu);

    ASSERT_NE(scroll_strip, nullptr);
    EXPECT_EQ(kt::rows(scroll_strip), kt::Rows(26, std::vector<uint32_t>(320, 0)));
    ASSERT_NE(plasma_strip, nullptr);
    EXPECT_EQ(kt::rows(plasma_strip), kt::Rows(26, std::vector<uint32_t>(320, 0)));
    EXPECT_EQ(scroll_x, 320);

    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(raster->count, 240);
    EXPECT_EQ(raster->offset, 0);

    ASSERT_NE(stars, nullptr);
    EXPECT_EQ(stars->count, 2048);
    EXPECT_EQ((std::array{stars->size_x, stars->size_y, stars->size_z}), (std::array{320, 240, 256}));
    EXPECT_EQ((std::array{stars->cx, stars->cy, stars->cz}), (std::array{160, 120, 128}));
}

// The strips, the stars and the scroller's start column follow the canvas; the letter swing
// follows the fixed frame size.
TEST_F(StartUp, SizesFollowTheCanvas) {
    InFolder here(dir_.path());
    ASSERT_EQ(demo_create_objects(200, 100), nullptr);
    EXPECT_EQ((std::pair{canvas->width, canvas->height}), (std::pair{200, 100}));
    EXPECT_EQ((std::pair{scroll_strip->width, scroll_strip->height}), (std::pair{200, 26}));
    EXPECT_EQ((std::pair{plasma_strip->width, plasma_strip->height}), (std::pair{200, 26}));
    EXPECT_EQ(scroll_x, 200);
    EXPECT_EQ((std::array{stars->size_x, stars->size_y, stars->cx, stars->cy}), (std::array{200, 100, 100, 50}));
    EXPECT_EQ(raster->count, 240);
    EXPECT_EQ(letter_waves[0].amplitude, 140);
    EXPECT_EQ(letter_waves[2].amplitude, 96);
}

// The first required picture that cannot be read is named, and nothing after it is made.
TEST_F(StartUp, MissingPictureIsNamedAndStopsTheStartUp) {
    const std::span<const char* const> files = demo_required_files;
    for (size_t k = 0; k < files.size(); ++k) {
        restart();
        const std::string kept = dir_.file(std::string(files[k]) + ".kept");
        std::filesystem::rename(dir_.file(files[k]), kept);
        const char* missing = nullptr;
        {
            InFolder here(dir_.path());
            kt::StdoutCapture out;
            missing = demo_create_objects(320, 240);
            EXPECT_EQ(out.text(), "IMG error\n") << files[k];
        }
        ASSERT_NE(missing, nullptr) << files[k];
        EXPECT_STREQ(missing, files[k]);
        EXPECT_NE(canvas, nullptr) << files[k];
        EXPECT_EQ(font, nullptr) << files[k];
        EXPECT_EQ(scroll_strip, nullptr) << files[k];
        EXPECT_EQ(raster, nullptr) << files[k];
        EXPECT_EQ(stars, nullptr) << files[k];
        EXPECT_EQ(logo2, nullptr) << files[k];
        if (k < 4) {
            EXPECT_EQ(letters[k], nullptr) << files[k];
        } else {
            EXPECT_EQ(letters[3]->width, 12) << "letters scaled before " << files[k];
        }
        std::filesystem::rename(kept, dir_.file(files[k]));
        kt::StdoutCapture quiet;
        demo_release_objects();
        EXPECT_EQ(quiet.text(), "") << "releasing after " << files[k];
    }
}

// The files come from demo_data_folder wherever the working directory is; the first required
// picture missing there is named without the image library being asked to read it.
TEST_F(StartUp, ReadsFromTheDataFolderAndNamesTheFirstPictureMissingThere) {
    kt::TempDir elsewhere;
    InFolder here(elsewhere.path());
    struct Restore {
        ~Restore() { demo_data_folder.clear(); }
    } restore;
    EXPECT_STREQ(demo_missing_picture(""), "K.ppm");
    EXPECT_EQ(demo_missing_picture(dir_.path().string()), nullptr);
    std::filesystem::remove(dir_.file("logotype1.ppm"));
    EXPECT_STREQ(demo_missing_picture(dir_.path().string()), "logotype1.ppm");
    std::filesystem::remove(dir_.file("font1526.pbm"));  // not required
    EXPECT_STREQ(demo_missing_picture(dir_.path().string()), "logotype1.ppm");
    dir_.write("logotype1.ppm", ppm(30, 20, 0x000044));

    demo_data_folder = dir_.path().string();
    EXPECT_EQ(demo_data_path("K.ppm"), dir_.file("K.ppm"));
    kt::StdoutCapture out;
    ASSERT_EQ(demo_create_objects(320, 240), nullptr);
    EXPECT_EQ(out.text(), "IMG error\n");  // the font sheet alone
    ASSERT_NE(logo1, nullptr);
    EXPECT_EQ(logo1->width, 30);
}

TEST_F(StartUp, MissingFontSheetLeavesAFontWithoutSheet) {
    std::filesystem::remove(dir_.file(demo_file(DemoFile::sheet)));
    InFolder here(dir_.path());
    kt::StdoutCapture out;
    EXPECT_EQ(demo_create_objects(320, 240), nullptr);
    EXPECT_EQ(out.text(), "IMG error\n");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->sheet, nullptr);
    EXPECT_EQ(font_sheet, nullptr);
    ASSERT_NE(scroll_strip, nullptr);
    EXPECT_EQ(scroll_strip->height, 26);
    EXPECT_NE(stars, nullptr);
    EXPECT_NE(plasma_strip, nullptr);
}

TEST_F(StartUp, ReleaseFreesAllButWhatTheShutdownKeeps) {
    {
        InFolder here(dir_.path());
        ASSERT_EQ(demo_create_objects(320, 240), nullptr);
    }
    kt::StdoutCapture out;
    demo_release_objects();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(font_sheet, nullptr);
    for (const IMG* img : {banner_image, badge_image, plasma_strip, canvas, letters[0], letters[1],
                           letters[2], letters[3], scroll_strip, logo0, logo1})
        EXPECT_EQ(img, nullptr);
    EXPECT_NE(logo2, nullptr);
    EXPECT_NE(raster, nullptr);
    EXPECT_NE(stars, nullptr);
}

TEST(DemoRelease, NothingMadeNothingSaid) {
    kt::StdoutCapture out;
    demo_release_objects();
    demo_release_objects();
    EXPECT_EQ(out.text(), "");
}

// ---------------------------------------------------------------------------------------------
// Frames

class Frames : public kt::DemoState {
protected:
    void SetUp() override {
        DemoState::SetUp();
        canvas = make_img(screen_w, screen_h).release();
    }
};

// Part 1: the raster colours fill every row; badge, banner and logotype lie on top.
TEST_F(Frames, PartOneIsBarsBadgeBannerAndLogotype) {
    raster = RASTER_new();
    RASTER_resize(raster, screen_h);
    badge_image = make_img(20, 10, 0x0A0A0A).release();
    badge_image->pixels[0] = 0;  // transparent: the background shows
    banner_image = make_img(40, 10, 0x0B0B0B).release();
    logo2 = make_img(100, 20, 0x0C0C0C).release();
    for (int32_t i = 0; i < 320 * 240; ++i) canvas->pixels[i] = 0x777777;  // covered by the rows

    demo_draw_part1();

    ImgPtr want = make_img(320, 240);
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x) want->pixels[y * 320 + x] = raster->colors[y];
    paint_keyed(want.get(), badge_image, 150, 0);
    paint_keyed(want.get(), banner_image, 140, 230);
    paint_keyed(want.get(), logo2, 110, 110);
    EXPECT_EQ(kt::first_difference(want.get(), canvas), "");
    EXPECT_EQ(at(canvas, 0, 100), 0xE00038u);  // bar 7's seventh colour at bar phase 0
    EXPECT_EQ(at(canvas, 150, 0), 0u);
    EXPECT_EQ(at(canvas, 0, 0), 0u);
    EXPECT_EQ(bar_phase, 4);
    EXPECT_EQ(wobble_phase, 1);
}

TEST_F(Frames, PartOneWithoutPicturesDrawsTheBarsOnly) {
    raster = RASTER_new();
    RASTER_resize(raster, screen_h);
    kt::StdoutCapture out;
    demo_draw_part1();
    EXPECT_EQ(out.text(), "");
    for (int32_t y = 0; y < 240; ++y) ASSERT_EQ(at(canvas, 319, y), raster->colors[y]) << "row " << y;
    EXPECT_EQ(wobble_phase, 1);
}

// Part 2 with one still star, four 4 x 4 letters, a font of solid white cells (so the strip is
// the plasma wherever a glyph lies) and the logotype in the corner.
class PartTwo : public Frames {
protected:
    void SetUp() override {
        Frames::SetUp();
        stars = STARS_new();
        STARS_set_count(stars, 1);
        stars->cx = 10;
        stars->cy = 12;
        for (int32_t k = 0; k < 6; ++k) stars->star_data[k] = 0;  // at the origin, not moving
        for (size_t i = 0; i < 4; ++i) letters[i] = make_img(4, 4, 0x200000u * static_cast<uint32_t>(i + 1)).release();
        font = kt::make_test_font([](int32_t) { return 0xFFFFFFu; });
        font_sheet = font->sheet;
        scroll_strip = make_img(320, 26).release();
        plasma_strip = make_img(320, 26).release();
        logo1 = make_img(30, 20, 0x0D0D0D).release();
        scroll_pos = 2;
        scroll_x = 0;  // the strip is full of glyphs
    }
    static ImgPtr expected_without_layer() {
        ImgPtr want = make_img(320, 240);
        want->pixels[12 * 320 + 10] = 0x7F7F7F;
        const std::array<std::pair<int32_t, int32_t>, 4> at_phase0 = {{{158, 118}, {264, 224}, {274, 234}, {182, 142}}};
        for (size_t i = 0; i < 4; ++i) {
            ImgPtr half = make_img(4, 4, (0x200000u * static_cast<uint32_t>(i + 1)) >> 1);
            paint_keyed(want.get(), half.get(), at_phase0[i].first, at_phase0[i].second);
        }
        return want;
    }
};

TEST_F(PartTwo, StarsLettersScrollerAndLogotype) {
    for (int32_t i = 0; i < 320 * 240; ++i) canvas->pixels[i] = 0x777777;  // cleared first
    kt::StdoutCapture out;
    demo_draw_part2();
    EXPECT_EQ(out.text(), "");

    ImgPtr want = expected_without_layer();
    for (int32_t y = 0; y < 26; ++y)
        for (int32_t x = 0; x < 320; ++x)
            want->pixels[(214 + y) * 320 + x] = kt::plasma_reference(plasma_palette, {}, 320, 26, x, y);
    paint_keyed(want.get(), logo1, 290, 0);
    EXPECT_EQ(kt::first_difference(want.get(), canvas), "");

    EXPECT_EQ(scroll_y, 214);
    EXPECT_EQ(scroll_bounce_phase, 3);
    EXPECT_EQ(scroll_x, -2);
    EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{4, 5, 6, 1017, 1016, 1015}));
    EXPECT_EQ(letter_phases, (std::array<int32_t, 4>{1019, 1014, 1020, 1015}));
}

// The strip's row comes from the bounce phase before the advance, on the positive half sine.
TEST_F(PartTwo, ScrollerBouncesOnAHalfSine) {
    for (auto [phase, row, next] : {std::tuple{0, 214, 3}, {100, 196, 103}, {256, 183, 259}, {511, 214, 514},
                                    {512, 214, 515}, {768, 183, 771}, {1023, 214, 2}}) {
        scroll_bounce_phase = phase;
        demo_draw_part2();
        EXPECT_EQ(scroll_y, row) << "phase " << phase;
        EXPECT_EQ(scroll_bounce_phase, next) << "phase " << phase;
        EXPECT_EQ(at(canvas, 5, row), at(plasma_strip, 5, 0)) << "phase " << phase;
        EXPECT_NE(at(canvas, 5, row), 0u) << "phase " << phase;
    }
}

// Only the value 1 turns a layer on: 0, 2 or 3 leave it off and its motion stands still.
TEST_F(PartTwo, LayersRunOnlyWhileTheirSwitchIsOne) {
    stars->star_data[3] = 65536;  // one unit right per move
    for (int value : {0, 2, 3}) {
        show_stars = static_cast<uint8_t>(value);
        show_plasma_scroller = static_cast<uint8_t>(value);
        plasma_phases = {};
        scroll_x = 0;
        scroll_bounce_phase = 0;
        letter_phases = {};
        kt::StdoutCapture out;
        demo_draw_part2();
        EXPECT_EQ(out.text(), "") << "switches " << value;
        ImgPtr want = expected_without_layer();
        want->pixels[12 * 320 + 10] = 0;
        paint_keyed(want.get(), logo1, 290, 0);
        EXPECT_EQ(kt::first_difference(want.get(), canvas), "") << "switches " << value;
        EXPECT_EQ(stars->star_data[0], 0) << "stars stand still";
        EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{})) << "switches " << value;
        EXPECT_EQ(scroll_x, 0) << "switches " << value;
        EXPECT_EQ(scroll_bounce_phase, 0) << "switches " << value;
        EXPECT_EQ(letter_phases, (std::array<int32_t, 4>{1019, 1014, 1020, 1015})) << "letters always move";
    }
    show_stars = 1;
    demo_draw_part2();
    EXPECT_EQ(stars->star_data[0], 65536);
}

TEST_F(PartTwo, MissingPicturesAreSkipped) {
    IMG_free(&logo1);
    IMG_free(&letters[1]);
    kt::StdoutCapture out;
    demo_draw_part2();
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(at(canvas, 319, 0), 0u);
    EXPECT_EQ(at(canvas, 159, 119), 0u);  // no letters at all
}

// Part 3: the plasma over the whole canvas, the logotype at the left edge on the bottom row.
TEST_F(Frames, PartThreeIsPlasmaAndBouncingLogotype) {
    logo0 = make_img(50, 30, 0x0000FF).release();
    logo0->pixels[15 * 50 + 25] = 0;  // a hole the plasma shows through
    for (int32_t i = 0; i < 320 * 240; ++i) canvas->pixels[i] = 0x777777;

    demo_draw_part3();

    ASSERT_NE(plasma_palette, nullptr);
    ImgPtr want = make_img(320, 240);
    for (int32_t y = 0; y < 240; ++y)
        for (int32_t x = 0; x < 320; ++x) want->pixels[y * 320 + x] = kt::plasma_reference(plasma_palette, {}, 320, 240, x, y);
    paint_keyed(want.get(), logo0, 0, 210);
    EXPECT_EQ(kt::first_difference(want.get(), canvas), "");
    EXPECT_EQ(at(canvas, 25, 225), kt::plasma_reference(plasma_palette, {}, 320, 240, 25, 225));
    EXPECT_EQ(logo_y, 210);
    EXPECT_EQ(logo_bounce_phase, 4);
    EXPECT_EQ(plasma_phases, (std::array<int32_t, 6>{4, 5, 6, 1017, 1016, 1015}));
}

TEST_F(Frames, PartThreeSecondFrameFollowsTheMovedPhases) {
    logo0 = make_img(50, 30, 0x0000FF).release();
    demo_draw_part3();
    const std::array<int32_t, 6> phases = plasma_phases;
    demo_draw_part3();
    EXPECT_EQ(at(canvas, 100, 0), kt::plasma_reference(plasma_palette, phases, 320, 240, 100, 0));
    EXPECT_EQ(at(canvas, 319, 239), kt::plasma_reference(plasma_palette, phases, 320, 240, 319, 239));
    EXPECT_EQ(logo_y, 240 - 30 - 1);  // phase 4: (60 x 804) >> 15 = 1
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The part cycle, as a front end steps it

// Every hook call as it happens: s<stage> show, w wait, k key read, p pump, t stop, r release.
class Cycle : public StartUp {
protected:
    void hook_up(DemoCycle& cycle, std::vector<uint8_t> keys) {
        keys_ = std::move(keys);
        cycle.hooks = {
            .show = [this](const IMG* frame, DemoStage stage) {
                EXPECT_EQ(frame, canvas);
                calls_ += "s" + std::to_string(static_cast<int>(stage));
            },
            .wait = [this] { calls_ += 'w'; },
            .read_key = [this, &cycle] {
                calls_ += 'k';
                return cycle.shown < static_cast<int64_t>(keys_.size()) ? keys_[static_cast<size_t>(cycle.shown)] : uint8_t{0};
            },
            .pump = [this] { calls_ += 'p'; },
            .stop = [this] { calls_ += 't'; },
            .release = [this] { calls_ += canvas == nullptr ? "r" : "r(objects still there)"; },
        };
    }
    std::string take() { return std::exchange(calls_, ""); }
    std::string calls_;
    std::vector<uint8_t> keys_;
};

TEST_F(Cycle, EachStepShowsOneFrameAndRunsItsTailThroughTheHooks) {
    InFolder here(dir_.path());
    kt::StdoutCapture out;
    ASSERT_EQ(demo_create_objects(320, 240), nullptr);
    DemoCycle cycle;
    hook_up(cycle, {0, ' ', 27});  // Space in frame 1 ends part 1, Esc in frame 2 ends the run
    EXPECT_TRUE(demo_step(&cycle));
    EXPECT_EQ(take(), "s0wkp");
    EXPECT_TRUE(demo_step(&cycle));
    EXPECT_EQ(take(), "s0wk") << "the frame that ends its part feeds no music";
    EXPECT_EQ(cycle.stage, DemoStage::part2);
    EXPECT_EQ(quit_request, 0);
    EXPECT_TRUE(demo_step(&cycle));
    EXPECT_EQ(take(), "s1wk");
    EXPECT_EQ(cycle.stage, DemoStage::fade);
    EXPECT_TRUE(demo_step(&cycle));
    EXPECT_EQ(take(), "ts3w") << "the music stops before the first fade frame";
    int32_t fade_shown = 1;
    while (demo_step(&cycle)) ++fade_shown;
    EXPECT_EQ(fade_shown + 1, fade_frames);
    std::string fade_tail;
    for (int32_t i = 1; i < fade_frames; ++i) fade_tail += "s3w";
    EXPECT_EQ(take(), fade_tail);
    EXPECT_EQ(cycle.shown, 3 + fade_frames);
    EXPECT_EQ(std::count(canvas->pixels, canvas->pixels + 320 * 240, 0u), 320 * 240) << "faded to black";

    EXPECT_FALSE(demo_step(&cycle)) << "a finished cycle shows nothing";
    EXPECT_EQ(take(), "");
    demo_end(&cycle);
    EXPECT_EQ(take(), "r") << "the music stops once; the objects go before the platform";
}

// The sequence by name drives the process's cycle: a part runs until its frame count or a key
// ends it, the fade-out leaves the music alone, the shutdown stops it first and releases last.
TEST_F(Cycle, TheNamedSequenceDrivesTheProcessCycle) {
    InFolder here(dir_.path());
    kt::StdoutCapture out;
    ASSERT_EQ(demo_create_objects(320, 240), nullptr);
    demo_cycle = DemoCycle{};
    std::vector<uint8_t> keys(part1_frames + 5, 0);
    keys.back() = ' ';  // part 2 ends in its fifth frame
    hook_up(demo_cycle, keys);
    demo_part1();
    EXPECT_EQ(demo_cycle.shown, part1_frames);
    EXPECT_EQ(demo_cycle.stage, DemoStage::part2);
    demo_part2();
    EXPECT_EQ(demo_cycle.shown, part1_frames + 5);
    EXPECT_EQ(demo_cycle.stage, DemoStage::part3);
    demo_part3();
    EXPECT_EQ(demo_cycle.shown, part1_frames + 5 + part3_frames);
    EXPECT_EQ(demo_cycle.stage, DemoStage::part1);
    take();
    std::string fade;
    for (int32_t i = 0; i < fade_frames; ++i) fade += "s3w";
    demo_fade_out();
    EXPECT_EQ(take(), fade) << "the fade-out alone neither stops the music nor releases";
    demo_shutdown();
    EXPECT_EQ(take(), "t" + fade + "r");
    EXPECT_EQ(canvas, nullptr);
    demo_cycle = DemoCycle{};
}

TEST_F(Cycle, EndingARunEarlyStopsTheMusicThenReleases) {
    InFolder here(dir_.path());
    kt::StdoutCapture out;
    ASSERT_EQ(demo_create_objects(320, 240), nullptr);
    DemoCycle cycle;
    hook_up(cycle, {});
    for (int32_t i = 0; i < part1_frames; ++i) demo_step(&cycle);
    EXPECT_EQ(cycle.stage, DemoStage::part2) << "part 1 lasts its frame count";
    take();
    demo_end(&cycle);
    EXPECT_EQ(take(), "tr");
    EXPECT_EQ(cycle.stage, DemoStage::done);
}
