// front/render/options.h: the command line of demo-render.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "front/render/frame_io.h"
#include "front/render/render_loop.h"

struct RenderOptions {
    int64_t                frames = demo_cycle_frames;
    std::string            ppm_dir;     // empty: no pictures
    FrameSelection         select;      // which frames go to ppm_dir and the checksum list
    std::vector<RenderKey> keys;
    std::string            wav_path;    // empty: no sound at all
    std::string            video_path;  // empty: no video
    int32_t                video_scale = 3;
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
