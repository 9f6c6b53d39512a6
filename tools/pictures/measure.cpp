// tools/pictures/measure.cpp: composes one whole part cycle from the pictures in the working
// directory, with the demo's own core and no keys, and prints how the pictures serve each part:
// how much of the raster bars part 1 leaves in sight and how much of its frame moves; how bright
// and of what hue the letters of part 2 are, on their own and where they overlap, and how many
// are in sight; how far up the logotype of part 3 reaches and how it stands out from the plasma;
// and the brightness on both sides of each part switch. With --check it exits 1 when a figure
// misses its goal (the goals are printed beside the figures).
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fx/effects.h"
#include "fx/objects.h"
#include "fx/sine.h"
#include "main/demo.h"
#include "util/standard_streams.h"

namespace {

double luminance(uint32_t p) {
    return 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
}

// Hue in degrees, or a negative value for a colour too grey to have a reliable one.
double hue(uint32_t p) {
    const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    const int chroma = hi - lo;
    if (chroma < 24) return -1;
    double h = 0;
    if (hi == r) h = 60.0 * (g - b) / chroma;
    else if (hi == g) h = 60.0 * (b - r) / chroma + 120;
    else h = 60.0 * (r - g) / chroma + 240;
    return h < 0 ? h + 360 : h;
}

double hue_distance(double a, double b) {
    const double d = std::fabs(a - b);
    return std::min(d, 360 - d);
}

double frame_mean(const IMG* img) {
    double sum = 0;
    const size_t n = static_cast<size_t>(img->width) * static_cast<size_t>(img->height);
    for (size_t i = 0; i < n; ++i) sum += luminance(img->pixels[i]);
    return sum / static_cast<double>(n);
}

// Where letter i of part 2 is drawn for the given phases: the rule of the bouncing letters.
struct Spot {
    int32_t x;
    int32_t y;
};
Spot letter_spot(int32_t i, const std::array<int32_t, 4>& phases) {
    auto term = [&](size_t j) {
        const int32_t index = wrap_index(letter_waves[j].letter_step * i + phases[j], SINE_LEN);
        return static_cast<int32_t>(int64_t{sine_table[static_cast<size_t>(index)]} *
                                    letter_waves[j].amplitude) >> 15;
    };
    const IMG* l = letters[static_cast<size_t>(i)];
    return {term(0) + term(1) + (screen_w - l->width) / 2,
            term(2) + term(3) + (screen_h - l->height) / 2};
}

struct Figures {
    // part 1
    double bar_pixels = 0, changed_pixels = 0;
    int64_t part1_frames_seen = 0, part1_pairs = 0;
    // part 2
    std::array<double, 4> ink_luma{}, screen_luma_sum{};
    std::array<int64_t, 4> screen_luma_n{};
    int64_t part2_frames_seen = 0, fewest_in_sight = 4, big_overlap_frames = 0;
    int64_t overlap_pixels = 0, overlap_hue_kept = 0;
    // part 3
    std::vector<uint8_t> covered = std::vector<uint8_t>(screen_h, 0);
    double logo_luma = 0, plasma_luma = 0;
    int64_t logo_n = 0, plasma_n = 0;
    std::vector<double> means;  // of every frame, for the part switches
};

void measure_part1(Figures& f, const IMG* frame, std::vector<uint32_t>& previous) {
    const size_t n = static_cast<size_t>(screen_w) * screen_h;
    int64_t bars = 0;
    for (int32_t y = 0; y < screen_h; ++y) {
        const uint32_t c = raster->colors[y];
        if (c == 0) continue;
        for (int32_t x = 0; x < screen_w; ++x) bars += frame->pixels[y * screen_w + x] == c;
    }
    f.bar_pixels += static_cast<double>(bars) / static_cast<double>(n);
    if (!previous.empty()) {
        int64_t changed = 0;
        for (size_t i = 0; i < n; ++i) changed += frame->pixels[i] != previous[i];
        f.changed_pixels += static_cast<double>(changed) / static_cast<double>(n);
        ++f.part1_pairs;
    }
    previous.assign(frame->pixels, frame->pixels + n);
    ++f.part1_frames_seen;
}

void measure_part2(Figures& f, const IMG* frame, const std::array<int32_t, 4>& phases) {
    // Which letters' ink lies on each canvas pixel (bit i for letter i).
    std::vector<uint8_t> owners(static_cast<size_t>(screen_w) * screen_h, 0);
    std::array<Spot, 4> spots{};
    int64_t in_sight = 0;
    for (int32_t i = 0; i < 4; ++i) {
        const IMG* l = letters[static_cast<size_t>(i)];
        spots[static_cast<size_t>(i)] = letter_spot(i, phases);
        const auto [sx, sy] = spots[static_cast<size_t>(i)];
        int64_t ink = 0, on = 0;
        for (int32_t y = 0; y < l->height; ++y)
            for (int32_t x = 0; x < l->width; ++x) {
                if (l->pixels[y * l->width + x] == 0) continue;
                ++ink;
                const int32_t cx = sx + x, cy = sy + y;
                if (cx < 0 || cy < 0 || cx >= screen_w || cy >= screen_h) continue;
                ++on;
                owners[static_cast<size_t>(cy * screen_w + cx)] |= static_cast<uint8_t>(1u << i);
            }
        in_sight += 100 * on >= ink && on > 0;  // at least 1 % of the letter on the screen
    }
    f.fewest_in_sight = std::min(f.fewest_in_sight, in_sight);

    // Pixels that the scroller or the corner logotype may cover are left out.
    const int32_t strip_top = screen_h - 26 - 32, logo_left = screen_w - logo1->width;
    auto hidden = [&](int32_t x, int32_t y) {
        return y >= strip_top || (x >= logo_left && y < logo1->height);
    };
    std::array<int64_t, 16> pair_pixels{};
    for (int32_t y = 0; y < screen_h; ++y)
        for (int32_t x = 0; x < screen_w; ++x) {
            const uint8_t o = owners[static_cast<size_t>(y * screen_w + x)];
            if (o == 0 || hidden(x, y)) continue;
            const uint32_t shown = frame->pixels[y * screen_w + x];
            if (std::has_single_bit(static_cast<unsigned>(o))) {
                const auto i = static_cast<size_t>(std::countr_zero(static_cast<unsigned>(o)));
                f.screen_luma_sum[i] += luminance(shown);
                ++f.screen_luma_n[i];
                continue;
            }
            if (std::popcount(static_cast<unsigned>(o)) != 2) continue;
            ++pair_pixels[o];
            // The hue on the screen against the hue of each letter's own pixel there.
            const double h = hue(shown);
            bool kept = h >= 0;
            for (int32_t i = 0; i < 4 && kept; ++i) {
                if (!(o & (1u << i))) continue;
                const IMG* l = letters[static_cast<size_t>(i)];
                const auto [sx, sy] = spots[static_cast<size_t>(i)];
                const double hl = hue(l->pixels[(y - sy) * l->width + (x - sx)]);
                kept = hl < 0 || hue_distance(h, hl) <= 60;
            }
            if (h < 0) continue;  // grey on the screen: no hue to keep or lose
            ++f.overlap_pixels;
            f.overlap_hue_kept += kept;
        }
    // "More than half a letter" of overlap, against the smaller letter's ink.
    const int64_t letter_ink = [] {
        int64_t n = 0;
        const IMG* l = letters[0];
        for (int32_t k = 0; k < l->width * l->height; ++k) n += l->pixels[k] != 0;
        return n;
    }();
    f.big_overlap_frames += std::any_of(pair_pixels.begin(), pair_pixels.end(),
                                        [&](int64_t p) { return 2 * p > letter_ink; });
    ++f.part2_frames_seen;
}

void measure_part3(Figures& f, const IMG* frame) {
    for (int32_t y = 0; y < logo0->height; ++y) {
        const int32_t cy = logo_y + y;
        if (cy < 0 || cy >= screen_h) continue;
        for (int32_t x = 0; x < std::min(logo0->width, screen_w); ++x)
            if (logo0->pixels[y * logo0->width + x] != 0) {
                f.covered[static_cast<size_t>(cy)] = 1;
                break;
            }
    }
    for (int32_t y = 0; y < screen_h; ++y)
        for (int32_t x = 0; x < screen_w; ++x) {
            const int32_t ly = y - logo_y;
            const bool logo = ly >= 0 && ly < logo0->height && x < logo0->width &&
                              logo0->pixels[ly * logo0->width + x] != 0;
            const double l = luminance(frame->pixels[y * screen_w + x]);
            if (logo) {
                f.logo_luma += l;
                ++f.logo_n;
            } else {
                f.plasma_luma += l;
                ++f.plasma_n;
            }
        }
}

double ink_luminance(const IMG* img) {
    double sum = 0;
    int64_t n = 0;
    for (int32_t k = 0; k < img->width * img->height; ++k)
        if (img->pixels[k] != 0) {
            sum += luminance(img->pixels[k]);
            ++n;
        }
    return n ? sum / static_cast<double>(n) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();
    const bool check = argc == 2 && std::strcmp(argv[1], "--check") == 0;
    if (argc > 2 || (argc == 2 && !check)) {
        std::fprintf(stderr, "usage: picture_measure [--check]   (run in the data folder)\n");
        return 2;
    }
    if (const char* missing = demo_create_objects(screen_w, screen_h)) {
        demo_report_missing("picture_measure", missing);
        return 1;
    }
    // The scroller echoes its text on standard output; the figures go there too.
    std::FILE* out = fdopen(dup(1), "w");
    if (!out || !freopen("/dev/null", "w", stdout)) return 1;

    Figures f;
    for (size_t i = 0; i < 4; ++i) f.ink_luma[i] = ink_luminance(letters[i]);
    std::vector<uint32_t> previous;
    std::array<int32_t, 4> phases{};
    DemoCycle cycle;
    cycle.hooks.show = [&](const IMG* frame, DemoStage stage) {
        f.means.push_back(frame_mean(frame));
        if (stage == DemoStage::part1) measure_part1(f, frame, previous);
        if (stage == DemoStage::part2) measure_part2(f, frame, phases);
        if (stage == DemoStage::part3) measure_part3(f, frame);
    };
    while (cycle.shown < demo_cycle_frames) {
        phases = letter_phases;  // the phases this frame's letters are drawn with
        demo_step(&cycle);
    }

    bool ok = true;
    auto figure = [&](const char* name, double value, const char* goal, bool met) {
        std::fprintf(out, "%-52s %8.1f   %s%s\n", name, value, goal, met ? "" : "   MISSED");
        ok &= met;
    };
    const double bars = 100 * f.bar_pixels / static_cast<double>(f.part1_frames_seen);
    const double changed = 100 * f.changed_pixels / static_cast<double>(f.part1_pairs);
    std::fprintf(out, "part 1 (%lld frames)\n", static_cast<long long>(f.part1_frames_seen));
    figure("  bar-coloured pixels, % of the screen", bars, ">= 20", bars >= 20);
    figure("  pixels changing between frames, %", changed, ">= 15", changed >= 15);

    std::fprintf(out, "part 2 (%lld frames)\n", static_cast<long long>(f.part2_frames_seen));
    const char* names = "KAPU";
    for (size_t i = 0; i < 4; ++i) {
        char label[64];
        std::snprintf(label, sizeof label, "  %c: ink mean luminance before the blend", names[i]);
        figure(label, f.ink_luma[i], ">= 200", f.ink_luma[i] >= 200);
        const double on_screen = f.screen_luma_n[i] ? f.screen_luma_sum[i] /
                                 static_cast<double>(f.screen_luma_n[i]) : 0;
        std::snprintf(label, sizeof label, "  %c: mean luminance on the screen", names[i]);
        figure(label, on_screen, ">= 100", on_screen >= 100);
    }
    const double kept = f.overlap_pixels ? 100.0 * static_cast<double>(f.overlap_hue_kept) /
                                               static_cast<double>(f.overlap_pixels) : 100;
    figure("  overlaps keeping a hue within 60 deg of both, %", kept, ">= 95", kept >= 95);
    const double big = 100.0 * static_cast<double>(f.big_overlap_frames) /
                       static_cast<double>(f.part2_frames_seen);
    figure("  frames where two letters overlap > half a letter, %", big, "(shown)", true);
    figure("  fewest letters in sight in a frame", static_cast<double>(f.fewest_in_sight), ">= 2",
           f.fewest_in_sight >= 2);

    std::fprintf(out, "part 3\n");
    const auto bare = static_cast<double>(std::count(f.covered.begin(), f.covered.end(), 0));
    const auto top = static_cast<double>(std::find(f.covered.begin(), f.covered.end(), 1) -
                                         f.covered.begin());
    figure("  rows the logotype never covers", bare, "<= 40", bare <= 40);
    figure("  highest row the logotype reaches", top, "(shown)", true);
    const double logo = f.logo_n ? f.logo_luma / static_cast<double>(f.logo_n) : 0;
    const double plasma = f.plasma_n ? f.plasma_luma / static_cast<double>(f.plasma_n) : 0;
    figure("  logotype mean luminance", logo, "(shown)", true);
    figure("  plasma mean luminance", plasma, "(shown)", true);
    figure("  difference", std::fabs(plasma - logo), ">= 90", std::fabs(plasma - logo) >= 90);

    std::fprintf(out, "mean luminance at the part switches (last frame -> first frame)\n");
    constexpr size_t first2 = part1_frames, first3 = part1_frames + part2_frames;
    std::fprintf(out, "  part 1 -> 2: %.1f -> %.1f   part 2 -> 3: %.1f -> %.1f   "
                      "part 3 -> 1: %.1f -> %.1f\n",
                 f.means[first2 - 1], f.means[first2], f.means[first3 - 1], f.means[first3],
                 f.means.back(), f.means.front());
    std::fclose(out);
    demo_release_objects();
    return check && !ok ? 1 : 0;
}
