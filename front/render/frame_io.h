// front/render/frame_io.h: what the renderer writes: the WAV file of the tune rendered in step
// with the frames, and the choice of frames to write. The frame checksum is the core's
// (main/frame_sum.h), which other front ends share.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "main/demo.h"
#include "main/frame_sum.h"

inline constexpr int32_t render_audio_rate = demo_audio_rate;
inline constexpr int32_t render_fps = demo_fps;
inline constexpr int32_t render_samples_per_frame = demo_samples_per_frame;  // 735

// A 16-bit stereo PCM WAV file written as it goes; the header's sizes are filled in by close.
struct WavWriter {
    std::FILE* file;
    uint64_t   frames;  // stereo sample frames written
};
// Creates the file and writes its header at once; false (file null, errno telling why) when it
// cannot be created or takes nothing.
[[nodiscard]] bool wav_open(WavWriter* w, const char* path);
// Interleaved L R; false on a write error, and then the frames are not counted.
bool wav_write(WavWriter* w, const int16_t* samples, size_t frames);
bool wav_close(WavWriter* w);  // patches the header; false on any write error

// Frames chosen for writing: a list of single frames, ranges and strides, like "0,100-199,/60,
// 1000-2000/10". "/S" is every S-th frame from 0; "A-B/S" every S-th from A up to B; "A-" and
// "A-/S" run to the end.
struct FrameSelection {
    struct Span {
        int64_t first, last, step;  // last -1: no end
    };
    std::vector<Span> spans;  // empty: every frame
};
// False (with a message in *error) for text that is not such a list.
[[nodiscard]] bool frame_selection_parse(const std::string& text, FrameSelection* out,
                                         std::string* error);
[[nodiscard]] bool frame_selected(const FrameSelection& s, int64_t frame);
