// Playback in libmikmod through the capture driver: the shipped tune loads with 4 voices, ends
// at the frame its score gives, is audible, stays below full scale and has no long silence;
// a small module from the writer plays for exactly its computed length; every module the tune
// check accepts loads.
#include <gtest/gtest.h>

#include <mikmod.h>

#include <cstdint>
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
#include "tools/tune/xm.h"

namespace {

const std::string tune_path = std::string(KAPU_DATA_DIR) + "/quenFalox.xm";

// libmikmod gives each tick floor(2.5 x rate / BPM) frames; the shipped tune never changes speed
// or tempo (checked by ShippedTune.PlaysOnceToItsEndWithoutJumpsOrTempoChanges).
size_t song_frames(const XmModule& m) {
    const size_t frames_per_tick = (size_t{CAPTURE_RATE} * 5 / 2) / m.bpm;
    size_t rows = 0;
    for (uint8_t o : m.orders) rows += m.patterns.at(o).rows;
    return rows * m.speed * frames_per_tick;
}

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
    const double seconds = static_cast<double>(frames_) / CAPTURE_RATE;
    EXPECT_GE(seconds, 90.0);
    EXPECT_LE(seconds, 180.0);
    EXPECT_TRUE(run_->ended) << "still playing after twice its length: a jump loops the song";
    EXPECT_EQ(run_->updates, updates_to_end(frames_)) << "song of " << frames_ << " frames";
}

TEST_F(ShippedTunePlay, IsAudibleBelowFullScaleWithoutLongSilence) {
    ASSERT_TRUE(run_->ended);
    const Levels lv = measure(run_->pcm, frames_);
    EXPECT_GT(lv.rms, 0.02);
    EXPECT_LT(lv.peak, 0.95);
    EXPECT_LE(lv.longest_silence_s, 2.0);
}

TEST_F(ShippedTunePlay, FallsSilentBeforeItsEnd) {
    ASSERT_TRUE(run_->ended);
    // The last half second of the song and whatever was mixed after its end are silent, so the
    // reload at the end cuts no note.
    const size_t from = frames_ - CAPTURE_RATE / 2;
    int32_t top = 0;
    for (size_t i = from * 2; i < run_->pcm.size(); ++i) top = std::max(top, std::abs(int32_t{run_->pcm[i]}));
    EXPECT_LT(top, 33) << "peak " << top << " after frame " << from;
}

TEST(WrittenModulePlay, EndsWhereRowsSpeedAndTempoSayWithBothSampleWidths) {
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
    XmPattern b = a;
    b.rows = 5;
    b.cells.resize(10);
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
    EXPECT_EQ(frames, 21u * 3 * 1136) << "floor(110250 / 97) frames a tick";
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
    accepted.emplace_back("the shipped tune with short samples", xmc::with_short_samples(shipped, 64));

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
