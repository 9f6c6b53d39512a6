// front/render/ffmpeg.h: the ffmpeg processes behind --video: found on the PATH, started in a
// process group of their own, fed the raw frames through a pipe, and waited for.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Starts args[0] from the PATH with standard output on /dev/null (the demo's echo owns ours).
// With `feed`, its standard input is the read end of a new pipe whose write end is returned
// there (-1 when it cannot start). The child's pid, or -1. A Ctrl-C at the terminal reaches
// demo-render alone, which then ends the child's input and lets it finish its file.
[[nodiscard]] pid_t ffmpeg_spawn(const std::vector<std::string>& args, int* feed);
// Waits for the child; true when it exited with status 0.
[[nodiscard]] bool ffmpeg_wait(pid_t pid);
// Writes all of data into the pipe, going on where a signal cut a write short; false when the
// reader stopped taking it.
[[nodiscard]] bool ffmpeg_feed(int fd, const void* data, size_t size);
// Whether "ffmpeg -version" runs.
[[nodiscard]] bool ffmpeg_present();

// ffmpeg's name for a file: "file:" and the path made absolute, so that no name is taken for an
// option (a leading '-') or a protocol (a colon).
[[nodiscard]] std::string ffmpeg_file_url(const std::string& path);
// Encodes raw 0x00RRGGBB frames of screen_w x screen_h at render_fps from its standard input
// into `video`, scaled `scale` times with nearest-neighbour sampling: H.264 for .mp4 and .mkv,
// VP9 for .webm, FFV1 in RGB when lossless. The container follows video's extension.
[[nodiscard]] std::vector<std::string> ffmpeg_encode_args(const std::string& video, int32_t scale,
                                                          bool lossless);
// Puts the encoded frames and the WAV sound together into `out` (same extension as the frames):
// AAC, Opus for .webm, FLAC when lossless.
[[nodiscard]] std::vector<std::string> ffmpeg_mux_args(const std::string& frames,
                                                       const std::string& wav,
                                                       const std::string& out, bool lossless);
