// tests/render/program_test.cpp: the demo-render program: frame counts, the WAV file, the
// scroller's echo against the core stepped in this process, pictures, checksums, failures, and
// how a run ends: closed standard descriptors, failing outputs, signals, memory running out.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "front/render/options.h"
#include "render/child_process.h"
#include "render/render_support.h"

namespace {

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct ProgramRun {
    int         status = -1;
    std::string out, err;
};

// Runs demo-render with the arguments in the folder given (the data folder by default).
ProgramRun render(const std::vector<std::string>& args, const std::string& folder = KAPU_DATA_DIR) {
    kt::TempDir io;
    std::string command = "cd " + quote(folder) + " && " + quote(KAPU_DEMO_RENDER);
    for (const std::string& a : args) command += " " + quote(a);
    command += " >" + quote(io.file("out")) + " 2>" + quote(io.file("err"));
    const int rc = std::system(command.c_str());
    ProgramRun r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read_file(io.file("out"));
    r.err = read_file(io.file("err"));
    return r;
}

std::vector<std::string> key_args(const std::vector<RenderKey>& keys) {
    std::vector<std::string> args;
    for (const RenderKey& k : keys)
        args.push_back("--key=" + std::to_string(k.frame) + ":" + std::to_string(k.key) + ":" +
                       std::to_string(k.hold));
    return args;
}

// "FRAME CHECKSUM" lines of a --sums file.
std::map<int64_t, uint64_t> read_sums(const std::string& path) {
    std::map<int64_t, uint64_t> sums;
    std::ifstream in(path);
    int64_t frame = 0;
    std::string hex;
    while (in >> frame >> hex) sums[frame] = std::stoull(hex, nullptr, 16);
    return sums;
}

TEST(DemoRender, WholeCycleMatchesTheGoldenChecksums) {
    const kt::GoldenFile golden = kt::read_golden();
    for (const kt::Scenario& s : kt::scenarios()) {
        SCOPED_TRACE(s.name);
        kt::TempDir dir;
        std::vector<std::string> args = {"--no-progress", "--sums", dir.file("sums"), "-n",
                                         std::to_string(s.frames)};
        for (const std::string& a : key_args(s.keys)) args.push_back(a);
        const ProgramRun r = render(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const auto sums = read_sums(dir.file("sums"));
        const int64_t frames = s.name == "keys" ? 1601 + 256 : s.frames;
        EXPECT_EQ(static_cast<int64_t>(sums.size()), frames);
        if (!sums.empty()) {
            EXPECT_EQ(sums.rbegin()->first, frames - 1);
        }
        for (const int64_t index : s.golden) {
            SCOPED_TRACE(index);
            const auto want = golden.frames.find({s.name, index});
            ASSERT_NE(want, golden.frames.end());
            ASSERT_TRUE(sums.count(index));
            EXPECT_EQ(checksum_hex(sums.at(index)), checksum_hex(want->second));
        }
    }
}

TEST(DemoRender, EchoEqualsTheCoreSteppedDirectly) {
    const std::vector<kt::Scenario> cases = {
        kt::plain_scenario(),
        kt::keys_scenario(),
        {"speeds", 6000, {{1100, '9', 1}, {1900, '7', 1}, {2400, '0', 1}, {2600, '8', 1}}, {}},
        {"two cycles", 8002, {}, {}},
    };
    for (const kt::Scenario& s : cases) {
        SCOPED_TRACE(s.name);
        const kt::InProcessRun core = kt::run_in_process(s);
        std::vector<std::string> args = {"-n", std::to_string(s.frames)};
        for (const std::string& a : key_args(s.keys)) args.push_back(a);
        const ProgramRun r = render(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_GT(core.echo.size(), 10u);
        EXPECT_EQ(r.out, core.echo);
    }
}

TEST(DemoRender, ScrollerEchoStartsWithTheText) {
    const ProgramRun r = render({"-n", "2000"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 2), "\n\n");
    EXPECT_TRUE(std::string(scroll_text).starts_with(r.out)) << r.out;
}

uint32_t le32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    return v;
}

TEST(DemoRender, WavHoldsExactly735SamplesPerFrame) {
    struct Case {
        std::string              name;
        std::vector<std::string> args;
        int64_t                  frames;
        int64_t                  silent_from;  // frame from which every sample is 0; -1 none
    };
    const std::vector<Case> cases = {
        {"120 frames", {"-n", "120"}, 120, -1},
        {"one frame", {"-n", "1"}, 1, -1},
        // The Esc frame pumps nothing and the fade-out is silent: the music stops first.
        {"esc at 30", {"-n", "4001", "-k", "30:esc"}, 31 + 256, 30},
        {"fade cut short", {"-n", "40", "-k", "30:q"}, 40, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kt::TempDir dir;
        std::vector<std::string> args = c.args;
        args.push_back("--wav");
        args.push_back(dir.file("a.wav"));
        args.push_back("--sums");
        args.push_back(dir.file("sums"));
        const ProgramRun r = render(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(static_cast<int64_t>(read_sums(dir.file("sums")).size()), c.frames);
        const std::string wav = read_file(dir.file("a.wav"));
        const uint64_t data = static_cast<uint64_t>(c.frames) * 735 * 4;
        ASSERT_EQ(wav.size(), 44 + data);
        EXPECT_EQ(le32(wav, 4), 36 + data);
        EXPECT_EQ(le32(wav, 24), 44100u);
        EXPECT_EQ(le32(wav, 40), data);
        const size_t bytes_per_frame = 735 * 4;
        const int64_t loud_frames = c.silent_from < 0 ? c.frames : c.silent_from;
        bool any_sound = false;
        for (size_t i = 44; i < 44 + static_cast<size_t>(loud_frames) * bytes_per_frame; ++i)
            any_sound = any_sound || wav[i] != 0;
        EXPECT_TRUE(any_sound || c.frames < 2) << "the tune is silent";
        if (c.silent_from >= 0) {
            const size_t from = 44 + static_cast<size_t>(c.silent_from) * bytes_per_frame;
            const size_t loud = wav.find_first_not_of('\0', from);
            EXPECT_EQ(loud, std::string::npos) << "sound in frame " << (loud - 44) / bytes_per_frame;
        }
    }
}

TEST(DemoRender, SoundIsTheSameEveryRunAndLeavesTheEcho) {
    kt::TempDir dir;
    const ProgramRun a = render({"-n", "1500", "--wav", dir.file("a.wav"), "--sums", dir.file("a")});
    const ProgramRun b = render({"-n", "1500", "--wav", dir.file("b.wav"), "--sums", dir.file("b")});
    const ProgramRun quiet = render({"-n", "1500", "--sums", dir.file("q")});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_TRUE(read_file(dir.file("a.wav")) == read_file(dir.file("b.wav")));
    EXPECT_EQ(read_file(dir.file("a")), read_file(dir.file("b")));
    EXPECT_EQ(a.out, quiet.out);
    // Part 1 does not depend on the C library's generator, so the frames are those of the
    // silent run; the stars of part 2 are spawned from rand(), which the player's random()
    // shares, so from there the frames may differ.
    const auto loud = read_sums(dir.file("a")), silent = read_sums(dir.file("q"));
    for (int64_t i = 0; i < 1001; ++i) ASSERT_EQ(loud.at(i), silent.at(i)) << "frame " << i;
}

TEST(DemoRender, WritesTheSelectedFramesAsPictures) {
    kt::TempDir dir;
    const ProgramRun r = render({"-n", "1100", "-o", dir.file("frames"), "-s", "0,10-12,/500,1099",
                          "--sums", dir.file("sums")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto sums = read_sums(dir.file("sums"));
    const std::vector<int64_t> want = {0, 10, 11, 12, 500, 1000, 1099};
    std::vector<int64_t> got;
    for (const auto& [frame, sum] : sums) got.push_back(frame);
    EXPECT_EQ(got, want);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.file("frames"))) ++files;
    EXPECT_EQ(files, want.size());
    for (const int64_t f : want) {
        SCOPED_TRACE(f);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06lld.ppm", static_cast<long long>(f));
        kt::ImgPtr img(IMG_load_pnm((std::filesystem::path(dir.file("frames")) / name).c_str()));
        ASSERT_TRUE(img);
        EXPECT_EQ(img->width, 320);
        EXPECT_EQ(img->height, 240);
        EXPECT_EQ(frame_checksum(img.get()), sums.at(f));
    }
}

TEST(DemoRender, EscFadesToBlack) {
    kt::TempDir dir;
    const ProgramRun r = render({"-k", "200:esc", "-o", dir.file("f"), "-s", "200-", "--sums", dir.file("sums")});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto sums = read_sums(dir.file("sums"));
    ASSERT_EQ(sums.size(), 257u);
    const kt::ImgPtr black = kt::make_img(320, 240, 0);
    EXPECT_NE(sums.at(200 + 127), frame_checksum(black.get()));
    for (int64_t i = 200 + 128; i <= 200 + 256; ++i) ASSERT_EQ(sums.at(i), frame_checksum(black.get())) << i;
    // Each step lowers every channel by 2, stopping at 0.
    kt::ImgPtr before(IMG_load_pnm((std::filesystem::path(dir.file("f")) / "frame-000200.ppm").c_str()));
    kt::ImgPtr after(IMG_load_pnm((std::filesystem::path(dir.file("f")) / "frame-000201.ppm").c_str()));
    ASSERT_TRUE(before && after);
    for (int32_t i = 0; i < 320 * 240; ++i) {
        uint32_t want = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t c = (before->pixels[i] >> shift) & 0xff;
            want |= (c > 2 ? c - 2 : 0) << shift;
        }
        ASSERT_EQ(after->pixels[i], want) << "pixel " << i;
    }
}

TEST(DemoRender, MissingPictureEndsWithStatus1AndNamesIt) {
    for (const char* missing : demo_required_files) {
        SCOPED_TRACE(missing);
        kt::TempDir dir;
        for (const auto& e : std::filesystem::directory_iterator(KAPU_DATA_DIR))
            if (e.path().filename() != missing && e.path().extension() != ".xm") {
                std::filesystem::copy(e.path(), dir.path() / e.path().filename());
            }
        const ProgramRun r = render({"-n", "10"}, dir.path().string());
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("could not read the picture \"") + missing + "\""),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(dir.path().string()), std::string::npos) << r.err;
    }
}

TEST(DemoRender, MissingFontOrTuneOnlyLosesTextOrSound) {
    kt::TempDir dir;
    for (const auto& e : std::filesystem::directory_iterator(KAPU_DATA_DIR))
        if (e.path().extension() == ".ppm") std::filesystem::copy(e.path(), dir.path() / e.path().filename());
    const ProgramRun r = render({"-n", "1500", "--wav", dir.file("a.wav")}, dir.path().string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Error loading: "), std::string::npos) << r.err;
    const std::string wav = read_file(dir.file("a.wav"));
    ASSERT_EQ(wav.size(), 44 + 1500u * 735 * 4);
    EXPECT_EQ(wav.find_first_not_of('\0', 44), std::string::npos) << "sound without a tune";
}

TEST(DemoRender, RefusesBadOptionsWithStatus2) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--bogus"}, {"-n"}, {"-k", "1:nokey"}, {"-s", "9-1"}}) {
        SCOPED_TRACE(args[0]);
        const ProgramRun r = render(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("demo-render: "), std::string::npos);
        EXPECT_NE(r.err.find("--help"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
}

TEST(DemoRender, HelpListsTheOptions) {
    const ProgramRun r = render({"--help"}, "/");
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--frames", "--ppm", "--select", "--key", "--wav", "--video",
                               "--scale", "--lossless", "--sums", "--progress", "--no-progress", "--help"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

TEST(DemoRender, ProgressBarOnlyWhenAsked) {
    const ProgramRun quiet = render({"-n", "50"});
    EXPECT_EQ(quiet.err, "");
    const ProgramRun shown = render({"-n", "50", "--progress"});
    EXPECT_NE(shown.err.find("50/50 frames"), std::string::npos) << shown.err;
    EXPECT_EQ(shown.err.back(), '\n');
}

// Runs a command and returns its standard output.
std::string output_of(const std::string& command) {
    kt::TempDir dir;
    const int rc = std::system((command + " >" + quote(dir.file("out"))).c_str());
    return rc == 0 ? read_file(dir.file("out")) : "(failed: " + command + ")";
}

// Where a stream of a video ends on the container's time line, in seconds: its latest packet's
// time plus that packet's duration. Encoder padding past the end does not count, as players
// drop it.
double stream_end(const std::string& video, const char* stream) {
    std::istringstream csv(output_of(std::string("ffprobe -v error -select_streams ") + stream +
                                     " -show_entries packet=pts_time,duration_time -of csv=p=0 " +
                                     quote(video)));
    double end = -1;
    for (std::string line; std::getline(csv, line);) {
        double pts = 0, duration = 0;
        char comma = 0;
        if (std::istringstream(line) >> pts >> comma >> duration) end = std::max(end, pts + duration);
    }
    return end;
}

// Every format: 960 x 720 at 60 frames per second, every frame rendered, the tune as long as
// the frames. The lossless one shows frame 0 exactly, each pixel a 3 x 3 block.
TEST(DemoRender, VideoIsScaledThreeTimesAt60FramesWithSound) {
    ASSERT_EQ(std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null"), 0)
        << "ffmpeg and ffprobe are needed (scripts/setup.sh installs them)";
    struct Case {
        const char* file;
        bool        lossless;
        const char* video_codec;
        const char* audio_codec;
    };
    constexpr int64_t frames = 60;
    for (const Case& c : {Case{"v.mp4", false, "h264", "aac"}, Case{"v.webm", false, "vp9", "opus"},
                          Case{"v.mkv", true, "ffv1", "flac"}}) {
        SCOPED_TRACE(c.file);
        kt::TempDir dir;
        const std::string video = dir.file(c.file);
        std::vector<std::string> args = {"-n", std::to_string(frames), "--video", video,
                                         "-o", dir.file("ppm"), "-s", "0"};
        if (c.lossless) args.push_back("--lossless");
        const ProgramRun r = render(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string info = output_of(
            "ffprobe -v error -count_frames -show_entries "
            "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_frames -of compact " +
            quote(video));
        EXPECT_NE(info.find(std::string("codec_name=") + c.video_codec +
                            "|codec_type=video|width=960|height=720|r_frame_rate=60/1"),
                  std::string::npos) << info;
        EXPECT_NE(info.find("nb_read_frames=" + std::to_string(frames) + "\n"), std::string::npos)
            << info;
        EXPECT_NE(info.find(std::string("codec_name=") + c.audio_codec + "|codec_type=audio"),
                  std::string::npos) << info;
        // Both streams end with the last frame, give or take one frame (Matroska and WebM keep
        // times in milliseconds; AAC and Opus come in blocks of their own length).
        const double video_end = stream_end(video, "v");
        EXPECT_NEAR(video_end, static_cast<double>(frames) / 60, 1.0 / 60);
        EXPECT_NEAR(stream_end(video, "a"), video_end, 1.0 / 60);
        // Only the video and the frame picture are left: no temporary files beside them.
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
        EXPECT_EQ(files, 2u);
        if (!c.lossless) continue;

        const kt::ImgPtr frame0(IMG_load_pnm(dir.file("ppm/frame-000000.ppm").c_str()));
        ASSERT_TRUE(frame0);
        const std::string rgb = output_of("ffmpeg -v error -nostdin -i " + quote(video) +
                                          " -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
        ASSERT_EQ(rgb.size(), 960u * 720 * 3);
        size_t differing = 0;
        for (int32_t y = 0; y < 720; ++y)
            for (int32_t x = 0; x < 960; ++x) {
                const uint32_t want = frame0->pixels[(y / 3) * 320 + x / 3];
                const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (y * 960 + x) * 3;
                const uint32_t got = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
                if (got != want && differing++ == 0)
                    ADD_FAILURE() << "first differing pixel (" << x << ", " << y << "): " << std::hex
                                  << got << " instead of " << want;
            }
        EXPECT_EQ(differing, 0u);
    }
}

// ---------------------------------------------------------------------------------------------
// How a run ends: closed standard descriptors, outputs that fail, signals, memory running out,
// outputs that would overwrite the data or one another.

constexpr size_t wav_frame_bytes = 735 * 4;
constexpr size_t raw_frame_bytes = 320 * 240 * 4;

std::vector<std::string> render_args(std::vector<std::string> args) {
    args.insert(args.begin(), KAPU_DEMO_RENDER);
    return args;
}

// Whether a --sums file holds only whole "FRAME CHECKSUM" lines, frames rising; their number in
// *lines.
::testing::AssertionResult whole_sum_lines(const std::string& path, size_t* lines) {
    const std::string text = read_file(path);
    *lines = 0;
    if (!text.empty() && text.back() != '\n')
        return ::testing::AssertionFailure() << path << " ends inside a line";
    std::istringstream in(text);
    long long last = -1;
    for (std::string line; std::getline(in, line); ++*lines) {
        const size_t space = line.find(' ');
        const std::string frame = line.substr(0, space);
        const std::string hex = space == std::string::npos ? "" : line.substr(space + 1);
        const bool whole = !frame.empty() && frame.find_first_not_of("0123456789") == std::string::npos &&
                           hex.size() == 16 && hex.find_first_not_of("0123456789abcdef") == std::string::npos;
        if (!whole || std::stoll(frame) <= last)
            return ::testing::AssertionFailure() << path << " line " << *lines + 1 << ": \"" << line << "\"";
        last = std::stoll(frame);
    }
    return ::testing::AssertionSuccess();
}

// Whether a WAV file is whole: its header counts every byte after it, in whole frames of 735
// samples; their number in *frames.
::testing::AssertionResult whole_wav(const std::string& path, size_t* frames) {
    const std::string wav = read_file(path);
    *frames = 0;
    if (wav.size() < 44) return ::testing::AssertionFailure() << path << " has " << wav.size() << " bytes";
    const size_t data = wav.size() - 44;
    if (le32(wav, 40) != data || le32(wav, 4) != data + 36)
        return ::testing::AssertionFailure() << path << ": the header counts " << le32(wav, 40)
                                             << " data bytes, the file holds " << data;
    if (data % wav_frame_bytes != 0)
        return ::testing::AssertionFailure() << path << ": " << data << " bytes are no whole frames";
    *frames = data / wav_frame_bytes;
    return ::testing::AssertionSuccess();
}

// A stand-in for ffmpeg on the PATH: "-version" answers; an encode (from pipe:0) copies the raw
// frames into its output file, or with KAPU_STUB_FFMPEG=fail ends at once; a mux copies its
// first input into its output file. So a video is the frames exactly as demo-render sent them.
// Files must be named "file:/absolute/path" (status 3 otherwise), as ffmpeg reads no other
// name unambiguously.
std::string stub_ffmpeg(const kt::TempDir& dir) {
    const std::string bin = dir.file("bin");
    std::filesystem::create_directories(bin);
    const std::string script = (std::filesystem::path(bin) / "ffmpeg").string();
    std::ofstream(script) << R"(#!/bin/sh
for a; do last=$a; done
case " $* " in *" -version "*) exit 0;; esac
case $last in file:/*) last=${last#file:};; *) exit 3;; esac
case " $* " in
  *" pipe:0 "*) [ "$KAPU_STUB_FFMPEG" = fail ] && exit 1; exec cat >"$last";;
esac
first= prev=
for a; do [ "$prev" = -i ] && [ -z "$first" ] && first=$a; prev=$a; done
case $first in file:/*) first=${first#file:};; *) exit 3;; esac
exec cp "$first" "$last"
)";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return "PATH=" + bin + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
}

TEST(DemoRender, ClosedStandardDescriptorsLeaveTheOutputsAlone) {
    // From frame 1001 the scroller echoes its text on standard output; were a file opened as
    // descriptor 1, the text would land inside it.
    kt::TempDir dir;
    const auto args = [&](const std::string& name) {
        return render_args({"-n", "1400", "--no-progress", "--wav", dir.file(name + ".wav"),
                            "--sums", dir.file(name + ".sums")});
    };
    const kt::ChildEnd plain = kt::run_child({args("plain"), KAPU_DATA_DIR, dir.file("plain.out"), "", {}, {}});
    ASSERT_TRUE(plain.exited && plain.status == 0);
    ASSERT_NE(read_file(dir.file("plain.out")), "");
    for (const std::vector<int>& closed : std::vector<std::vector<int>>{{1}, {0, 1, 2}, {0, 2}, {2}}) {
        std::string name = "closed";
        for (const int fd : closed) name += "-" + std::to_string(fd);
        SCOPED_TRACE(name);
        const kt::ChildEnd end =
            kt::run_child({args(name), KAPU_DATA_DIR, dir.file(name + ".out"), "", closed, {}});
        EXPECT_TRUE(end.exited && end.status == 0) << end.status << " signal " << end.signal;
        EXPECT_TRUE(read_file(dir.file(name + ".wav")) == read_file(dir.file("plain.wav")))
            << "the WAV differs from that of a run with every descriptor open";
        size_t lines = 0;
        EXPECT_TRUE(whole_sum_lines(dir.file(name + ".sums"), &lines));
        EXPECT_EQ(lines, 1400u);
        EXPECT_EQ(read_file(dir.file(name + ".sums")), read_file(dir.file("plain.sums")));
    }
}

// The names in a folder that begin with a dot: the temporaries of a run.
std::vector<std::string> dot_files(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().starts_with(".")) names.push_back(e.path().filename().string());
    return names;
}

// A failure stops the run, says what failed, and leaves none of the run's files behind: not
// the file that failed (a WAV cut off by a full disk), not the others, not their temporaries.
TEST(DemoRender, StopsAtTheFirstOutputThatFailsAndLeavesNoFile) {
    struct Case {
        std::string              name;
        std::vector<std::string> args;
        std::string              message;
        std::string              out = "";                 // standard output; empty: a file
        rlim_t                   file_size = RLIM_INFINITY;  // the disk's room, as a size limit
    };
    kt::TempDir dir;
    const std::string frames = dir.file("frames");
    std::filesystem::create_directories(std::filesystem::path(frames) / "frame-000003.ppm");
    const std::string sums = dir.file("sums"), wav = dir.file("a.wav"), video = dir.file("v.mp4");
    const std::vector<Case> cases = {
        {"WAV on a full device", {"--wav", "/dev/full", "--sums", sums},
         "demo-render: could not write /dev/full: No space left on device\n"},
        {"checksums on a full device", {"--sums", "/dev/full", "--wav", wav},
         "demo-render: could not write /dev/full: No space left on device\n"},
        {"WAV on a full disk", {"--wav", wav, "--sums", sums},
         "demo-render: could not write " + wav + ": File too large\n", "", 1 << 20},
        {"a picture that cannot be made", {"-o", frames, "--sums", sums},
         "demo-render: could not write " + frames + "/frame-000003.ppm: Is a directory\n"},
        {"ffmpeg ending at once", {"--video", video, "--sums", sums},
         "demo-render: could not write " + video + ": ffmpeg stopped taking the frames\n"},
        {"standard output on a full device", {"--wav", wav, "--sums", sums},
         "demo-render: could not write the standard output: No space left on device\n", "/dev/full"},
    };
    const std::string path = stub_ffmpeg(dir);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"-n", "40000", "--no-progress"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        kt::ChildSpec child{render_args(args), KAPU_DATA_DIR, c.out.empty() ? dir.file("out") : c.out,
                            dir.file("err"), {}, {path, "KAPU_STUB_FFMPEG=fail"}};
        child.file_size = c.file_size;
        const kt::ChildEnd end = kt::run_child(child);
        EXPECT_TRUE(end.exited && end.status == 1) << end.status << " signal " << end.signal;
        EXPECT_NE(read_file(dir.file("err")).find(c.message), std::string::npos) << read_file(dir.file("err"));
        for (const std::string& file : {sums, wav, video}) EXPECT_FALSE(std::filesystem::exists(file)) << file;
        EXPECT_EQ(dot_files(dir.path()), std::vector<std::string>{});
        EXPECT_EQ(dot_files(frames), std::vector<std::string>{});
    }
    // The frame pictures made before the failure stay, each whole.
    for (const char* name : {"frame-000000.ppm", "frame-000001.ppm", "frame-000002.ppm"}) {
        const kt::ImgPtr picture(IMG_load_pnm((std::filesystem::path(frames) / name).c_str()));
        EXPECT_TRUE(picture) << name;
    }
}

// A reader of the echo that went away ends the run quietly, as `yes | head` ends, with status 1
// and no file left; a run in which standard output took nothing is no success.
TEST(DemoRender, EchoReaderLeavingEndsTheRunQuietly) {
    kt::TempDir dir;
    const std::string fifo = dir.file("fifo"), sums = dir.file("sums"), wav = dir.file("a.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    // start_child opens the FIFO for the program before it returns; then its reader leaves.
    const pid_t pid = kt::start_child({render_args({"-n", "40000", "--no-progress", "--sums", sums,
                                                    "--wav", wav}),
                                       KAPU_DATA_DIR, fifo, dir.file("err"), {}, {}});
    close(reader);
    ASSERT_GT(pid, 0);
    const kt::ChildEnd end = kt::wait_child(pid);
    EXPECT_TRUE(end.exited && end.status == 1) << end.status << " signal " << end.signal;
    EXPECT_EQ(read_file(dir.file("err")), "");
    EXPECT_FALSE(std::filesystem::exists(sums));
    EXPECT_FALSE(std::filesystem::exists(wav));
    EXPECT_EQ(dot_files(dir.path()), std::vector<std::string>{});
}

// Waits until the run has written at least `lines` checksum lines into the temporary of the
// --sums file `sums`; false when it ended first.
bool wait_for_lines(pid_t pid, const std::filesystem::path& sums, size_t lines) {
    const std::string prefix = "." + sums.filename().string() + ".";
    while (true) {
        for (const std::string& name : dot_files(sums.parent_path())) {
            if (!name.starts_with(prefix)) continue;
            const std::string text = read_file(sums.parent_path() / name);
            if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) return true;
        }
        if (const kt::ChildEnd end = kt::wait_child(pid, false); end.exited || end.signal != 0) return false;
        usleep(10000);
    }
}

TEST(DemoRender, StopSignalFinishesTheOutputsThenEndsByTheSignal) {
    struct Case {
        std::string name;
        int         signal;
        bool        video;
    };
    for (const Case& c : {Case{"SIGTERM", SIGTERM, false}, Case{"SIGINT", SIGINT, false},
                          Case{"SIGTERM making a video", SIGTERM, true},
                          Case{"SIGHUP making a video", SIGHUP, true},
                          Case{"SIGQUIT", SIGQUIT, false}}) {
        SCOPED_TRACE(c.name);
        kt::TempDir dir;
        const std::string sums = dir.file("sums"), wav = dir.file("a.wav"), video = dir.file("v.mp4");
        std::vector<std::string> args = {"-n", "1000000", "--no-progress", "--sums", sums};
        for (const std::string& a : c.video ? std::vector<std::string>{"--video", video}
                                            : std::vector<std::string>{"--wav", wav})
            args.push_back(a);
        const pid_t pid = kt::start_child(
            {render_args(args), KAPU_DATA_DIR, dir.file("out"), dir.file("err"), {}, {stub_ffmpeg(dir)}});
        ASSERT_GT(pid, 0);
        if (!wait_for_lines(pid, sums, 30)) FAIL() << "the run ended early: " << read_file(dir.file("err"));
        // Until the run ends, its files have only their temporary names: no reader sees a part.
        for (const std::string& file : {sums, wav, video}) EXPECT_FALSE(std::filesystem::exists(file)) << file;
        kill(pid, c.signal);
        const kt::ChildEnd end = kt::wait_child(pid);
        EXPECT_FALSE(end.exited) << "exit status " << end.status << ": " << read_file(dir.file("err"));
        EXPECT_EQ(end.signal, c.signal);
        size_t lines = 0;
        EXPECT_TRUE(whole_sum_lines(sums, &lines));
        EXPECT_GE(lines, 30u);
        EXPECT_LT(lines, 1000000u);
        EXPECT_EQ(dot_files(dir.path()), std::vector<std::string>{});
        if (c.video) {
            EXPECT_EQ(std::filesystem::file_size(video), lines * raw_frame_bytes);
        } else {
            size_t sound_frames = 0;
            EXPECT_TRUE(whole_wav(wav, &sound_frames));
            EXPECT_EQ(sound_frames, lines) << "sound and checksums end at different frames";
        }
    }
}

// A video's frames and sound are made in temporaries of its own making: files and links that
// happen to have the names such temporaries once had are left as they are.
TEST(DemoRender, VideoTouchesNoFileItDidNotMake) {
    kt::TempDir dir;
    const std::filesystem::path v = dir.path() / "v";
    std::filesystem::create_directories(v);
    dir.write("v/kapu.frames.mp4", "mine");
    dir.write("v/kapu.sound-aaaaaa.wav", "mine too");
    dir.write("target.wav", "the link's target");
    std::filesystem::create_symlink("../target.wav", v / "kapu.sound.wav");
    const kt::ChildEnd end = kt::run_child({render_args({"-n", "30", "--no-progress", "--video",
                                                         (v / "kapu.mp4").string()}),
                                            KAPU_DATA_DIR, dir.file("out"), dir.file("err"), {},
                                            {stub_ffmpeg(dir)}});
    ASSERT_TRUE(end.exited && end.status == 0) << read_file(dir.file("err"));
    EXPECT_EQ(std::filesystem::file_size(v / "kapu.mp4"), 30 * raw_frame_bytes);
    EXPECT_EQ(read_file(v / "kapu.frames.mp4"), "mine");
    EXPECT_EQ(read_file(v / "kapu.sound-aaaaaa.wav"), "mine too");
    EXPECT_TRUE(std::filesystem::is_symlink(v / "kapu.sound.wav"));
    EXPECT_EQ(read_file(dir.file("target.wav")), "the link's target");
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(v)) ++files;
    EXPECT_EQ(files, 4u) << "the video and the three files that were there";
}

// Names that ffmpeg would take for an option or a protocol make videos like any other name.
TEST(DemoRender, VideoNamesWithDashOrColonAreFileNames) {
    ASSERT_EQ(std::system("command -v ffmpeg >/dev/null"), 0) << "ffmpeg is needed (scripts/setup.sh)";
    kt::TempDir dir;
    for (const auto& e : std::filesystem::directory_iterator(KAPU_DATA_DIR))
        std::filesystem::copy(e.path(), dir.path() / e.path().filename());
    for (const std::string name : {"-v.mp4", "a:b.mp4", "file:c.mkv"}) {
        SCOPED_TRACE(name);
        const ProgramRun r = render({"-n", "5", "--video=" + name}, dir.path().string());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_GT(std::filesystem::file_size(dir.path() / name), 0u);
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 11u + 3u) << "the data files and the three videos, nothing else";
}

// A FIFO as an output is refused at once, whether a reader waits on it or not; waiting for a
// reader would hold the run where no signal could end it.
TEST(DemoRender, RefusesAFifoAsAnOutput) {
    kt::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const char* option : {"--wav", "--sums", "--video"}) {
        SCOPED_TRACE(option);
        const ProgramRun r = render({"-n", "10", option, fifo});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("is neither a file nor a device"), std::string::npos) << r.err;
    }
}

TEST(DemoRender, RefusesOutputsOverTheDataOrOneAnother) {
    kt::TempDir dir;
    for (const auto& e : std::filesystem::directory_iterator(KAPU_DATA_DIR))
        std::filesystem::copy(e.path(), dir.path() / e.path().filename());
    dir.write("taken", "kept as it is");
    const auto contents = [&] {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            files[e.path().filename().string()] = read_file(e.path());
        return files;
    };
    const auto before = contents();
    const std::vector<std::vector<std::string>> cases = {
        {"-w", "quenFalox.xm"},
        {"--wav", dir.file("K.ppm")},
        {"--sums", "./sub/../logotype1.ppm"},
        {"-o", "font1526.pbm"},
        {"--video", "quenFalox.xm"},
        {"-w", "taken", "--sums", "taken"},
        {"-w", "taken", "--sums", dir.file("taken")},
        {"-o", dir.file("f"), "--sums", "f/frame-000001.ppm"},
    };
    for (const std::vector<std::string>& c : cases) {
        std::string joined;
        for (const std::string& a : c) joined += a + " ";
        SCOPED_TRACE(joined);
        const ProgramRun r = render(c, dir.path().string());
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.starts_with("demo-render: ")) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(contents() == before) << "a file was written or changed";
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

TEST(DemoRender, OutOfMemoryEndsWithAMessageAndWholeOutputs) {
    if (sanitized) GTEST_SKIP() << "the sanitizer's allocator cannot be replaced by a preloaded one";
    kt::TempDir dir;
    const std::string sums = dir.file("sums"), wav = dir.file("a.wav"), count = dir.file("count");
    // Each run starts from the same empty folder: what exists changes the allocations made.
    const auto run = [&](const std::string& env) {
        std::filesystem::remove(sums);
        std::filesystem::remove(wav);
        std::filesystem::remove_all(dir.file("frames"));
        return kt::run_child(
            {render_args({"-n", "300", "--no-progress", "--wav", wav, "--sums", sums, "-o",
                          dir.file("frames"), "-s", "/40"}),
             KAPU_DATA_DIR, dir.file("out"), dir.file("err"), {},
             {std::string("LD_PRELOAD=") + KAPU_FAILING_NEW, env}});
    };
    // How many times a whole run calls operator new; then the failures are spread over them,
    // from the options to the last frame and the end.
    const kt::ChildEnd whole = run("KAPU_COUNT_NEW=" + count);
    ASSERT_TRUE(whole.exited && whole.status == 0) << read_file(dir.file("err"));
    const long long total = std::stoll(read_file(count));
    std::vector<long long> allowances = {total - 1, total - 2, total - 3};
    for (long long k = 0; k < 24; ++k) allowances.push_back(k * total / 24);
    bool while_rendering = false;
    for (const long long n : allowances) {
        SCOPED_TRACE("allocations allowed: " + std::to_string(n) + " of " + std::to_string(total));
        const kt::ChildEnd end = run("KAPU_FAIL_NEW_AFTER=" + std::to_string(n));
        const std::string err = read_file(dir.file("err"));
        ASSERT_TRUE(end.exited) << "ended by signal " << end.signal << ": " << err;
        EXPECT_EQ(err.find("terminate called"), std::string::npos) << err;
        // A library that gets along without what it could not have may let the run succeed.
        if (end.status != 0) {
            EXPECT_EQ(end.status, 1);
            EXPECT_TRUE(err.starts_with("demo-render: out of memory while ")) << err;
        }
        while_rendering = while_rendering || err.find("while writing the") != std::string::npos;
        size_t lines = 0, sound_frames = 0;
        if (std::filesystem::exists(sums)) {
            EXPECT_TRUE(whole_sum_lines(sums, &lines));
        }
        if (std::filesystem::exists(wav)) {
            EXPECT_TRUE(whole_wav(wav, &sound_frames));
        }
    }
    EXPECT_TRUE(while_rendering) << "no allowance ran out in the middle of the frames";
}

}  // namespace
