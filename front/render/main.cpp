// front/render/main.cpp: demo-render, the demo's part cycle without display or sound device,
// writing chosen frames as pictures, the tune as a WAV file and the whole as a video.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "main/demo.h"
#include "music/music.h"
#include "front/render/capture.h"
#include "front/render/frame_io.h"
#include "front/render/options.h"
#include "front/render/render_loop.h"

extern char** environ;

namespace {

// The raw frames go to ffmpeg as they lie in memory, 0x00RRGGBB words = bytes B G R 0.
static_assert(std::endian::native == std::endian::little);

// Runs a program found on the PATH; with `feed`, its standard input is the read end of a new
// pipe whose write end is returned there. The child's pid, or -1 when it cannot start.
pid_t spawn(const std::vector<std::string>& args, int* feed) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = {-1, -1};
    if (feed) {
        if (pipe2(fds, O_CLOEXEC) != 0) return -1;
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    }
    // The demo's echo owns standard output; nothing of ffmpeg's may land there.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (feed) {
        close(fds[0]);
        if (rc != 0) close(fds[1]);
        *feed = rc == 0 ? fds[1] : -1;
    }
    return rc == 0 ? pid : -1;
}

bool wait_ok(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool write_all(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ffmpeg_present() {
    const pid_t pid = spawn({"ffmpeg", "-hide_banner", "-loglevel", "quiet", "-version"}, nullptr);
    return pid > 0 && wait_ok(pid);
}

// H.264 for .mp4 and .mkv, VP9 for .webm; frames scaled up with nearest-neighbour sampling.
std::vector<std::string> video_encode_args(const std::string& out, int32_t scale) {
    const bool webm = std::filesystem::path(out).extension() == ".webm";
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "bgr0",
        "-s", std::to_string(screen_w) + "x" + std::to_string(screen_h),
        "-r", std::to_string(render_fps), "-i", "pipe:0",
        "-sws_flags", "neighbor",
        "-vf", "scale=" + std::to_string(screen_w * scale) + ":" + std::to_string(screen_h * scale) +
                   ":flags=neighbor,format=yuv420p",
        "-an"};
    if (webm) {
        for (const char* a : {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32", "-deadline",
                              "realtime", "-cpu-used", "8", "-row-mt", "1"})
            args.emplace_back(a);
    } else {
        for (const char* a : {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"})
            args.emplace_back(a);
    }
    args.push_back(out);
    return args;
}

std::vector<std::string> video_mux_args(const std::string& video, const std::string& wav,
                                        const std::string& out) {
    const bool webm = std::filesystem::path(out).extension() == ".webm";
    return {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-i", video,
            "-i", wav, "-map", "0:v", "-map", "1:a", "-c:v", "copy",
            "-c:a", webm ? "libopus" : "aac", "-b:a", "192k", out};
}

class Progress {
public:
    Progress(bool on, int64_t total) : on_(on), total_(total > 0 ? total : 1) {}
    void update(int64_t done) {
        if (!on_) return;
        const int64_t percent = done * 100 / total_;
        if (percent == last_) return;
        last_ = percent;
        constexpr int64_t width = 40;
        const int64_t filled = done * width / total_;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.resize(width, '.');
        std::fprintf(stderr, "\rdemo-render [%s] %3lld%% %lld/%lld frames", bar.c_str(),
                     static_cast<long long>(percent), static_cast<long long>(done),
                     static_cast<long long>(total_));
        std::fflush(stderr);
    }
    void finish() {
        if (on_ && last_ >= 0) std::fputc('\n', stderr);
    }

private:
    bool    on_;
    int64_t total_;
    int64_t last_ = -1;
};

struct Outputs {
    explicit Outputs(const RenderOptions& o) : options(o) {}
    const RenderOptions& options;
    std::FILE*           sums = nullptr;
    WavWriter            wav{nullptr, 0};
    bool                 sound = false;
    int                  video_fd = -1;
    pid_t                video_pid = -1;
    bool                 failed = false;
    std::string          failure;

    void fail(const std::string& what) {
        if (!failed) failure = what;
        failed = true;
    }

    void show(int64_t index, const IMG* frame) {
        if (failed) return;
        if (frame_selected(options.select, index)) {
            if (!options.ppm_dir.empty()) {
                char name[32];
                std::snprintf(name, sizeof name, "frame-%06lld.ppm", static_cast<long long>(index));
                const std::string path = (std::filesystem::path(options.ppm_dir) / name).string();
                if (IMG_save_ppm(frame, path.c_str()) != 1) fail("could not write " + path);
            }
            if (sums)
                std::fprintf(sums, "%lld %s\n", static_cast<long long>(index),
                             checksum_hex(frame_checksum(frame)).c_str());
        }
        if (video_fd >= 0 &&
            !write_all(video_fd, frame->pixels,
                       static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 4))
            fail("ffmpeg stopped taking frames");
    }

    void end_frame() {
        if (!sound) return;
        const std::span<const int16_t> pcm = capture_frame();
        if (!wav_write(&wav, pcm.data(), pcm.size() / 2)) fail("could not write the sound");
        capture_clear();
    }
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "demo-render: %s\nTry \"demo-render --help\".\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    if (!render_parse_options(argc, argv, &options, &error)) return usage_error(error);
    if (options.help) {
        std::fputs(render_usage().c_str(), stdout);
        return 0;
    }
    if (!options.video_path.empty() && !ffmpeg_present())
        return usage_error("--video needs ffmpeg, which was not found on the PATH");
    signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a write error instead

    const char* missing = demo_create_objects(screen_w, screen_h);
    if (missing != nullptr) {
        demo_report_missing("demo-render", missing);
        demo_release_objects();
        return 1;
    }

    Outputs out(options);
    auto give_up = [&](const std::string& what) {
        std::fprintf(stderr, "demo-render: %s\n", what.c_str());
        demo_release_objects();
        return 1;
    };
    if (!options.ppm_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.ppm_dir, ec);
        if (ec) return give_up("could not make the folder " + options.ppm_dir + ": " + ec.message());
    }
    if (!options.sums_path.empty()) {
        out.sums = std::fopen(options.sums_path.c_str(), "w");
        if (!out.sums) return give_up("could not write " + options.sums_path);
    }
    // A video takes its sound from a WAV file: the one asked for, or a temporary one beside it.
    std::string wav_path = options.wav_path;
    std::string video_only;
    if (!options.video_path.empty()) {
        const std::filesystem::path v(options.video_path);
        video_only = (v.parent_path() / (v.stem().string() + ".frames" + v.extension().string())).string();
        if (wav_path.empty())
            wav_path = (v.parent_path() / (v.stem().string() + ".sound.wav")).string();
    }
    if (!wav_path.empty()) {
        if (!wav_open(&out.wav, wav_path.c_str())) return give_up("could not write " + wav_path);
        out.sound = true;
        capture_register();
        music_driver_alias = capture_alias;
        music_start();
    }
    if (!options.video_path.empty()) {
        out.video_pid = spawn(video_encode_args(video_only, options.video_scale), &out.video_fd);
        if (out.video_pid < 0) return give_up("could not start ffmpeg");
    }

    Progress progress(options.progress == 1 || (options.progress < 0 && isatty(2)),
                      options.frames);
    RenderHooks hooks;
    hooks.show = [&](int64_t index, DemoStage, const IMG* frame) { out.show(index, frame); };
    hooks.end_frame = [&](int64_t index) {
        out.end_frame();
        progress.update(index + 1);
    };
    if (out.sound) {
        hooks.pump = [] { music_pump(); };
        hooks.stop = [] { music_stop(); };
    }
    render_run(options.frames, options.keys, hooks);  // releases the objects at its end
    progress.finish();

    if (out.sums && std::fclose(out.sums) != 0) out.fail("could not write " + options.sums_path);
    if (out.sound && !wav_close(&out.wav)) out.fail("could not write " + wav_path);
    if (out.video_pid > 0) {
        close(out.video_fd);
        if (!wait_ok(out.video_pid)) out.fail("ffmpeg could not encode " + video_only);
        if (!out.failed) {
            const pid_t mux = spawn(video_mux_args(video_only, wav_path, options.video_path), nullptr);
            if (mux < 0 || !wait_ok(mux)) out.fail("ffmpeg could not write " + options.video_path);
        }
        std::error_code ec;
        std::filesystem::remove(video_only, ec);
        if (options.wav_path.empty()) std::filesystem::remove(wav_path, ec);
    }
    if (out.failed) {
        std::fprintf(stderr, "demo-render: %s\n", out.failure.c_str());
        return 1;
    }
    return 0;
}
