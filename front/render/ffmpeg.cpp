// front/render/ffmpeg.cpp: starting, feeding and waiting for the ffmpeg processes of --video.
#include "front/render/ffmpeg.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "front/render/frame_io.h"
#include "main/demo.h"

extern char** environ;

namespace {

// The raw frames go to ffmpeg as they lie in memory, 0x00RRGGBB words = bytes B G R 0.
static_assert(std::endian::native == std::endian::little);

void append(std::vector<std::string>* args, std::initializer_list<const char*> more) {
    args->insert(args->end(), more.begin(), more.end());
}

bool is_webm(const std::string& path) {
    return std::filesystem::path(path).extension() == ".webm";
}

}  // namespace

pid_t ffmpeg_spawn(const std::vector<std::string>& args, int* feed) {
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
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    // Ignored in demo-render, where a failed write is reported instead (neither exists on
    // Windows).
#if defined(SIGPIPE) && defined(SIGXFSZ)
    for (const int sig : {SIGPIPE, SIGXFSZ}) sigaddset(&defaults, sig);
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

bool ffmpeg_wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ffmpeg_feed(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;  // a frame goes whole, even when a stop signal came
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ffmpeg_present() {
    const pid_t pid = ffmpeg_spawn({"ffmpeg", "-hide_banner", "-loglevel", "quiet", "-version"}, nullptr);
    return pid > 0 && ffmpeg_wait(pid);
}

std::string ffmpeg_file_url(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return "file:" + (ec ? path : absolute.string());
}

// The lossless path stays in RGB from the pipe to the file, so each pixel is the rendered one
// repeated scale x scale times.
std::vector<std::string> ffmpeg_encode_args(const std::string& video, int32_t scale, bool lossless) {
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
    else if (is_webm(video))
        append(&args, {"-c:v", "libvpx-vp9", "-b:v", "0", "-crf", "32", "-deadline", "realtime",
                       "-cpu-used", "8", "-row-mt", "1"});
    else
        append(&args, {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18"});
    args.push_back(ffmpeg_file_url(video));
    return args;
}

std::vector<std::string> ffmpeg_mux_args(const std::string& frames, const std::string& wav,
                                         const std::string& out, bool lossless) {
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin",
                                     "-y", "-i", ffmpeg_file_url(frames), "-i", ffmpeg_file_url(wav),
                                     "-map", "0:v", "-map", "1:a", "-c:v", "copy"};
    if (lossless)
        append(&args, {"-c:a", "flac"});
    else
        append(&args, {"-c:a", is_webm(out) ? "libopus" : "aac", "-b:a", "192k"});
    args.push_back(ffmpeg_file_url(out));
    return args;
}
