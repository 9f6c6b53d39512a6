// Playback in libmikmod through the capture driver: the shipped tune loads with 4 voices, ends
// at the frame its score gives (one part cycle), is audible, peaks just under full scale and has
// no silence a listener would notice; a small module from the writer, with speed and tempo
// changes, plays for exactly its computed length; every module the tune check accepts loads.
#include <gtest/gtest.h>

#include <mikmod.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "music/tune_check.h"
#include "tests/tune/capture.h"
#include "tests/tune/xm_cases.h"
#include "tools/tune/score.h"
#include "tools/tune/timing.h"
#include "tools/tune/xm.h"

namespace {

const std::string tune_path = std::string(KAPU_DATA_DIR) + "/quenFalox.xm";

// The song's length in sample frames as libmikmod times it (tools/tune/timing.h).
size_t song_frames(const XmModule& m) { return song_timing(m, CAPTURE_RATE).length; }

// libmikmod's Player_Active() turns false in the update that mixes the song's last frame.
long updates_to_end(size_t frames) { return static_cast<long>(frames / CAPTURE_FRAMES_PER_UPDATE) + 1; }

XmModule score_module() {
    std::ifstream in(KAPU_TUNE_SCORE, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    XmModule m;
    std::string error;
    EXPECT_TRUE(score_parse(text, m, error)) << error;
    return m;
}

class ShippedTunePlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        score_ = new XmModule(score_module());
        frames_ = song_frames(*score_);
        run_ = new CaptureRun(capture_play(tune_path, 4, 2 * updates_to_end(frames_)));
    }
    static void TearDownTestSuite() {
        delete run_;
        delete score_;
    }
    static inline XmModule* score_ = nullptr;
    static inline CaptureRun* run_ = nullptr;
    static inline size_t frames_ = 0;
};

}  // namespace

TEST_F(ShippedTunePlay, LoadsWithFourChannelsAndFourVoices) {
    ASSERT_TRUE(run_->loaded) << run_->error;
    EXPECT_EQ(run_->channels, 4);
    EXPECT_EQ(run_->voices, 4);
    EXPECT_EQ(run_->positions, static_cast<int>(score_->orders.size()));
    EXPECT_EQ(run_->patterns, static_cast<int>(score_->patterns.size()));
    EXPECT_EQ(run_->instruments, static_cast<int>(score_->instruments.size()));
    EXPECT_EQ(run_->samples, static_cast<int>(score_->instruments.size()));
    EXPECT_EQ(run_->speed, score_->speed);
    EXPECT_EQ(run_->tempo, score_->bpm);
    EXPECT_TRUE(run_->flags & UF_LINEAR);
    EXPECT_NE(run_->type.find("(XM format 1.04)"), std::string::npos) << run_->type;
}

TEST_F(ShippedTunePlay, EndsAtTheFrameTheScoreGives) {
    ASSERT_TRUE(run_->loaded) << run_->error;
    // The demo's part cycle is 4001 video frames: the song ends inside frame 3999 (its update
    // sees the end), frame 4000 reloads it, and frame 4001 starts it again.
    const double video_frames = static_cast<double>(frames_) / CAPTURE_FRAMES_PER_UPDATE;
    std::printf("song length: %zu sample frames, %.3f s, %.2f video frames\n", frames_,
                static_cast<double>(frames_) / CAPTURE_RATE, video_frames);
    EXPECT_GE(video_frames, 3999.0);
    EXPECT_LT(video_frames, 4000.0);
    EXPECT_TRUE(run_->ended) << "still playing after twice its length: a jump loops the song";
    EXPECT_EQ(run_->updates, updates_to_end(frames_)) << "song of " << frames_ << " frames";
    EXPECT_EQ(run_->updates + 1, 4001) << "updates, then the reload frame";
}

TEST_F(ShippedTunePlay, IsAudiblePeaksUnderMinusOneDecibelWithoutSilence) {
    ASSERT_TRUE(run_->ended);
    const Levels lv = measure(run_->pcm, frames_);
    EXPECT_GT(lv.rms, 0.1);
    // Under -1 dBFS, so that the peaks between samples stay under it too (scripts/tune-measure.sh
    // holds the true peak to -1 dBTP); the quiet intro and the loud climax share this headroom.
    EXPECT_GE(lv.peak, 0.501) << "-6 dBFS";
    EXPECT_LE(lv.peak, 0.891) << "-1 dBFS";
    EXPECT_LT(lv.longest_silence_s, 0.02) << "a 50 ms window below -60 dB";
}

