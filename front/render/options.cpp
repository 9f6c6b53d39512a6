// front/render/options.cpp: demo-render's options and their help text.
#include "front/render/options.h"

#include <sys/stat.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "main/data_files.h"

namespace {

namespace fs = std::filesystem;

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

// Where a path leads: the file it names when that exists, and in any case the path absolute,
// with the symbolic links of its existing part followed, "." and ".." resolved and no trailing
// separator, so that two spellings of one place that does not exist yet compare equal too.
struct Place {
    fs::path    path;    // as given
    fs::path    normal;
    bool        exists;
    struct stat file;    // when it exists
};

Place place_of(const fs::path& p) {
    Place place{p, {}, false, {}};
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    if (ec) abs = p;
    place.normal = fs::weakly_canonical(abs, ec);
    if (ec) place.normal = abs.lexically_normal();
    if (!place.normal.has_filename() && place.normal.has_relative_path())
        place.normal = place.normal.parent_path();
    place.exists = stat(p.string().c_str(), &place.file) == 0;
    return place;
}

// By identity where both exist (hard links, bind mounts too), else by normalised path. Windows'
// stat() gives no file numbers (st_ino is 0): there by path alone.
bool same_place(const Place& a, const Place& b) {
#ifndef _WIN32
    if (a.exists && b.exists)
        return a.file.st_dev == b.file.st_dev && a.file.st_ino == b.file.st_ino;
#endif
    return a.normal == b.normal;
}

// One file a run writes, or the folder its frame pictures go into.
struct Output {
    std::string role;  // as the message names it: "--wav"
    Place       place;
    bool        folder;
};

// "frame-NNNNNN.ppm", the name of a frame picture in the --ppm folder.
bool frame_picture_name(const fs::path& p) {
    const std::string name = p.filename().string();
    constexpr std::string_view head = "frame-", tail = ".ppm";
    if (name.size() < head.size() + 6 + tail.size() || !name.starts_with(head) ||
        !name.ends_with(tail))
        return false;
    for (size_t i = head.size(); i < name.size() - tail.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

std::string quoted(const fs::path& p) { return "\"" + p.string() + "\""; }

}  // namespace

bool render_check_outputs(const RenderOptions& options, std::string* error) {
    std::vector<Output> outputs;
    const auto add = [&](const char* role, const std::string& path, bool folder) {
        outputs.push_back({role, place_of(path), folder});
    };
    if (!options.ppm_dir.empty()) add("--ppm", options.ppm_dir, true);
    if (!options.wav_path.empty()) add("--wav", options.wav_path, false);
    if (!options.sums_path.empty()) add("--sums", options.sums_path, false);
    if (!options.video_path.empty()) add("--video", options.video_path, false);
    if (outputs.empty()) return true;
    // Only files and devices are written: opening a FIFO would wait for a reader.
    for (const Output& out : outputs)
        if (!out.folder && out.place.exists && !S_ISREG(out.place.file.st_mode) &&
            !S_ISCHR(out.place.file.st_mode) && !S_ISDIR(out.place.file.st_mode)) {
            *error = out.role + " " + quoted(out.place.path) + " is neither a file nor a device";
            return false;
        }
    for (const char* name : demo_data_files) {
        const Place data = place_of(demo_data_path(name));
        for (const Output& out : outputs)
            if (same_place(out.place, data)) {
                *error = out.role + " " + quoted(out.place.path) + " would overwrite " +
                         quoted(name) + ", a file the demo reads";
                return false;
            }
    }
    const Place null = place_of("/dev/null");
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t j = i + 1; j < outputs.size(); ++j) {
            const Output& a = outputs[i];
            const Output& b = outputs[j];
            if (same_place(a.place, b.place) && !same_place(a.place, null)) {
                *error = a.role + " and " + b.role + " are the same file " + quoted(b.place.path);
                return false;
            }
            const Output& folder = a.folder ? a : b;
            const Output& file = a.folder ? b : a;
            if (folder.folder && frame_picture_name(file.place.path) &&
                same_place(place_of(file.place.normal.parent_path()), folder.place)) {
                *error = file.role + " " + quoted(file.place.path) + " would be overwritten by a "
                         "frame picture of --ppm " + quoted(folder.place.path);
                return false;
            }
        }
    // What the scroller echoes goes to the standard output; a file written there as well would
    // get the text mixed into it.
    Place echo{"", {}, false, {}};
    echo.exists = fstat(1, &echo.file) == 0;
    if (echo.exists)
        for (const Output& out : outputs)
            if (!out.folder && out.place.exists && same_place(out.place, echo) &&
                !same_place(out.place, null)) {
                *error = out.role + " " + quoted(out.place.path) + " is the standard output, where "
                         "the scroller's text goes";
                return false;
            }
    return true;
}

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
        } else if (name == "--lossless") {
            out->lossless = true;
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
                          name == "--no-progress" || name == "--lossless")) {
            *error = std::string(name) + " takes no value";
            return false;
        }
    }
    // FFV1 is written into Matroska only; the other containers keep their lossy codecs.
    if (out->lossless && fs::path(out->video_path).extension() != ".mkv") {
        *error = "--lossless needs a --video file ending in .mkv";
        return false;
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
                        second, scaled up with nearest-neighbour sampling: .mp4 or .mkv (H.264
                        and AAC), .webm (VP9 and Opus)
      --scale N         the video's scale factor, 1 to 8; default 3 (960 x 720)
      --lossless        make the .mkv video lossless: FFV1 in RGB, every pixel exactly as
                        rendered and scaled, and FLAC sound
      --sums FILE       write "FRAME CHECKSUM" lines for the selected frames into FILE
                        (FNV-1a, 64 bits, over the pixels)
      --progress        show a progress bar on standard error (default: when it is a terminal)
      --no-progress     never show it
  -h, --help            show this text

Without --wav or --video no sound is initialised at all. No output may be one of the files the
demo reads, the same file as another output, or a FIFO. Each output is written under a
temporary name beside it and takes its name when complete; a failed run leaves none of them.
SIGINT, SIGTERM, SIGHUP or SIGQUIT stops the run after the frame being made, finishes every
output and then ends the program by that signal. Exit status: 0 done; 1 a picture is missing,
an output or standard output cannot be written (the run stops at the first failure) or memory
ran out; 2 bad options or outputs.
)";
}
