// The measures of rendered sound behind measure_tune: the WAV reader, the longest silence and
// the downbeat finder, on made-up signals whose answers are known.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/tune/wav_measure.h"

namespace {

// A little noise source, the same on every run.
struct Lcg {
    uint32_t state = 12345;
    int16_t next(int amplitude) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int16_t>(static_cast<int>(state >> 16) % (2 * amplitude + 1) - amplitude);
    }
};

std::vector<int16_t> stereo(size_t frames) { return std::vector<int16_t>(frames * 2, 0); }

}  // namespace

TEST(WavMeasure, LongestSilenceNeedsBothChannelsQuiet) {
    std::vector<int16_t> s = stereo(1000);
    for (size_t f = 0; f < 1000; ++f) s[2 * f] = 1000;
    for (size_t f = 100; f < 400; ++f) s[2 * f] = 33;     // quiet enough on the left
    for (size_t f = 250; f < 260; ++f) s[2 * f + 1] = -34;  // the right speaks up in between
    for (size_t f = 600; f < 700; ++f) s[2 * f] = -20;
    const Silence quiet = longest_silence(s, 33);
    EXPECT_EQ(quiet.start, 100u) << "300 quiet frames on the left, broken at 250 by the right";
    EXPECT_EQ(quiet.length, 150u);
    EXPECT_EQ(longest_silence(stereo(0), 33).length, 0u);
}

TEST(WavMeasure, DigitalSilenceIsExactZeroOnBothSidesWithTheStepIntoIt) {
    std::vector<int16_t> s = stereo(1000);
    for (size_t f = 0; f < 1000; ++f) s[2 * f] = 5;
    for (size_t f = 200; f < 300; ++f) s[2 * f] = 0;      // 100 silent frames after a step of 5
    s[2 * 199 + 1] = -700;                                // the right steps down from 700
    for (size_t f = 500; f < 900; ++f) s[2 * f] = 0;
    s[2 * 600 + 1] = 1;                                   // one quiet sample breaks the longer run
    const SilenceRun run = digital_silence(s, 0, 1000);
    EXPECT_EQ(run.start, 601u);
    EXPECT_EQ(run.length, 299u);
    EXPECT_EQ(run.step, 1);
    const SilenceRun early = digital_silence(s, 0, 400);
    EXPECT_EQ(early.start, 200u);
    EXPECT_EQ(early.step, 700);
    const ChannelPeaks p = channel_peaks(s, 0, 1000);
    EXPECT_EQ(p.left, 5);
    EXPECT_EQ(p.right, 700);
    EXPECT_EQ(channel_peaks(s, 0, 199).right, 0);
}

TEST(WavMeasure, FindsTheCrashAmongHatsAndAnEarlierSnare) {
    // Hats every 4000 frames, a loud short snare 3000 frames before a long crash at 50000.
    constexpr size_t frames = 100000, crash = 50000;
    std::vector<int16_t> s = stereo(frames);
    Lcg noise;
    for (size_t f = 0; f < frames; ++f) {
        int v = 0;
        if (f % 4000 < 300) v += noise.next(6000);
        if (f >= crash - 3000 && f < crash - 2500) v += noise.next(12000);
        if (f >= crash) v += noise.next(static_cast<int>(9000.0 * (1.0 - static_cast<double>(f - crash) / frames)));
        s[2 * f] = static_cast<int16_t>(v / 2);
        s[2 * f + 1] = static_cast<int16_t>(v / 2);
    }
    const size_t found = strongest_onset(s, crash - 8000, crash + 8000, 11025);
    EXPECT_NEAR(static_cast<double>(found), static_cast<double>(crash), 50.0);
    // The search stays inside its range and the file.
    const size_t inside = strongest_onset(s, crash + 100, crash + 200, 11025);
    EXPECT_GE(inside, crash + 100);
    EXPECT_LT(inside, crash + 200);
    EXPECT_LE(strongest_onset(s, frames - 10, frames + 1000, 11025), frames - 1);
}

TEST(WavMeasure, ReadsOnlySixteenBitStereoPcm) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string path = (dir / ("kapu-measure-" + std::to_string(::getpid()) + ".wav")).string();
    auto write = [&](uint16_t channels, uint16_t bits, bool with_list_chunk) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.put(static_cast<char>(v >> (8 * i))); };
        auto u16 = [&](uint32_t v) { for (int i = 0; i < 2; ++i) out.put(static_cast<char>(v >> (8 * i))); };
        out << "RIFF";
        u32(0);  // readers do not need the RIFF size
        out << "WAVEfmt ";
        u32(16);
        u16(1);
        u16(channels);
        u32(44100);
        u32(44100u * channels * bits / 8);
        u16(channels * bits / 8);
        u16(bits);
        if (with_list_chunk) {
            out << "LIST";
            u32(3);
            out << "abc" << '\0';  // odd size: padded to even
        }
        out << "data";
        u32(8);
        for (uint32_t v : {0x0001u, 0xFFFFu, 0x7FFFu, 0x8000u}) u16(v);
    };
    StereoPcm pcm;
    std::string error;
    write(2, 16, true);
    ASSERT_TRUE(wav_read(path, &pcm, &error)) << error;
    EXPECT_EQ(pcm.rate, 44100u);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{1, -1, 32767, -32768}));
    EXPECT_EQ(pcm.frames(), 2u);
    write(1, 16, false);
    EXPECT_FALSE(wav_read(path, &pcm, &error));
    EXPECT_NE(error.find("16-bit stereo"), std::string::npos) << error;
    write(2, 8, false);
    EXPECT_FALSE(wav_read(path, &pcm, &error));
    std::filesystem::remove(path);
    EXPECT_FALSE(wav_read(path, &pcm, &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}
