// tests/render/tools_test.cpp: demo-render's options, key script, frame selection, the check of
// its output paths, the files written whole and the WAV writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "support/support.h"
#include "front/render/frame_io.h"
#include "front/render/options.h"
#include "front/render/output_file.h"

namespace {

RenderOptions parse(std::vector<const char*> args, std::string* error) {
    args.insert(args.begin(), "demo-render");
    RenderOptions o;
    const bool ok = render_parse_options(static_cast<int>(args.size()), args.data(), &o, error);
    if (!ok && error->empty()) *error = "failed without a message";
    if (ok) error->clear();
    return o;
}

TEST(RenderOptions, DefaultsRunOneWholeCycleWritingNothing) {
    std::string error;
    const RenderOptions o = parse({}, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(o.frames, 4001);
    EXPECT_TRUE(o.ppm_dir.empty() && o.wav_path.empty() && o.video_path.empty() && o.sums_path.empty());
    EXPECT_TRUE(o.keys.empty());
    EXPECT_TRUE(o.select.spans.empty());
    EXPECT_EQ(o.video_scale, 3);
    EXPECT_EQ(o.progress, -1);
}

TEST(RenderOptions, ValuesAfterTheOptionOrAfterEquals) {
    std::string error;
    const RenderOptions o = parse({"-n", "120", "--ppm=out", "--select", "5", "-k", "10:esc",
                                   "--key=20:1:3", "--wav", "a.wav", "--video=v.webm", "--scale", "2",
                                   "--sums=s.txt", "--no-progress"},
                                  &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(o.frames, 120);
    EXPECT_EQ(o.ppm_dir, "out");
    EXPECT_TRUE(frame_selected(o.select, 5));
    EXPECT_FALSE(frame_selected(o.select, 6));
    ASSERT_EQ(o.keys.size(), 2u);
    EXPECT_EQ(o.keys[0].frame, 10);
    EXPECT_EQ(o.keys[0].key, 27);
    EXPECT_EQ(o.keys[1].key, '1');
    EXPECT_EQ(o.keys[1].hold, 3);
    EXPECT_EQ(o.wav_path, "a.wav");
    EXPECT_EQ(o.video_path, "v.webm");
    EXPECT_EQ(o.video_scale, 2);
    EXPECT_EQ(o.sums_path, "s.txt");
    EXPECT_EQ(o.progress, 0);
}

TEST(RenderOptions, RefusesWhatItDoesNotKnow) {
    const std::vector<std::vector<const char*>> cases = {
        {"--frames"}, {"-n", "ten"}, {"-n", "-1"}, {"--bogus"}, {"-k", "10"}, {"-k", "x:esc"},
        {"-k", "10:nokey"}, {"-k", "10:q:0"}, {"-s", "5-2"}, {"-s", "a"}, {"-s", "/0"},
        {"--scale", "0"}, {"--scale", "9"}, {"--help=yes"}, {"stray"},
        {"--lossless"}, {"--video", "v.mp4", "--lossless"}, {"--video=v.mkv", "--lossless=yes"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const char* a : args) joined += std::string(a) + " ";
        SCOPED_TRACE(joined);
        std::string error;
        parse(args, &error);
        EXPECT_FALSE(error.empty());
    }
}

TEST(RenderOptions, KeyNamesCharactersAndSymbols) {
    struct Case {
        const char* text;
        int64_t     frame;
        int32_t     key;
        int64_t     hold;
    };
    const std::vector<Case> cases = {
        {"0:esc", 0, 27, 1},      {"5:escape:2", 5, 27, 2}, {"7:space", 7, 32, 1},
        {"7: ", 7, 32, 1},        {"9:q", 9, 'q', 1},       {"9:Q:4", 9, 'Q', 4},
        {"3:0", 3, '0', 1},       {"3:304", 3, 304, 1},     {"3:shift:2", 3, 304, 2},
        {"1::", 1, ':', 1},      {"1:::6", 1, ':', 6},     {"2:27:100", 2, 27, 100},
        {"2:enter", 2, 13, 1},    {"2:tab", 2, 9, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        RenderKey k{};
        std::string error;
        ASSERT_TRUE(render_parse_key(c.text, &k, &error)) << error;
        EXPECT_EQ(k.frame, c.frame);
        EXPECT_EQ(k.key, c.key);
        EXPECT_EQ(k.hold, c.hold);
    }
}

TEST(RenderKeys, HeldForTheirFramesLaterEntriesWin) {
    const std::vector<RenderKey> keys = {{10, '1', 3}, {11, 304, 1}, {20, 27, 1}};
    const std::vector<std::pair<int64_t, uint8_t>> cases = {
        {9, 0}, {10, '1'}, {11, 48}, {12, '1'}, {13, 0}, {20, 27}, {21, 0}};
    for (const auto& [frame, byte] : cases) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(render_key_at(keys, frame), byte);
    }
}

TEST(FrameSelection, ListsRangesAndStrides) {
    struct Case {
        const char*          text;
        std::vector<int64_t> in, out;
    };
    const std::vector<Case> cases = {
        {"5", {5}, {4, 6}},
        {"0,100-102", {0, 100, 101, 102}, {1, 99, 103}},
        {"/60", {0, 60, 120, 3600}, {1, 59, 61}},
        {"10-30/10", {10, 20, 30}, {0, 11, 40}},
        {"100-", {100, 5000}, {99}},
        {"7-/5", {7, 12, 17}, {8, 2}},
        {"3/2", {3, 5, 7}, {4, 1}},
        {"1,1,1", {1}, {0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FrameSelection s;
        std::string error;
        ASSERT_TRUE(frame_selection_parse(c.text, &s, &error)) << error;
        for (const int64_t f : c.in) EXPECT_TRUE(frame_selected(s, f)) << f;
        for (const int64_t f : c.out) EXPECT_FALSE(frame_selected(s, f)) << f;
    }
    for (const char* bad : {"", ",", "1,", "-", "-5", "5-3", "1/0", "x", "1-2-3", "//2"}) {
        SCOPED_TRACE(bad);
        FrameSelection s;
        std::string error;
        EXPECT_FALSE(frame_selection_parse(bad, &s, &error));
        EXPECT_FALSE(error.empty());
    }
}

uint32_t u32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint32_t u16(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}

TEST(WavWriter, HeaderCountsTheSamplesWritten) {
    for (const size_t frames : {size_t{0}, size_t{1}, size_t{735}, size_t{735 * 3}}) {
        SCOPED_TRACE(frames);
        kt::TempDir dir;
        const std::string path = dir.file("a.wav");
        WavWriter w{};
        ASSERT_TRUE(wav_open(&w, path.c_str()));
        std::vector<int16_t> pcm(frames * 2);
        for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(i % 2 ? -1 - int(i) : int(i));
        // Written in two pieces, as the renderer writes one frame at a time.
        ASSERT_TRUE(wav_write(&w, pcm.data(), frames / 2));
        ASSERT_TRUE(wav_write(&w, pcm.data() + (frames / 2) * 2, frames - frames / 2));
        ASSERT_TRUE(wav_close(&w));
        std::ifstream in(path, std::ios::binary);
        const std::string b((std::istreambuf_iterator<char>(in)), {});
        ASSERT_EQ(b.size(), 44 + frames * 4);
        EXPECT_EQ(b.substr(0, 4), "RIFF");
        EXPECT_EQ(u32(b, 4), 36 + frames * 4);
        EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(u32(b, 16), 16u);
        EXPECT_EQ(u16(b, 20), 1u);      // PCM
        EXPECT_EQ(u16(b, 22), 2u);      // stereo
        EXPECT_EQ(u32(b, 24), 44100u);
        EXPECT_EQ(u32(b, 28), 44100u * 4);
        EXPECT_EQ(u16(b, 32), 4u);
        EXPECT_EQ(u16(b, 34), 16u);
        EXPECT_EQ(b.substr(36, 4), "data");
        EXPECT_EQ(u32(b, 40), frames * 4);
        for (size_t i = 0; i < pcm.size(); ++i)
            ASSERT_EQ(static_cast<int16_t>(u16(b, 44 + 2 * i)), pcm[i]) << "sample " << i;
    }
}

TEST(WavWriter, UnwritablePathFails) {
    WavWriter w{};
    EXPECT_FALSE(wav_open(&w, "/nonexistent-folder/a.wav"));
    EXPECT_FALSE(wav_write(&w, nullptr, 0));
    EXPECT_FALSE(wav_close(&w));
}

TEST(RenderOutputs, RefusedOverTheDataOrOneAnotherElseAllowed) {
    kt::TempDir dir;
    kt::InFolder here(dir.path());
    dir.write("K.ppm", "P6 1 1 255 abc");
    dir.write("quenFalox.xm", "tune");
    dir.write("taken", "x");
    std::filesystem::create_hard_link("K.ppm", "hard");
    std::filesystem::create_symlink("quenFalox.xm", "soft");
    std::filesystem::create_directories("f");
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    struct Case {
        std::vector<const char*> args;
        const char*              refusal;  // part of the message; null: allowed
    };
    const std::vector<Case> cases = {
        {{"-w", "quenFalox.xm"}, "--wav \"quenFalox.xm\" would overwrite \"quenFalox.xm\""},
        {{"--sums", "./f/../K.ppm"}, "would overwrite \"K.ppm\""},
        {{"-w", "hard"}, "would overwrite \"K.ppm\""},
        {{"-w", "soft"}, "would overwrite \"quenFalox.xm\""},
        {{"-w", "A.ppm"}, "would overwrite \"A.ppm\""},  // a data file that is missing
        {{"-o", "K.ppm"}, "--ppm \"K.ppm\" would overwrite"},
        {{"--video", "quenFalox.xm"}, "--video \"quenFalox.xm\" would overwrite"},
        {{"-w", "taken", "--sums", "./taken"}, "--wav and --sums are the same file"},
        {{"-w", "new/a.wav", "--sums", "new/../new/a.wav"}, "--wav and --sums are the same file"},
        {{"-o", "f", "--wav", "f/"}, "--ppm and --wav are the same file"},
        {{"-w", "fifo"}, "--wav \"fifo\" is neither a file nor a device"},
        {{"--video", "v.mp4", "--sums", "v.frames.mp4"}, nullptr},  // temporaries take no set name
        {{"-o", "f", "--sums", "f/frame-000012.ppm"}, "would be overwritten by a frame picture"},
        {{"-o", "out", "--wav", "./out/frame-1234567.ppm"}, "would be overwritten by a frame picture"},
        {{"-w", "a.wav", "--sums", "sums", "-o", "f", "--video", "v.mp4"}, nullptr},
        {{"--video", "v.mp4", "-w", "v.sound.wav"}, nullptr},  // the video takes that WAV's sound
        {{"-o", "f", "--sums", "f/sums.txt"}, nullptr},
        {{"-o", "f", "--sums", "f/frame-12.ppm"}, nullptr},
        {{"-o", "."}, nullptr},  // frame pictures never take a data file's name
        {{"-w", "/dev/null", "--sums", "/dev/null"}, nullptr},
        {{}, nullptr},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const char* a : c.args) joined += std::string(a) + " ";
        SCOPED_TRACE(joined);
        std::string error;
        const RenderOptions o = parse(c.args, &error);
        ASSERT_EQ(error, "");
        const bool allowed = render_check_outputs(o, &error);
        if (c.refusal == nullptr) {
            EXPECT_TRUE(allowed) << error;
        } else {
            EXPECT_FALSE(allowed);
            EXPECT_NE(error.find(c.refusal), std::string::npos) << error;
        }
    }
}

TEST(WavWriter, AFullDeviceFailsAtOnceAndNothingIsCounted) {
    WavWriter w{};
    errno = 0;
    EXPECT_FALSE(wav_open(&w, "/dev/full"));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(w.file, nullptr);
    // A file that stops taking samples: the frames it refused are not counted.
    w.file = std::fopen("/dev/full", "wb");
    ASSERT_NE(w.file, nullptr);
    std::setvbuf(w.file, nullptr, _IONBF, 0);
    const std::vector<int16_t> pcm(735 * 2, 7);
    EXPECT_FALSE(wav_write(&w, pcm.data(), 735));
    EXPECT_EQ(w.frames, 0u);
    EXPECT_FALSE(wav_close(&w));
    EXPECT_EQ(w.file, nullptr);
}

std::string text_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(OutputFile, WrittenBesideAndRenamedIntoPlaceOrRemoved) {
    kt::TempDir dir;
    kt::InFolder here(dir.path());
    dir.write("target", "kept");
    std::filesystem::create_symlink("target", "link");
    const mode_t mask = umask(022);
    std::string error;
    {
        OutputFile out;
        ASSERT_TRUE(out.begin("link", &error)) << error;
        EXPECT_TRUE(out.writing().starts_with((dir.path() / ".link.").string())) << out.writing();
        std::ofstream(out.writing()) << "new";
        EXPECT_EQ(std::filesystem::read_symlink("link"), "target");
        ASSERT_TRUE(out.commit(&error)) << error;
    }
    EXPECT_FALSE(std::filesystem::is_symlink("link")) << "the link is replaced, not followed";
    EXPECT_EQ(text_of("link"), "new");
    EXPECT_EQ(text_of("target"), "kept");
    struct stat st {};
    ASSERT_EQ(stat("link", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    {
        OutputFile out;
        ASSERT_TRUE(out.begin("never", &error)) << error;
        ASSERT_TRUE(out.begin_scratch("never", "frames-", ".mkv", &error)) << error;
        EXPECT_TRUE(out.writing().ends_with(".mkv")) << out.writing();
    }  // neither committed: both removed
    umask(mask);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(".")) ++files;
    EXPECT_EQ(files, 2u);
    OutputFile null;
    ASSERT_TRUE(null.begin("/dev/null", &error)) << error;
    EXPECT_EQ(null.writing(), "/dev/null");
    EXPECT_TRUE(null.commit(&error));
    EXPECT_TRUE(std::filesystem::exists("/dev/null"));
}

}  // namespace
