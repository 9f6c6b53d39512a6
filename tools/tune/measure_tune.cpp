// measure_tune: timing figures of the demo's sound as demo-render --wav writes it: how far each
// part switch is from the downbeat the music puts there, the longest silence, the loop from one
// part cycle into the next (digital silence and the step into it), and how evenly the two sides
// hit at the sync points of parts 2 and 3.
// With the score it also reports the variety of the tune (tools/tune/variety.h).
// Usage: measure_tune [--check] SOUND.wav [SCORE.txt]
// With --check the exit status is 1 when a downbeat is more than 0.5 frames from its switch, a
// silence lasts longer than 0.2 s, the loop holds more than 1102 frames (1.5 video frames) of
// digital silence or steps into it by more than 0.02 of full scale, or the left and right peaks
// of a sync hit differ by more than 3 dB; and, with the score, when it has fewer than 3 distinct
// chord progressions, the usual drum or bass bar is the same in two parts, or fewer than two
// instruments change their tone within a note.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include <fstream>
#include <iterator>

#include "tools/tune/score.h"
#include "tools/tune/variety.h"
#include "tools/tune/wav_measure.h"
#include "util/standard_streams.h"

namespace {

constexpr size_t frame_samples = 735;  // one 60 Hz video frame at 44100 Hz
// The demo's parts last 1001, 2000 and 1000 frames; each switch should fall on a downbeat.
constexpr std::array<size_t, 3> switch_frames = {0, 1001, 3001};
constexpr size_t cycle_frames = 4001;
constexpr size_t search_frames = 24;   // a downbeat is looked for this far either side
constexpr double allowed_offset = 0.5, allowed_silence_s = 0.2;
constexpr size_t allowed_loop_silence = 1102;  // 1.5 video frames: the reload frame is 1
constexpr int allowed_loop_step = 655;         // 0.02 of full scale
constexpr double allowed_side_difference_db = 3.0;
constexpr double sync_hit_s = 0.25;            // a sync hit's peaks are taken over this long
constexpr int16_t quiet = 33;          // -60 dBFS

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();
    const bool check = argc >= 2 && std::string(argv[1]) == "--check";
    const int inputs = argc - 1 - (check ? 1 : 0);
    if (inputs < 1 || inputs > 2) {
        std::fprintf(stderr, "usage: %s [--check] SOUND.wav [SCORE.txt]\n", argv[0]);
        return 2;
    }
    const std::string wav_path = argv[check ? 2 : 1];
    StereoPcm pcm;
    std::string error;
    XmModule score;
    if (inputs == 2) {
        std::ifstream in(argv[argc - 1], std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.good() && text.empty()) {
            std::fprintf(stderr, "measure_tune: cannot read %s\n", argv[argc - 1]);
            return 2;
        }
        if (!score_parse(text, score, error)) {
            std::fprintf(stderr, "measure_tune: %s: %s\n", argv[argc - 1], error.c_str());
            return 2;
        }
    }
    if (!wav_read(wav_path, &pcm, &error)) {
        std::fprintf(stderr, "measure_tune: %s\n", error.c_str());
        return 2;
    }
    if (pcm.rate != 44100) {
        std::fprintf(stderr, "measure_tune: the sound is at %u Hz, not 44100 Hz\n", pcm.rate);
        return 2;
    }
    const double seconds = static_cast<double>(pcm.frames()) / pcm.rate;
    std::printf("length: %.2f frames (%.3f s)\n", static_cast<double>(pcm.frames()) / frame_samples, seconds);

