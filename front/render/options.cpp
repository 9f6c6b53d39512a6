// front/render/options.cpp: demo-render's options and their help text.
#include "front/render/options.h"

#include <array>
#include <charconv>
#include <string_view>

namespace {

// Writes *out only when the whole text is a number.
bool parse_number(std::string_view text, int64_t* out) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return false;
    *out = value;
    return true;
}

struct KeyName {
    std::string_view name;
    int32_t          symbol;
};
// SDL 1.2 key symbols of the keys that have no printable character; left Shift (304) reaches
// the key map as its low byte, 48, like '0'.
constexpr std::array<KeyName, 7> key_names = {{{"esc", 27},
                                               {"escape", 27},
                                               {"space", 32},
                                               {"enter", 13},
                                               {"return", 13},
                                               {"tab", 9},
                                               {"shift", 304}}};

bool parse_key_symbol(std::string_view text, int32_t* out) {
    if (text.size() == 1) {
        *out = static_cast<unsigned char>(text[0]);
        return true;
    }
    for (const KeyName& k : key_names)
        if (k.name == text) {
            *out = k.symbol;
            return true;
        }
    int64_t n = 0;
    if (!parse_number(text, &n) || n < 0 || n > 0xffff) return false;
    *out = static_cast<int32_t>(n);
    return true;
}

}  // namespace

bool render_parse_key(const std::string& text, RenderKey* out, std::string* error) {
    const size_t first = text.find(':');
    // The key may itself be ':', so the hold is the part after the last colon only when that
    // colon is not the key and what follows it is a number.
    if (first == std::string::npos || first + 1 >= text.size()) {
        *error = "a key is FRAME:KEY[:HOLD], not \"" + text + "\"";
        return false;
    }
    std::string_view key = std::string_view(text).substr(first + 1);
    int64_t hold = 1;
    if (const size_t last = key.rfind(':'); last != std::string_view::npos && last > 0 &&
                                            parse_number(key.substr(last + 1), &hold)) {
        if (hold < 1) {
            *error = "the hold of \"" + text + "\" is not a number of frames of at least 1";
            return false;
        }
        key = key.substr(0, last);
    }
    int64_t frame = 0;
    if (!parse_number(std::string_view(text).substr(0, first), &frame) || frame < 0) {
        *error = "the frame of \"" + text + "\" is not a frame number";
        return false;
    }
    int32_t symbol = 0;
    if (!parse_key_symbol(key, &symbol)) {
        *error = "unknown key \"" + std::string(key) + "\" (a character, esc, space, enter, tab, "
                 "shift or a key symbol number)";
        return false;
    }
    *out = {frame, symbol, hold};
    return true;
}

bool render_parse_options(int argc, const char* const* argv, RenderOptions* out,
                          std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // Options that take a value accept it as the next argument or after '='.
        std::string_view name = arg;
        std::string value;
        bool has_value = false;
        if (arg.starts_with("--"))
            if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                value = std::string(arg.substr(eq + 1));
                has_value = true;
            }
        auto take = [&](std::string* into) {
            if (!has_value) {
                if (i + 1 >= argc) {
                    *error = std::string(name) + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            *into = value;
            return true;
        };
        std::string v;
        if (name == "-h" || name == "--help") {
            out->help = true;
        } else if (name == "-n" || name == "--frames") {
            if (!take(&v)) return false;
            if (!parse_number(v, &out->frames) || out->frames < 0) {
                *error = "--frames takes a number of frames, not \"" + v + "\"";
                return false;
            }
        } else if (name == "-o" || name == "--ppm") {
            if (!take(&out->ppm_dir)) return false;
        } else if (name == "-s" || name == "--select") {
            if (!take(&v)) return false;
            if (!frame_selection_parse(v, &out->select, error)) return false;
        } else if (name == "-k" || name == "--key") {
            if (!take(&v)) return false;
            RenderKey key{};
            if (!render_parse_key(v, &key, error)) return false;
            out->keys.push_back(key);
        } else if (name == "-w" || name == "--wav") {
            if (!take(&out->wav_path)) return false;
        } else if (name == "-v" || name == "--video") {
            if (!take(&out->video_path)) return false;
        } else if (name == "--scale") {
            int64_t scale = 0;
            if (!take(&v)) return false;
            if (!parse_number(v, &scale) || scale < 1 || scale > 8) {
                *error = "--scale takes a whole factor from 1 to 8, not \"" + v + "\"";
                return false;
            }
            out->video_scale = static_cast<int32_t>(scale);
        } else if (name == "--sums") {
            if (!take(&out->sums_path)) return false;
        } else if (name == "--progress") {
            out->progress = 1;
        } else if (name == "--no-progress") {
            out->progress = 0;
        } else {
            *error = "unknown option \"" + std::string(arg) + "\"";
            return false;
        }
        if (has_value && (name == "-h" || name == "--help" || name == "--progress" ||
                          name == "--no-progress")) {
            *error = std::string(name) + " takes no value";
            return false;
        }
    }
    return true;
}

std::string render_usage() {
    const auto n = [](int64_t v) { return std::to_string(v); };
    return R"(Usage: demo-render [options]
Runs the demo's part cycle from its start with no display and no sound device, composing every
frame as the demo does and echoing the scroller's text on standard output. The pictures and the
tune are read from the working directory (the data folder), as the demo reads them.

  -n, --frames N        frames to run; default )" + n(demo_cycle_frames) + ", one whole cycle (" +
           n(part1_frames) + " + " + n(part2_frames) + " + " + n(part3_frames) + R"().
                        A scripted Esc or Q ends the run sooner, after its )" + n(fade_frames) +
           R"( fade-out frames.
  -o, --ppm DIR         write the selected frames into DIR as frame-NNNNNN.ppm (P6)
  -s, --select LIST     the frames to write: comma-separated N, A-B, A-, /S (every S-th frame),
                        A-B/S (every S-th from A to B); default every frame. Frames count from 0.
  -k, --key F:KEY[:H]   hold KEY in the frame tails of frames F .. F+H-1 (H default 1), as if
                        pressed after frame F was shown; repeatable, a later entry wins where
                        they overlap. KEY: a character (1 2 3 6 7 8 9 0 q Q ...), esc, space,
                        enter, tab, shift, or a key symbol number (its low byte is what counts)
  -w, --wav FILE        render the tune into FILE in step with the frames: 16-bit stereo at
                        44100 Hz, exactly 735 samples per frame (silent where no music plays)
  -v, --video FILE      encode the frames and the tune with ffmpeg into FILE at 60 frames per
                        second, scaled up with nearest-neighbour sampling: .mp4 or .mkv (H.264),
                        .webm (VP9)
      --scale N         the video's scale factor, 1 to 8; default 3 (960 x 720)
      --sums FILE       write "FRAME CHECKSUM" lines for the selected frames into FILE
                        (FNV-1a, 64 bits, over the pixels)
      --progress        show a progress bar on standard error (default: when it is a terminal)
      --no-progress     never show it
  -h, --help            show this text

Without --wav or --video no sound is initialised at all. Exit status: 0 done; 1 a picture is
missing or an output cannot be written; 2 bad options.
)";
}
