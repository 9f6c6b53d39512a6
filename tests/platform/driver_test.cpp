// Tests of the driver's start-up and shutdown on the dummy display, with the shipped pictures.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "main/demo.h"
#include "front/native/driver.h"
#include "music/music.h"
#include "platform_support.h"
#include "support/support.h"

namespace {

namespace fs = std::filesystem;

// A working folder holding the shipped pictures, except `left_out`, and a short test tune.
class DriverTest : public ::testing::Test {
protected:
    void fill(const std::string& left_out = "") {
        kt::fill_data_folder(dir_, kt::tiny_xm(4, 64), left_out);
        saved_dir_ = fs::current_path();
        fs::current_path(dir_.path());
    }
    void TearDown() override {
        if (!saved_dir_.empty()) fs::current_path(saved_dir_);
        music_driver_alias = "sdl";
    }
    kt::TempDir dir_;
    fs::path saved_dir_;
};

// Whether the canvas still held the last frame when the music's driver was shut down.
kt::ImgPtr last_frame;
bool       canvas_unfaded_at_music_exit = false;

TEST_F(DriverTest, ShutdownStopsTheMusicBeforeTheFadeAndReleasesEverything) {
    if (!kt::shipped_pictures()) GTEST_SKIP() << "no shipped pictures yet";
    fill();
    kt::CaptureDriver::register_once();
    kt::CaptureDriver::exits = 0;
    kt::CaptureDriver::on_exit = [] {
        canvas_unfaded_at_music_exit = IMG_equal(canvas, last_frame.get()) == 1;
    };
    music_driver_alias = "kapucap";
    frame_pacer = pacer_make(100000);  // the fade's 256 frames without real-time waits

    demo_init();
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(screen->width, 320);
    EXPECT_EQ(canvas->width, 320);
    EXPECT_EQ(canvas->height, 240);
    demo_draw_part1();
    last_frame.reset(IMG_clone(canvas));

    demo_shutdown();
    kt::CaptureDriver::on_exit = nullptr;
    EXPECT_EQ(kt::CaptureDriver::exits, 1);
    EXPECT_TRUE(canvas_unfaded_at_music_exit) << "the music stops before the first fade frame";
    EXPECT_EQ(music, nullptr);
    EXPECT_EQ(canvas, nullptr);
    EXPECT_EQ(keyboard, nullptr);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(screen_instance, nullptr);
}

TEST_F(DriverTest, FadeTakesTheFrameToBlack) {
    if (!kt::shipped_pictures()) GTEST_SKIP() << "no shipped pictures yet";
    fill();
    frame_pacer = pacer_make(100000);
    music_driver_alias = "kapucap";
    kt::CaptureDriver::register_once();
    demo_init();
    demo_draw_part3();
    demo_fade_out();
    kt::ImgPtr black = kt::make_img(320, 240, 0);
    EXPECT_EQ(IMG_equal(canvas, black.get()), 1);
    demo_shutdown();
}

TEST_F(DriverTest, MissingPictureEndsWithAMessageNamingFileAndFolder) {
    if (!kt::shipped_pictures()) GTEST_SKIP() << "no shipped pictures yet";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* left_out : {demo_file(DemoFile::letter_k), demo_file(DemoFile::logotype1)}) {
        fill(left_out);
        // The death test runs in a new process with a folder of its own: match its shape.
        const std::string pattern = std::string("could not read the picture \"") + left_out +
                                    "\" in the folder /[^\n]*kapu-[^\n]*\n.*data folder";
        EXPECT_EXIT(demo_init(), ::testing::ExitedWithCode(1), pattern) << left_out;
        fs::current_path(saved_dir_);
        for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove(entry.path());
    }
}

}  // namespace
