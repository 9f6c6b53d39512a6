// front/render/main.cpp: demo-render, the demo's part cycle without display or sound device,
// writing chosen frames as pictures, the tune as a WAV file and the whole as a video.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "fx/effects.h"
#include "main/demo.h"
#include "music/music.h"
#include "front/render/capture.h"
#include "front/render/ffmpeg.h"
#include "front/render/frame_io.h"
#include "front/render/options.h"
#include "front/render/output_file.h"
#include "main/render_loop.h"
#include "util/data_folder.h"
#include "util/standard_streams.h"

namespace {

// The first stop signal that came; 0 while none did.
volatile std::sig_atomic_t stop_signal = 0;

// What the program was doing, for the message when memory runs out.
const char* doing = "starting";

void on_stop_signal(int sig) {
    if (stop_signal == 0) stop_signal = sig;
}

// SIGINT, SIGTERM, SIGHUP (the terminal went away) and SIGQUIT stop the run at the next frame
// boundary, so that the outputs are finished before the program ends by the signal; a second
// one ends it at once (SA_RESETHAND). A signal ignored at the start stays ignored, as a
// background job expects. Without SA_RESTART a signal ends whatever waits: an open that waits
// for a reader fails, and a character of the echo that a full pipe cannot take is dropped;
// writes into ffmpeg's pipe go on where they were cut short.
#ifdef SIGHUP
constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#else  // Windows knows only these two
constexpr int stop_signals[] = {SIGINT, SIGTERM};
#endif

void catch_stop_signals() {
    for (const int sig : stop_signals) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction act {};
        act.sa_handler = on_stop_signal;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESETHAND;
        sigaction(sig, &act, nullptr);
    }
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

// The files a run writes and the encoder it feeds. Each file is written under a temporary name
// beside it and takes its own name only when the run has ended without a failure (a stop
// signal included), so that a reader never sees a part of one. The first output that fails
// stops the run at the next frame boundary (`stopped`), nothing more is written after it, and
// the files of the run are removed; the frame pictures already written stay, each whole.
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
    // The frame's sound, once its tail has fed the music; then whether the echo got out.
    void end_frame() noexcept;
    [[nodiscard]] bool sound() const { return sound_; }
    [[nodiscard]] bool stopped() const {
        return !failure_.empty() || out_of_memory_ != nullptr || reader_left_;
    }
    // Closes every output and puts the video together from its frames and sound when nothing
    // failed; then gives each file its name, or removes them all when anything failed, and
    // tells on standard error what failed. False when anything did.
    bool finish();

private:
    void fail(const std::string& file, const std::string& reason) {
        if (failure_.empty()) failure_ = "could not write " + file + ": " + reason;
    }
    void fail_errno(const std::string& file) {
        const int error = errno;
        fail(file, std::strerror(error));
    }
    void out_of_memory(const char* what) noexcept {
        if (!out_of_memory_) out_of_memory_ = what;
    }
    bool begin(OutputFile* file, const std::string& path) {
        std::string error;
        if (file->begin(path, &error)) return true;
        fail(path, error);
        return false;
    }
    // A reader that left ends the run quietly, as `yes | head` ends; other errors are failures.
    void standard_output_failed(int error) {
        if (error == EPIPE)
            reader_left_ = true;
        else if (failure_.empty())
            failure_ = std::string("could not write the standard output: ") + std::strerror(error);
    }
    void close_all() noexcept;

    const RenderOptions& options_;
    OutputFile           sums_file_, wav_file_, frames_file_, video_file_;
    std::FILE*           sums_ = nullptr;
    WavWriter            wav_{nullptr, 0};
    std::string          wav_name_;     // --wav, or the video whose sound it is
    bool                 sound_ = false;
    int                  video_fd_ = -1;
    pid_t                video_pid_ = -1;
    std::string          failure_;      // "could not write FILE: reason" of the first failure
    bool                 reader_left_ = false;  // standard output's reader went away
    const char*          out_of_memory_ = nullptr;  // what was being done when memory ran out
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
        if (!begin(&sums_file_, options_.sums_path)) return false;
        sums_ = std::fopen(sums_file_.writing().c_str(), "w");
        if (!sums_) {
            fail_errno(options_.sums_path);
            return false;
        }
    }
    // A video takes its sound from a WAV file: the one asked for, or a temporary one beside it.
    std::string error;
    if (!options_.wav_path.empty()) {
        wav_name_ = options_.wav_path;
        if (!begin(&wav_file_, wav_name_)) return false;
    } else if (!options_.video_path.empty()) {
        wav_name_ = options_.video_path;
        if (!wav_file_.begin_scratch(wav_name_, "sound-", ".wav", &error)) {
            fail(wav_name_, error);
            return false;
        }
    }
    if (!wav_name_.empty() && !wav_open(&wav_, wav_file_.writing().c_str())) {
        fail_errno(wav_name_);
        return false;
    }
    if (!options_.video_path.empty()) {
        const std::string& video = options_.video_path;
        if (!frames_file_.begin_scratch(video, "frames-", std::filesystem::path(video).extension().string(),
                                        &error)) {
            fail(video, error);
            return false;
        }
        video_pid_ = ffmpeg_spawn(
            ffmpeg_encode_args(frames_file_.writing(), options_.video_scale, options_.lossless),
            &video_fd_);
        if (video_pid_ < 0) {
            failure_ = "could not start ffmpeg";
            return false;
        }
    }
    if (!wav_name_.empty()) {
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
                OutputFile picture;
                if (!begin(&picture, path)) return;
                errno = 0;
                if (IMG_save_ppm(frame, picture.writing().c_str()) != 1) {
                    const int error = errno;
                    fail(path, error != 0 ? std::strerror(error) : "write error");
                    return;
                }
                std::string error;
                if (!picture.commit(&error)) {
                    fail(path, error);
                    return;
                }
            }
            // Each line is flushed as it is made: a run stopped between frames leaves whole
            // lines. One write a frame is nothing beside composing it.
            if (sums_ && (std::fprintf(sums_, "%lld %016llx\n", static_cast<long long>(index),
                                       static_cast<unsigned long long>(frame_checksum(frame))) < 0 ||
                          std::fflush(sums_) != 0)) {
                fail_errno(options_.sums_path);
                return;
            }
        }
        if (video_fd_ >= 0 &&
            !ffmpeg_feed(video_fd_, frame->pixels,
                         static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height) * 4))
            fail(options_.video_path, "ffmpeg stopped taking the frames");
    } catch (const std::bad_alloc&) {
        out_of_memory("writing the frames");
    }
}

