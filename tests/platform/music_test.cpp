// Tests of the music glue: driver choice, failures, the reload at the end of the tune.
#include "music/music.h"

#include <gtest/gtest.h>
#include <mikmod.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform_support.h"
#include "screen/screen.h"
#include "support/support.h"
#include "tests/tune/xm_cases.h"

namespace {

// Runs in a fresh folder holding what the test puts there; the glue reads the tune from the
// working directory. Restores the directory and the driver choice afterwards.
class MusicTest : public ::testing::Test {
protected:
    void SetUp() override {
        kt::CaptureDriver::register_once();
        kt::CaptureDriver::updates = 0;
        kt::CaptureDriver::exits = 0;
        kt::CaptureDriver::fail_init = false;
        kt::CaptureDriver::on_exit = nullptr;
        saved_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        music_driver_alias = "kapucap";
    }
    void TearDown() override {
        if (music != nullptr) music_stop();
        std::filesystem::current_path(saved_dir_);
        music_driver_alias = "sdl";
        kt::CaptureDriver::fail_init = false;
    }
    void write_tune(int channels, int rows) {
        const auto bytes = kt::tiny_xm(channels, rows);
        dir_.write(music_file, std::string(bytes.begin(), bytes.end()));
    }
    void write_tune(const std::vector<uint8_t>& bytes) {
        dir_.write(music_file, std::string(bytes.begin(), bytes.end()));
    }
    static std::vector<uint8_t> shipped_tune() {
        std::ifstream in(std::string(KAPU_DATA_DIR) + "/" + music_file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    kt::TempDir dir_;
    std::filesystem::path saved_dir_;
};

TEST_F(MusicTest, MissingTuneWritesOneErrorLineAndStaysSilent) {
    kt::StderrCapture err;
    music_start();
    const std::string written = err.text();
    EXPECT_EQ(written, "Error loading: Could not open requested file\n");
    EXPECT_EQ(music, nullptr);
    for (int frame = 0; frame < 10; ++frame) music_pump();
    EXPECT_EQ(kt::CaptureDriver::updates, 0);
    music_stop();
    EXPECT_EQ(kt::CaptureDriver::exits, 1) << "the library is shut down even without a tune";
}

TEST_F(MusicTest, StartsTheTuneWithFourVoicesAndMixesOncePerPump) {
    write_tune(8, 8);
    kt::StderrCapture err;
    music_start();
    EXPECT_EQ(err.text(), "");
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->numvoices, 4);
    EXPECT_TRUE(Player_Active());
    music_pump();
    music_pump();
    EXPECT_EQ(kt::CaptureDriver::updates, 2);
}

TEST_F(MusicTest, EndOfTuneReloadsWithEightVoicesWithoutMixingThatFrame) {
    write_tune(8, 8);  // 80 ms: five frames of mixing play it to its end
    music_start();
    ASSERT_NE(music, nullptr);
    const MODULE* first = music;
    int frames = 0;
    while (Player_Active() && frames < 600) {
        music_pump();
        ++frames;
    }
    ASSERT_FALSE(Player_Active()) << "the tune never reached its end";
    EXPECT_GE(frames, 4);
    EXPECT_LE(frames, 8);
    const int updates_before = kt::CaptureDriver::updates;
    music_pump();  // the reload frame
    EXPECT_EQ(kt::CaptureDriver::updates, updates_before) << "no mixing in the reload frame";
    ASSERT_NE(music, nullptr);
    EXPECT_NE(music, first) << "a new module was loaded";
    EXPECT_EQ(music->numvoices, 8);
    EXPECT_TRUE(Player_Active()) << "the reloaded tune plays from its start";
    music_pump();
    EXPECT_EQ(kt::CaptureDriver::updates, updates_before + 1);
}

TEST_F(MusicTest, ReloadPlaysTheBytesCheckedAtStartWithoutTheFile) {
    // The file is read once: gone, or replaced by one the check refuses, it is not read again.
    for (const bool removed : {true, false}) {
        write_tune(4, 8);
        music_start();
        ASSERT_NE(music, nullptr);
        if (removed) {
            std::filesystem::remove(dir_.file(music_file));
        } else {
            write_tune(xmc::with_sustain_255(shipped_tune()));
        }
        kt::StderrCapture err;
        int reloads = 0;
        for (int frame = 0; frame < 30; ++frame) {
            const bool ended = !Player_Active();
            music_pump();
            reloads += ended;
            ASSERT_NE(music, nullptr) << "frame " << frame;
        }
        EXPECT_GE(reloads, 3) << "80 ms a time, the tune ends and restarts several times";
        EXPECT_EQ(music->numchn, 4);
        EXPECT_EQ(err.text(), "");
        music_stop();
    }
}

TEST_F(MusicTest, TuneThatEndsAtOnceIsNotReloadedAndPlaysAsSilence) {
    // No positions: over before the first update. One 10 ms row: over in the first update.
    std::vector<uint8_t> no_positions = kt::tiny_xm(4, 8);
    no_positions[64] = 0;  // song length
    for (const auto& [tune, mixed] : {std::pair{no_positions, 0}, std::pair{kt::tiny_xm(4, 1), 1}}) {
        write_tune(tune);
        kt::CaptureDriver::updates = 0;
        kt::StderrCapture err;
        music_start();
        ASSERT_NE(music, nullptr);
        for (int frame = 0; frame < 60; ++frame) music_pump();
        EXPECT_EQ(music, nullptr) << "not loaded again";
        EXPECT_EQ(kt::CaptureDriver::updates, mixed);
        EXPECT_EQ(err.text(), "");
        music_stop();
    }
}

TEST_F(MusicTest, TuneThatFailsTheCheckWritesOneErrorLineAndStaysSilent) {
    // One byte changed: instrument 8's sustain point is 255 of its 4 points, which libmikmod
    // would read past its envelope on every update.
    write_tune(xmc::with_sustain_255(shipped_tune()));
    kt::StderrCapture err;
    music_start();
    EXPECT_EQ(err.text(), "Error loading: Failure loading sampleinfo "
                          "(instrument 8: volume envelope sustain point outside its points)\n");
    EXPECT_EQ(music, nullptr);
    for (int frame = 0; frame < 10; ++frame) music_pump();
    EXPECT_EQ(kt::CaptureDriver::updates, 0);
    music_stop();
    EXPECT_EQ(kt::CaptureDriver::exits, 1);
}

TEST_F(MusicTest, ShippedTuneStillLoadsAndPlays) {
    write_tune(shipped_tune());
    kt::StderrCapture err;
    music_start();
    EXPECT_EQ(err.text(), "");
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->numchn, 4);
    EXPECT_EQ(music->numvoices, 4);
    EXPECT_TRUE(Player_Active());
    music_pump();
    EXPECT_EQ(kt::CaptureDriver::updates, 1);
}

TEST_F(MusicTest, WhatIsNotARegularFileReadsAsAMissingTuneAtOnce) {
    // A FIFO without a writer would hold a blocking open for ever.
    for (const char* kind : {"fifo", "folder"}) {
        const std::string path = dir_.file(music_file);
        std::filesystem::remove_all(path);
        if (std::string(kind) == "fifo") {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        } else {
            std::filesystem::create_directory(path);
        }
        kt::StderrCapture err;
        music_start();
        EXPECT_EQ(err.text(), "Error loading: Could not open requested file\n") << kind;
        EXPECT_EQ(music, nullptr) << kind;
        music_stop();
    }
}

TEST_F(MusicTest, FailedInitReportsAndLoadsNothing) {
    // The tune is there: loading it after a failed init would crash inside libmikmod.
    write_tune(4, 8);
    kt::CaptureDriver::fail_init = true;
    kt::StderrCapture err;
    music_start();
    const std::string written = err.text();
    EXPECT_EQ(written.rfind("Could not initialize sound\nReason: ", 0), 0u) << written;
    EXPECT_EQ(written.find("Error loading"), std::string::npos) << written;
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2) << written;
    EXPECT_EQ(music, nullptr);
    for (int frame = 0; frame < 10; ++frame) music_pump();
    EXPECT_EQ(kt::CaptureDriver::updates, 0);
    music_stop();
}

TEST_F(MusicTest, StopReleasesTheTuneAndShutsTheLibraryDown) {
    write_tune(4, 64);
    music_start();
    ASSERT_NE(music, nullptr);
    music_pump();
    music_stop();
    EXPECT_EQ(music, nullptr);
    EXPECT_EQ(kt::CaptureDriver::exits, 1);
    EXPECT_FALSE(Player_Active());
}

TEST_F(MusicTest, ChoosesSdlsDriverAndFallsBackWhenAnAliasIsUnknown) {
    // As in the programs, the video surface is open before the music starts.
    SCREEN* screen = SCREEN_new();
    SCREEN_set_mode(screen, 320, 240);
    write_tune(4, 64);
    for (const char* alias : {"sdl", "no-such-driver"}) {
        music_driver_alias = alias;
        kt::StderrCapture err;
        music_start();
        EXPECT_EQ(err.text(), "") << alias;
        ASSERT_NE(md_driver, nullptr) << alias;
        EXPECT_STREQ(md_driver->Alias, "sdl") << alias;
        EXPECT_NE(music, nullptr) << alias;
        music_pump();
        music_stop();
    }
}

}  // namespace