TEST_F(ShippedTunePlay, FadesToAWhisperInItsLastTick) {
    ASSERT_TRUE(run_->ended);
    // The song fades out instead of cutting: what libmikmod mixes in the last tick and on to the
    // end of the update is quiet, so the demo's silent reload frame follows it without a click,
    // yet not silent, so that reload frame is the loop's only silence.
    const size_t from = frames_ - (size_t{CAPTURE_RATE} * 5 / 2) / score_->bpm;
    int32_t top = 0;
    for (size_t i = from * 2; i < run_->pcm.size(); ++i) top = std::max(top, std::abs(int32_t{run_->pcm[i]}));
    EXPECT_LT(top, 655) << "peak " << top << " after frame " << from << " (0.02 of full scale)";
    EXPECT_GT(top, 0) << "digital silence from frame " << from;
}

TEST(WrittenModulePlay, EndsWhereRowsAndSpeedAndTempoChangesSayWithBothSampleWidths) {
    XmModule m;
    m.name = "short";
    m.tracker = "play test";
    m.channels = 2;
    m.speed = 3;
    m.bpm = 97;
    m.orders = {0, 1, 0};
    XmPattern a;
    a.rows = 8;
    a.cells.assign(16, XmCell{});
    a.cells[0] = {58, 1, 0, 0, 0};  // A-4 on the looped 16-bit cycle
    a.cells[1] = {49, 2, 0x40, 0, 0};  // C-4 on the 8-bit one-shot
    a.cells[12] = {XM_KEY_OFF, 0, 0, 0, 0};
    a.cells[8] = {0, 0, 0, 0xF, 0x04};  // row 4: speed 4
    XmPattern b = a;
    b.rows = 5;
    b.cells.resize(10);
    b.cells[4] = {0, 0, 0, 0xF, 0x7D};  // row 2: 125 BPM
    XmInstrument tone;
    tone.name = "tone";
    tone.volume_envelope = {{0, 64}, {4, 40}};
    tone.sustain = true;
    tone.sustain_point = 1;
    tone.fadeout = 0x800;
    for (int i = 0; i < 64; ++i) tone.sample.frames.push_back(static_cast<int16_t>(i < 32 ? 8000 : -8000));
    tone.sample.loop_length = 64;
    tone.sample.relative_note = 12;
    XmInstrument blip;
    blip.name = "blip";
    blip.sample.sixteen_bit = false;
    for (int i = 0; i < 2000; ++i) blip.sample.frames.push_back(static_cast<int16_t>((i % 40 < 20 ? 60 : -60) * (2000 - i) / 2000));
    m.patterns = {a, b};
    m.instruments = {tone, blip};

    std::string error;
    const std::vector<uint8_t> bytes = xm_write(m, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    std::string dir_template = (std::filesystem::temp_directory_path() / "kapu-play-XXXXXX").string();
    const std::filesystem::path dir = mkdtemp(dir_template.data());
    const std::string path = (dir / "short.xm").string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));

    const size_t frames = song_frames(m);
    // floor(110250 / 97) = 1136 and 882 frames a tick at 97 and 125 BPM; the speed and the tempo
    // hold across patterns: a at 97 BPM (4 rows at speed 3, 4 at speed 4), b (2 rows at 97, 3 at
    // 125 BPM), a again at 125 BPM and speed 4.
    EXPECT_EQ(frames, (4u * 3 + 4 * 4 + 2 * 4) * 1136 + (3u * 4 + 8 * 4) * 882);
    const CaptureRun run = capture_play(path, 4, 2 * updates_to_end(frames));
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(run.loaded) << run.error;
    EXPECT_EQ(run.channels, 2);
    EXPECT_EQ(run.samples, 2);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.updates, updates_to_end(frames));
    EXPECT_GT(measure(run.pcm, frames).rms, 0.01);
}

// Everything the tune check lets through reaches libmikmod in the demo: the small module in each
// accepted damage, in the older layouts, and the shipped tune with short samples all load and play.
TEST(CheckedModulePlay, EveryModuleTheCheckAcceptsLoadsAndPlays) {
    std::vector<std::pair<std::string, xmc::Bytes>> accepted;
    const xmc::Bytes small = xmc::small_xm();
    accepted.emplace_back("the small module", small);
    for (const xmc::Case& c : xmc::cases()) {
        xmc::Bytes f = small;
        c.spoil(f);
        if (c.rule == TuneRule::none) accepted.emplace_back(c.name, f);
    }
    std::ifstream in(tune_path, std::ios::binary);
    const xmc::Bytes shipped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    accepted.emplace_back("the shipped tune with short samples", xmc::with_short_samples(shipped, 128));

    std::string dir_template = (std::filesystem::temp_directory_path() / "kapu-checked-XXXXXX").string();
    const std::filesystem::path dir = mkdtemp(dir_template.data());
    const std::string path = (dir / "case.xm").string();
    for (const auto& [name, bytes] : accepted) {
        ASSERT_TRUE(tune_check(bytes).ok()) << name << ": " << tune_check_text(tune_check(bytes));
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        const CaptureRun run = capture_play(path, 4, 200);
        EXPECT_TRUE(run.loaded) << name << ": " << run.error;
        EXPECT_GE(run.updates, 1) << name;
    }
    std::filesystem::remove_all(dir);
}