void Outputs::end_frame() noexcept {
    if (sound_) {
        try {
            const std::span<const int16_t> pcm = capture_frame();
            if (!stopped() && !wav_write(&wav_, pcm.data(), pcm.size() / 2)) fail_errno(wav_name_);
        } catch (const std::bad_alloc&) {
            out_of_memory("writing the sound");
        }
        capture_clear();
    }
    if (scroll_echo_error != 0 && !stopped()) standard_output_failed(scroll_echo_error);
}

bool Outputs::finish() {
    if (sums_) {
        const bool closed = std::fclose(sums_) == 0;
        sums_ = nullptr;
        if (!closed) fail_errno(options_.sums_path);
    }
    if (wav_.file && !wav_close(&wav_)) fail_errno(wav_name_);
    if (video_pid_ > 0) {
        close(video_fd_);
        video_fd_ = -1;
        const bool encoded = ffmpeg_wait(video_pid_);
        video_pid_ = -1;
        if (!encoded) fail(options_.video_path, "ffmpeg could not encode the frames");
        if (!stopped() && begin(&video_file_, options_.video_path)) {
            const pid_t mux = ffmpeg_spawn(ffmpeg_mux_args(frames_file_.writing(), wav_file_.writing(),
                                                           video_file_.writing(), options_.lossless),
                                           nullptr);
            if (mux < 0 || !ffmpeg_wait(mux)) fail(options_.video_path, "ffmpeg could not add the sound");
        }
    }
    // The echo's last characters, and whatever else went to standard output.
    if (std::fflush(stdout) != 0 && errno != EAGAIN && errno != EINTR) standard_output_failed(errno);
    if (scroll_echo_error != 0 && !stopped()) standard_output_failed(scroll_echo_error);
    if (!stopped()) {
        std::string error;
        if (!sums_file_.commit(&error)) fail(options_.sums_path, error);
        if (!options_.wav_path.empty() && !stopped() && !wav_file_.commit(&error))
            fail(options_.wav_path, error);
        if (!stopped() && !video_file_.commit(&error)) fail(options_.video_path, error);
    }
    close_all();
    if (!failure_.empty()) std::fprintf(stderr, "demo-render: %s\n", failure_.c_str());
    if (out_of_memory_) std::fprintf(stderr, "demo-render: out of memory while %s\n", out_of_memory_);
    return !stopped();
}

// What is still open is closed, ffmpeg is waited for, and every file not given its name is
// removed.
void Outputs::close_all() noexcept {
    if (sums_) std::fclose(sums_);
    sums_ = nullptr;
    if (wav_.file) wav_close(&wav_);
    if (video_fd_ >= 0) close(video_fd_);
    video_fd_ = -1;
    if (video_pid_ > 0) (void)ffmpeg_wait(video_pid_);
    video_pid_ = -1;
    for (OutputFile* file : {&sums_file_, &wav_file_, &frames_file_, &video_file_}) file->discard();
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
    // The pictures and the tune: the working directory's, else the installation's.
    const DataFolder data = data_folder_for_this_program([](const std::filesystem::path& folder) {
        return demo_missing_picture(folder.string()) == nullptr;
    });
    demo_data_folder = data.folder;
    doing = "checking the outputs";
    if (!render_check_outputs(options, &error)) return usage_error(error);
    if (!options.video_path.empty() && !ffmpeg_present())
        return usage_error("--video needs ffmpeg, which was not found on the PATH");
    // A reader that left (ffmpeg, standard output's) and a file grown past the size limit show
    // as write errors instead, so that the outputs are still finished or removed.
#ifdef SIGPIPE  // not on Windows
    signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    signal(SIGXFSZ, SIG_IGN);
#endif
    catch_stop_signals();

    doing = "loading the pictures";
    const ObjectsHeld objects;
    // A missing picture is told before the image library would print "IMG error" for it.
    const char* missing = demo_missing_picture(demo_data_folder);
    if (missing == nullptr) missing = demo_create_objects(screen_w, screen_h);
    if (missing != nullptr) {
        demo_report_missing("demo-render", missing, data.hint.c_str());
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
