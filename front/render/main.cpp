// front/render/main.cpp: demo-render, the demo's part cycle without display or sound device,
// writing chosen frames as pictures, the tune as a WAV file and the whole as a video.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "main/demo.h"
#include "music/music.h"
#include "front/render/capture.h"
#include "front/render/frame_io.h"
#include "front/render/options.h"
#include "front/render/render_loop.h"
#include "util/standard_streams.h"

extern char** environ;

namespace {

// The raw frames go to ffmpeg as they lie in memory, 0x00RRGGBB words = bytes B G R 0.
static_assert(std::endian::native == std::endian::little);

// The first SIGINT or SIGTERM that came; 0 while none did.
volatile std::sig_atomic_t stop_signal = 0;

// What the program was doing, for the message when memory runs out.
const char* doing = "starting";

void on_stop_signal(int sig) {
    if (stop_signal == 0) stop_signal = sig;
}

// SIGINT and SIGTERM stop the run at the next frame boundary, so that the outputs are finished
// before the program ends by the signal; a second one ends it at once (SA_RESETHAND). A signal
// ignored at the start stays ignored, as a background job expects. SA_RESTART keeps a signal
// from cutting a write into a pipe short.
void catch_stop_signals() {
    for (const int sig : {SIGINT, SIGTERM}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction act {};
        act.sa_handler = on_stop_signal;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESTART | SA_RESETHAND;
        sigaction(sig, &act, nullptr);
    }
}

// Runs a program found on the PATH; with `feed`, its standard input is the read end of a new
// pipe whose write end is returned there. The child's pid, or -1 when it cannot start. It runs
// in a process group of its own, so that a Ctrl-C at the terminal reaches demo-render alone,
// which then ends the child's input and lets it finish its file.
pid_t spawn(const std::vector<std::string>& args, int* feed) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    if (feed) {
        *feed = -1;
        if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (feed) posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    // The demo's echo owns standard output; nothing of ffmpeg's may land there.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
#ifdef SIGPIPE  // not on Windows
    sigaddset(&defaults, SIGPIPE);  // ignored here, where a failed write is reported instead
#endif
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, static_cast<short>(POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF));
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
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

void append(std::vector<std::string>* args, std::initializer_list<const char*> more) {
    args->insert(args->end(), more.begin(), more.end());
}

// H.264 for .mp4 and .mkv, VP9 for .webm, FFV1 for a lossless .mkv; frames scaled up with
// nearest-neighbour sampling. The lossless path stays in RGB from the pipe to the file, so each
// pixel is the rendered one repeated scale x scale times.
std::vector<std::string> video_encode_args(const std::string& out, int32_t scale, bool lossless) {
    const bool webm = std::filesystem::path(out).extension() == ".webm";
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
        "-f", "rawvideo", "-pix_fmt", "bgr0",
        "-s", std::to_string(screen_w) + "x" + std::to_string(screen_h),
        "-r", std::to_string(render_fps), "-i", "pipe:0",
        "-sws_flags", "neighbor",
        "-vf", "scale=" + std::to_string(screen_w * scale) + ":" + std::to_string(screen_h * scale) +
                   ":flags=neighbor" + (lossless ? "" : ",format=yuv420p"),
        "-an"};
    if (lossless)
        append(&args, {"-c:v", "ffv1", "-level", "3", "-pix_fmt", "bgr0"});
    else if (webm)
        append(&args, {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32", "-deadline", "realtime",
                       "-cpu-used", "8", "-row-mt", "1"});
    else
        append(&args, {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"});
    args.push_back(out);
    return args;
}

std::vector<std::string> video_mux_args(const std::string& video, const std::string& wav,
                                        const std::string& out, bool lossless) {
    const bool webm = std::filesystem::path(out).extension() == ".webm";
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin",
                                     "-y", "-i", video, "-i", wav, "-map", "0:v", "-map", "1:a",
                                     "-c:v", "copy"};
    if (lossless)
        append(&args, {"-c:a", "flac"});
    else
        append(&args, {"-c:a", webm ? "libopus" : "aac", "-b:a", "192k"});
    args.push_back(out);
    return args;
}

// The bar is drawn without allocating, so that it keeps working when memory runs short.
class Progress {
public:
    Progress(bool on, int64_t total) : on_(on), total_(total > 0 ? total : 1) {}
    void update(int64_t done) {
        if (!on_) return;
        const int64_t percent = done * 100 / total_;
        if (percent == last_) return;
        last_ = percent;
        constexpr int64_t width = 40;
        const int64_t filled = std::min(done * width / total_, width);
        std::array<char, width + 1> bar{};
        for (int64_t i = 0; i < width; ++i) bar[static_cast<size_t>(i)] = i < filled ? '#' : '.';
        std::fprintf(stderr, "\rdemo-render [%s] %3lld%% %lld/%lld frames", bar.data(),
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

// The files a run writes and the encoder it feeds. The first output that fails stops the run
// at the next frame boundary (`stopped`), and nothing more is written after it. Every output is
// finished however the run ends: by `finish`, or by the destructor for what an exception left.
class Outputs {
public:
    explicit Outputs(const RenderOptions& options) : options_(options) {}
    ~Outputs() { close_all(); }
    Outputs(const Outputs&) = delete;
    Outputs& operator=(const Outputs&) = delete;

    // Makes the folder, creates the files, starts ffmpeg, then the music; false at the first
    // that fails.
    bool open();
    // One shown frame: its picture and checksum line when it is selected, its pixels to ffmpeg.
    void show(int64_t index, const IMG* frame) noexcept;
    // The frame's sound, once its tail has fed the music.
    void end_frame() noexcept;
    [[nodiscard]] bool sound() const { return sound_; }
    [[nodiscard]] bool stopped() const { return !failure_.empty() || out_of_memory_ != nullptr; }
    // Closes every output and puts the video together from its frames and sound when nothing
    // failed; then tells on standard error what failed. False when anything did.
    bool finish();

private:
    void fail(const std::string& file, const char* reason) {
        if (failure_.empty()) failure_ = "could not write " + file + ": " + reason;
    }
    void fail_errno(const std::string& file) {
        const int error = errno;
        fail(file, std::strerror(error));
    }
    void out_of_memory(const char* what) noexcept {
        if (!out_of_memory_) out_of_memory_ = what;
    }
    void remove_temporaries() noexcept {
        std::error_code ec;
        if (!temp_frames_.empty()) std::filesystem::remove(temp_frames_, ec);
        if (!temp_sound_.empty()) std::filesystem::remove(temp_sound_, ec);
        temp_frames_.clear();
        temp_sound_.clear();
    }
    void close_all() noexcept;

    const RenderOptions&  options_;
    std::FILE*            sums_ = nullptr;
    WavWriter             wav_{nullptr, 0};
    std::string           wav_path_;     // --wav, or the video's temporary sound
    bool                  sound_ = false;
    std::string           frames_path_;  // the video's frames alone, while it is made
    int                   video_fd_ = -1;
    pid_t                 video_pid_ = -1;
    std::filesystem::path temp_frames_, temp_sound_;  // still to be removed
    std::string           failure_;      // "could not write FILE: reason" of the first failure
    const char*           out_of_memory_ = nullptr;  // what was being done when memory ran out
};

bool Outputs::open() {
    if (!options_.ppm_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options_.ppm_dir, ec);
        if (ec) {
            failure_ = "could not make the folder " + options_.ppm_dir + ": " + ec.message();
            return false;
        }
    }
    if (!options_.sums_path.empty()) {
        sums_ = std::fopen(options_.sums_path.c_str(), "w");
        if (!sums_) {
            fail_errno(options_.sums_path);
            return false;
        }
    }
    // A video takes its sound from a WAV file: the one asked for, or a temporary one beside it.
    wav_path_ = options_.wav_path;
    if (!options_.video_path.empty()) {
        frames_path_ = render_video_frames_path(options_.video_path);
        if (wav_path_.empty()) {
            wav_path_ = render_video_sound_path(options_.video_path);
            temp_sound_ = wav_path_;
        }
    }
    if (!wav_path_.empty() && !wav_open(&wav_, wav_path_.c_str())) {
        fail_errno(wav_path_);
        return false;
    }
    if (!options_.video_path.empty()) {
        temp_frames_ = frames_path_;
        video_pid_ = spawn(video_encode_args(frames_path_, options_.video_scale, options_.lossless),
                           &video_fd_);
        if (video_pid_ < 0) {
            failure_ = "could not start ffmpeg";
            return false;
        }
    }
    if (!wav_path_.empty()) {
        sound_ = true;
        capture_register();
        music_driver_alias = capture_alias;
        music_start();
    }
    return true;
}

void Outputs::show(int64_t index, const IMG* frame) noexcept {
    if (stopped()) return;
    try {
        if (frame_selected(options_.select, index)) {
            if (!options_.ppm_dir.empty()) {
                char name[32];
                std::snprintf(name, sizeof name, "frame-%06lld.ppm", static_cast<long long>(index));
                const std::string path = (std::filesystem::path(options_.ppm_dir) / name).string();
                errno = 0;
                if (IMG_save_ppm(frame, path.c_str()) != 1) {
                    const int error = errno;
                    fail(path, error != 0 ? std::strerror(error) : "write error");
                    return;
                }
            }
            // Each line is flushed as it is made: a failing file shows at the frame that wrote
            // to it, and a run stopped between frames leaves whole lines. One write a frame is
            // nothing beside composing it.
            if (sums_ && (std::fprintf(sums_, "%lld %016llx\n", static_cast<long long>(index),
                                       static_cast<unsigned long long>(frame_checksum(frame))) < 0 ||
                          std::fflush(sums_) != 0)) {
                fail_errno(options_.sums_path);
                return;
            }
        }
        if (video_fd_ >= 0 &&
            !write_all(video_fd_, frame->pixels,
                       static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 4))
            fail(options_.video_path, "ffmpeg stopped taking the frames");
    } catch (const std::bad_alloc&) {
        out_of_memory("writing the frames");
    }
}

void Outputs::end_frame() noexcept {
    if (!sound_) return;
    try {
        const std::span<const int16_t> pcm = capture_frame();
        if (!stopped() && !wav_write(&wav_, pcm.data(), pcm.size() / 2)) fail_errno(wav_path_);
    } catch (const std::bad_alloc&) {
        out_of_memory("writing the sound");
    }
    capture_clear();
}

bool Outputs::finish() {
    if (sums_) {
        const bool closed = std::fclose(sums_) == 0;
        sums_ = nullptr;
        if (!closed) fail_errno(options_.sums_path);
    }
    if (wav_.file && !wav_close(&wav_)) fail_errno(wav_path_);
    if (video_pid_ > 0) {
        close(video_fd_);
        video_fd_ = -1;
        const bool encoded = wait_ok(video_pid_);
        video_pid_ = -1;
        if (!encoded) fail(options_.video_path, "ffmpeg could not encode the frames");
        if (!stopped()) {
            const pid_t mux = spawn(
                video_mux_args(frames_path_, wav_path_, options_.video_path, options_.lossless),
                nullptr);
            if (mux < 0 || !wait_ok(mux)) fail(options_.video_path, "ffmpeg could not add the sound");
        }
    }
    remove_temporaries();
    if (!failure_.empty()) std::fprintf(stderr, "demo-render: %s\n", failure_.c_str());
    if (out_of_memory_) std::fprintf(stderr, "demo-render: out of memory while %s\n", out_of_memory_);
    return !stopped();
}

void Outputs::close_all() noexcept {
    if (sums_) std::fclose(sums_);
    sums_ = nullptr;
    if (wav_.file) wav_close(&wav_);
    if (video_fd_ >= 0) close(video_fd_);
    video_fd_ = -1;
    if (video_pid_ > 0) wait_ok(video_pid_);
    video_pid_ = -1;
    remove_temporaries();
}

// Releases the demo's objects when the run ends, however it ends; render_run has released them
// already when it ran, and a second release finds nothing left.
struct ObjectsHeld {
    ObjectsHeld() = default;
    ObjectsHeld(const ObjectsHeld&) = delete;
    ObjectsHeld& operator=(const ObjectsHeld&) = delete;
    ~ObjectsHeld() { demo_release_objects(); }
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "demo-render: %s\nTry \"demo-render --help\".\n", message.c_str());
    return 2;
}

int run(int argc, char** argv) {
    doing = "reading the options";
    RenderOptions options;
    std::string error;
    if (!render_parse_options(argc, argv, &options, &error)) return usage_error(error);
    if (options.help) {
        std::fputs(render_usage().c_str(), stdout);
        return 0;
    }
    doing = "checking the outputs";
    if (!render_check_outputs(options, &error)) return usage_error(error);
    if (!options.video_path.empty() && !ffmpeg_present())
        return usage_error("--video needs ffmpeg, which was not found on the PATH");
#ifdef SIGPIPE  // not on Windows
    signal(SIGPIPE, SIG_IGN);  // a failed ffmpeg shows as a write error instead
#endif
    catch_stop_signals();

    doing = "loading the pictures";
    const ObjectsHeld objects;
    if (const char* missing = demo_create_objects(screen_w, screen_h)) {
        demo_report_missing("demo-render", missing);
        return 1;
    }

    doing = "opening the outputs";
    Outputs out(options);
    if (out.open()) {
        doing = "rendering";
        Progress progress(options.progress == 1 || (options.progress < 0 && isatty(2)),
                          options.frames);
        RenderHooks hooks;
        hooks.show = [&](int64_t index, DemoStage, const IMG* frame) { out.show(index, frame); };
        hooks.end_frame = [&](int64_t index) {
            out.end_frame();
            progress.update(index + 1);
        };
        hooks.halt = [&] { return out.stopped() || stop_signal != 0; };
        if (out.sound()) {
            hooks.pump = [] { music_pump(); };
            hooks.stop = [] { music_stop(); };
        }
        render_run(options.frames, options.keys, hooks);  // releases the objects at its end
        progress.finish();
    }
    doing = "finishing the outputs";
    return out.finish() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();
    int status = 1;
    try {
        status = run(argc, argv);
    } catch (const std::bad_alloc&) {
        // The outputs were finished on the way out; the message is printed without allocating.
        std::fprintf(stderr, "demo-render: out of memory while %s\n", doing);
        status = 1;
    }
    if (stop_signal != 0) {
        // Ends as the signal would have ended it, now that the outputs are whole, so that the
        // parent sees which signal it was.
        const int sig = stop_signal;
        std::fflush(nullptr);
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
    return status;
}