    // Downbeats: the strongest rise of bright energy near each switch, with 0.25 s windows.
    double worst = 0.0;
    const size_t cycles = (pcm.frames() / frame_samples + cycle_frames / 2) / cycle_frames;
    for (size_t c = 0; c < cycles; ++c) {
        std::printf("cycle %2zu downbeat - switch, frames:", c + 1);
        for (size_t part = 0; part < switch_frames.size(); ++part) {
            const size_t at = (c * cycle_frames + switch_frames[part]) * frame_samples;
            if (at >= pcm.frames()) break;
            const size_t reach = search_frames * frame_samples;
            const size_t onset = strongest_onset(pcm.samples, at > reach ? at - reach : 0, at + reach, pcm.rate / 4);
            const double offset = (static_cast<double>(onset) - static_cast<double>(at)) / frame_samples;
            worst = std::max(worst, std::fabs(offset));
            std::printf("  part %zu %+6.2f", part + 1, offset);
        }
        std::printf("\n");
    }
    std::printf("largest downbeat offset: %.2f frames (allowed %.1f)\n", worst, allowed_offset);

    // The loop: the end of one cycle and the start of the next, from 1 s before the cycle's end.
    SilenceRun loop;
    for (size_t c = 1; c <= cycles; ++c) {
        const size_t at = c * cycle_frames * frame_samples;
        const SilenceRun r = digital_silence(pcm.samples, at - pcm.rate, at + pcm.rate / 10);
        if (r.length > loop.length) loop = r;
        loop.step = std::max(loop.step, r.step);
    }
    std::printf("loop: longest digital silence %zu frames (allowed %zu), step into it %.4f of full scale (allowed %.2f)\n",
                loop.length, allowed_loop_silence, loop.step / 32768.0, allowed_loop_step / 32768.0);

    // Sync hits: the left and right peaks over the first quarter second of parts 2 and 3.
    double lopsided = 0.0;
    for (size_t c = 0; c < cycles; ++c)
        for (size_t part = 1; part < switch_frames.size(); ++part) {
            const size_t at = (c * cycle_frames + switch_frames[part]) * frame_samples;
            const ChannelPeaks p = channel_peaks(pcm.samples, at, at + static_cast<size_t>(sync_hit_s * pcm.rate));
            const double db = 20.0 * std::log10(std::max(p.left, 1) / static_cast<double>(std::max(p.right, 1)));
            if (c == 0) std::printf("sync hit of part %zu: left %.2f, right %.2f dBFS\n", part + 1,
                                    20.0 * std::log10(std::max(p.left, 1) / 32768.0),
                                    20.0 * std::log10(std::max(p.right, 1) / 32768.0));
            lopsided = std::max(lopsided, std::fabs(db));
        }
    std::printf("largest left-right peak difference at a sync hit: %.2f dB (allowed %.0f)\n", lopsided,
                allowed_side_difference_db);

    const Silence s = longest_silence(pcm.samples, quiet);
    const double silence_s = static_cast<double>(s.length) / pcm.rate;
    std::printf("longest silence (both channels within -60 dBFS): %.3f s at %.3f s (allowed %.1f)\n", silence_s,
                static_cast<double>(s.start) / pcm.rate, allowed_silence_s);
    bool varied = true;
    if (inputs == 2) {
        // The parts begin at bars 1, 11 and 31 (one bar per order); channel 1 drums, 2 bass.
        const Variety v = tune_variety(score, {0, 10, 30}, 0, 1);
        std::string moving;
        for (const std::string& name : v.moving_tone) moving += (moving.empty() ? "" : ", ") + name;
        std::printf("distinct chord progressions (four-bar phrases): %zu (at least 3)\n", v.progressions);
        std::printf("usual drum bar differs in every part: %s; usual bass bar: %s\n", v.drums_change ? "yes" : "no",
                    v.bass_change ? "yes" : "no");
        std::printf("instruments whose tone moves within a note: %zu (%s; at least 2)\n", v.moving_tone.size(),
                    moving.c_str());
        varied = v.progressions >= 3 && v.drums_change && v.bass_change && v.moving_tone.size() >= 2;
    }
    if (!check) return 0;
    const bool ok = varied && worst <= allowed_offset && silence_s <= allowed_silence_s && cycles > 0 &&
                    loop.length <= allowed_loop_silence && loop.step <= allowed_loop_step &&
                    lopsided <= allowed_side_difference_db;
    return ok ? 0 : 1;
}
