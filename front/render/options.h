// front/render/options.h: the command line of demo-render.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "front/render/frame_io.h"
#include "front/render/render_loop.h"
#include "music/music.h"

// The files the demo reads from its data folder; no output may overwrite one of them.
inline constexpr std::array<const char*, 11> render_data_files = {
    "K.ppm", "A.ppm", "P.ppm", "U.ppm", "7163.ppm", "vemla.ppm", "logotype0.ppm",
    "logotype1.ppm", "logotype2.ppm", "font1526.pbm", music_file};

struct RenderOptions {
    int64_t                frames = demo_cycle_frames;
    std::string            ppm_dir;     // empty: no pictures
    FrameSelection         select;      // which frames go to ppm_dir and the checksum list
    std::vector<RenderKey> keys;
    std::string            wav_path;    // empty: no sound at all
    std::string            video_path;  // empty: no video
    int32_t                video_scale = 3;
    bool                   lossless = false;  // the video's pixels and sound exactly (.mkv only)
    std::string            sums_path;   // "frame checksum" lines of the selected frames
    int                    progress = -1;  // -1 when standard error is a terminal, 0 off, 1 on
    bool                   help = false;
};

// Parses argv[1..argc-1]; false with a message in *error for anything it does not understand.
[[nodiscard]] bool render_parse_options(int argc, const char* const* argv, RenderOptions* out,
                                        std::string* error);
// Parses one key script entry "FRAME:KEY[:HOLD]"; KEY is one character, a name (esc, space,
// enter, tab, shift) or a key symbol number.
[[nodiscard]] bool render_parse_key(const std::string& text, RenderKey* out, std::string* error);
[[nodiscard]] std::string render_usage();

// The temporary files beside a video FILE.EXT while it is made: the frames alone as
// FILE.frames.EXT, and the sound as FILE.sound.wav when no --wav file is asked for.
[[nodiscard]] std::string render_video_frames_path(const std::string& video);
[[nodiscard]] std::string render_video_sound_path(const std::string& video);
// False (with a usage message in *error) when an output would overwrite one of the data files
// in the working directory, two outputs (the --ppm folder's frame pictures, --wav, --sums,
// --video and its temporary files) would be one file, or an output is the file the standard
// output already writes to. Existing files are compared by identity, others by their path
// made absolute and normalised; /dev/null may take any number of outputs.
[[nodiscard]] bool render_check_outputs(const RenderOptions& options, std::string* error);
