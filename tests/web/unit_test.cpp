// tests/web/unit_test.cpp: the parts of the web front end that need no browser, built with
// emscripten and run under node: the rand() that the web build links in place of the browser's
// C library's, against numbers drawn from the GNU C library's; and the pacing of demo frames
// over simulated displays of several refresh rates, stalls included, by the 60 Hz clock and by
// the sound's. Prints each failure and
// ends with status 1 if there was any.
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "front/web/pace.h"

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
    if (ok) return;
    ++failures;
    std::printf("FAIL: %s\n", what.c_str());
}

[[gnu::format(printf, 1, 2)]] std::string text(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// FNV-1a, 64 bits, over the draws as 32-bit words: one number for a long sequence.
uint64_t hash_draws(int32_t count) {
    uint64_t h = 1469598103934665603ull;
    for (int32_t i = 0; i < count; ++i)
        h = (h ^ static_cast<uint32_t>(std::rand())) * 1099511628211ull;
    return h;
}

// Recorded with the GNU C library (Debian 12): srand(seed), then the first three rand() and the
// hash of the first 1000.
void rand_draws_what_glibc_draws() {
    struct Case {
        uint32_t seed;
        int32_t first[3];
        uint64_t hash;
    };
    const Case cases[] = {
        {0, {1804289383, 846930886, 1681692777}, 0x934f4c44e7708de6ull},
        {1, {1804289383, 846930886, 1681692777}, 0x934f4c44e7708de6ull},
        {42, {71876166, 708592740, 1483128881}, 0x2930b472c2616859ull},
        {123456789, {1965102536, 1639725855, 706684578}, 0xd083406937fd42bbull},
        {2147483648u, {}, 0xca966ed49a22fb45ull},  // above INT32_MAX: begun as a negative word
        {4294967295u, {}, 0xa9900b770e328683ull},
    };
    for (const Case& c : cases) {
        std::srand(c.seed);
        if (c.first[0] != 0)
            for (int32_t i = 0; i < 3; ++i) {
                const int32_t got = std::rand();
                check(got == c.first[i], text("seed %u, draw %d: %d, glibc draws %d", c.seed, i, got,
                                              c.first[i]));
            }
        std::srand(c.seed);
        const uint64_t got = hash_draws(1000);
        check(got == c.hash, text("seed %u: hash of 1000 draws %016llx, glibc's %016llx", c.seed,
                                  static_cast<unsigned long long>(got),
                                  static_cast<unsigned long long>(c.hash)));
    }
}

// rand() and random() draw from one state, as libmikmod's player (random()) and the starfield
// (rand()) do in the native programs; srandom() seeds it as srand() does.
void rand_and_random_share_one_state() {
    std::srand(7);
    const int32_t a = std::rand();
    const long b = random();
    const int32_t c = std::rand();
    check(a == 1045618677 && b == 1863967299 && c == 1272579899,
          text("srand(7), rand random rand: %d %ld %d, glibc 1045618677 1863967299 1272579899", a, b, c));
    srandom(7);
    check(std::rand() == 1045618677, "srandom(7) seeds as srand(7) does");
}

struct Display {
    const char* name;
    double hz;
    double jitter_ms;  // each animation frame early or late by up to this much
};

// Animation frames at the display's rate for `seconds`, with a fixed-seed jitter; a stall of
// `stall_ms` after `stall_at_s` seconds (0: none). Returns the frames stepped at each animation
// frame.
std::vector<int32_t> simulate(const Display& d, double seconds, double stall_at_s = 0,
                              double stall_ms = 0) {
    WEBPACE pace = web_pace_make();
    std::vector<int32_t> steps;
    uint32_t noise = 12345;
    const double period = 1000.0 / d.hz;
    double delay = 0;
    for (int32_t n = 0; n * period < seconds * 1000; ++n) {
        noise = noise * 1103515245u + 12345u;
        const double jitter = (static_cast<double>(noise >> 16 & 0x7fff) / 32767.0 * 2 - 1) * d.jitter_ms;
        const double t = 5000.0 + n * period + delay;
        if (stall_ms > 0 && delay == 0 && t >= 5000.0 + stall_at_s * 1000) {
            delay = stall_ms;  // this animation frame, and every one after it, comes that much later
            steps.push_back(web_pace_due(&pace, t + delay + jitter));
            continue;
        }
        steps.push_back(web_pace_due(&pace, t + jitter));
    }
    return steps;
}

int32_t total(const std::vector<int32_t>& steps) {
    int32_t sum = 0;
    for (int32_t s : steps) sum += s;
    return sum;
}

int32_t most(const std::vector<int32_t>& steps, size_t from = 0) {
    int32_t m = 0;
    for (size_t i = from; i < steps.size(); ++i) m = steps[i] > m ? steps[i] : m;
    return m;
}

// 60 demo frames per second of simulated time on any display; one at a time at 60 Hz and above
// (jitter included), so that no refresh shows two frames' worth of motion at once.
void sixty_frames_a_second_on_every_display() {
    const Display displays[] = {
        {"60 Hz", 60, 1.0},   {"59.94 Hz", 59.94, 1.0}, {"60.5 Hz", 60.5, 0.5}, {"75 Hz", 75, 0.5},
        {"120 Hz", 120, 0.5}, {"144 Hz", 144, 0.5},     {"240 Hz", 240, 0.2},  {"30 Hz", 30, 1.0},
    };
    for (const Display& d : displays) {
        const std::vector<int32_t> steps = simulate(d, 60);
        const int32_t frames = total(steps);
        check(frames >= 3599 && frames <= 3601, text("%s: %d frames in 60 s", d.name, frames));
        if (d.hz >= 59.9)
            check(most(steps, 1) <= 2, text("%s: %d frames in one refresh", d.name, most(steps, 1)));
        if (d.hz == 60) {
            int32_t not_one = 0;
            for (int32_t s : steps) not_one += s != 1;
            check(not_one == 0, text("60 Hz: %d refreshes without exactly one frame", not_one));
        }
        if (d.hz >= 120) check(most(steps) == 1, text("%s: two frames in one refresh", d.name));
        if (d.hz == 30) check(most(steps, 1) == 2, text("30 Hz: %d frames per refresh", most(steps, 1)));
    }
}

// After a short stall the missed frames are caught up (time keeps); after a long one at most a
// few frames come at once and the count starts again from then.
void a_stall_is_caught_up_a_few_frames_at_most() {
    const Display d{"60 Hz", 60, 0.3};
    const std::vector<int32_t> short_stall = simulate(d, 20, 10, 50);
    check(most(short_stall, 1) <= 4, text("50 ms stall: %d frames at once", most(short_stall, 1)));
    // 20 s of refreshes plus the 50 ms of the stall: 1203 frames
    const int32_t short_total = total(short_stall);
    check(short_total >= 1202 && short_total <= 1204,
          text("50 ms stall: %d frames in 20.05 s, time is kept", short_total));

    const std::vector<int32_t> long_stall = simulate(d, 20, 10, 2000);
    check(most(long_stall, 1) <= pacer_max_late + 1,
          text("2 s stall: %d frames at once", most(long_stall, 1)));
    // 20 s of refreshes around the stall: about 1200 frames, not the 1320 of 22 s
    const int32_t long_total = total(long_stall);
    check(long_total >= 1199 && long_total <= 1206,
          text("2 s stall: %d frames in 22 s, the stall's 120 not rushed out", long_total));
}


// Animation frames at 60 Hz for `seconds`, the sound clock given by `played_at` (samples played
// at a time in ms from the start, or a web_sound_* value); returns, per animation frame, the
// frame on the canvas less the frame whose samples play (0: in step), or the frames stepped
// when `steps_out` is set.
template <typename Played>
std::vector<int64_t> follow(double seconds, Played played_at, std::vector<int64_t>* steps_out = nullptr,
                            double period = 1000.0 / 60) {
    WEBPACE pace = web_pace_make();
    std::vector<int64_t> apart;
    int64_t shown = 0;
    for (int32_t n = 0; n * period < seconds * 1000; ++n) {
        const double t = n * period;
        const double played = played_at(t);
        const int64_t steps = web_pace_steps(&pace, 5000.0 + t, shown, played);
        shown += steps;
        if (steps_out != nullptr) steps_out->push_back(steps);
        if (played >= 0) apart.push_back(shown - 1 - static_cast<int64_t>(played / demo_samples_per_frame));
    }
    return apart;
}

double samples_at(double ms) { return ms * demo_audio_rate / 1000.0; }

// With sound the picture shows the frame whose samples play, on a display whose refresh is not
// the demo's rate, after the sound stood still (a hidden tab, a pause) and after a stall of the
// page; a catch-up never steps more than web_pace_max_steps in one animation frame.
void the_picture_follows_the_sound() {
    for (const double hz : {60.0, 59.94, 75.0, 144.0, 50.0}) {
        const std::vector<int64_t> apart = follow(30, samples_at, nullptr, 1000.0 / hz);
        int64_t worst = 0;
        for (int64_t a : apart) worst = std::max(worst, a < 0 ? -a : a);
        check(worst == 0, text("%.2f Hz: picture and sound %lld frames apart", hz, static_cast<long long>(worst)));
    }
    // The sound stands still from 5 s to 15 s: so does the picture, in step before and after.
    const auto held = [](double ms) { return samples_at(ms < 5000 ? ms : ms < 15000 ? 5000 : ms - 10000); };
    int64_t worst = 0;
    for (int64_t a : follow(25, held)) worst = std::max(worst, a < 0 ? -a : a);
    check(worst == 0, text("sound held 10 s: %lld frames apart", static_cast<long long>(worst)));
    // The page stalls (no animation frames) for 3 s while the sound plays on: the picture catches
    // up in slices and is in step again within a few animation frames.
    std::vector<int64_t> steps;
    WEBPACE pace = web_pace_make();
    int64_t shown = 0;
    int64_t after = -1;
    for (double t = 0; t < 10000; t += t >= 4000 && t < 7000 ? 3000 : 1000.0 / 60) {
        const double played = samples_at(t);
        const int64_t s = web_pace_steps(&pace, t, shown, played);
        check(s <= web_pace_max_steps, text("%lld frames stepped at once", static_cast<long long>(s)));
        shown += s;
        if (t > 7000 && after < 0 && shown - 1 == static_cast<int64_t>(played / demo_samples_per_frame))
            after = static_cast<int64_t>(t);
    }
    check(after >= 0 && after < 7200, text("after a 3 s stall in step again at %lld ms", static_cast<long long>(after)));
}

// Before the tune's first sample plays the first frame stays; sound that starts within the wait
// is followed from its first sample; sound that never starts leaves the 60 Hz clock after the
// wait; sound that starts later still is followed from where the picture is.
void the_first_frame_waits_for_the_sound() {
    const auto soon = [](double ms) { return ms < 100 ? web_sound_pending : samples_at(ms - 100); };
    std::vector<int64_t> steps;
    const std::vector<int64_t> apart = follow(5, soon, &steps);
    check(steps[0] == 1 && steps[1] == 0 && steps[5] == 0, "the first frame waits for the sound");
    int64_t worst = 0;
    for (int64_t a : apart) worst = std::max(worst, a < 0 ? -a : a);
    check(worst == 0, text("sound after 100 ms: %lld frames apart", static_cast<long long>(worst)));

    steps.clear();
    follow(10, [](double) { return web_sound_pending; }, &steps);
    int64_t frames = 0;
    for (int64_t s : steps) frames += s;
    const int64_t want = 1 + (10000 - static_cast<int64_t>(web_pace_sound_wait_ms)) * 60 / 1000;
    check(frames >= want - 2 && frames <= want + 2,
          text("no sound: %lld frames in 10 s, want about %lld", static_cast<long long>(frames),
               static_cast<long long>(want)));

    steps.clear();
    const auto late = [](double ms) { return ms < 2000 ? web_sound_pending : samples_at(ms - 2000); };
    follow(4, late, &steps);
    for (size_t i = 1; i < steps.size(); ++i)
        if (steps[i] > 1) check(false, text("late sound: %lld frames at once", static_cast<long long>(steps[i])));
}

}  // namespace

int main() {
    rand_draws_what_glibc_draws();
    rand_and_random_share_one_state();
    sixty_frames_a_second_on_every_display();
    a_stall_is_caught_up_a_few_frames_at_most();
    the_picture_follows_the_sound();
    the_first_frame_waits_for_the_sound();
    std::printf("%s\n", failures == 0 ? "web unit tests: all passed"
                                      : text("web unit tests: %d failed", failures).c_str());
    return failures == 0 ? 0 : 1;
}
