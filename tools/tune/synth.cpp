// Single-cycle waveforms and one-shot drums for the tune's instruments.
#include "tools/tune/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double two_pi = 2.0 * std::numbers::pi;

// Amplitude of partial k (1-based) of a wave; sine-phase series, so every wave starts at 0.
double partial(Wave wave, int k) {
    switch (wave) {
    case Wave::sine: return k == 1 ? 1.0 : 0.0;
    case Wave::saw: return 1.0 / k;
    case Wave::square: return (k % 2) ? 1.0 / k : 0.0;
    case Wave::triangle: return (k % 2) ? (((k / 2) % 2) ? -1.0 : 1.0) / (k * k) : 0.0;
    }
    return 0.0;
}

// Lanczos sigma factor: softens the truncated series so it does not overshoot and ring.
double sigma(int k, int harmonics) {
    const double x = std::numbers::pi * k / (harmonics + 1);
    return std::sin(x) / x;
}

// Scales to `peak` of `full` and rounds; the input's largest magnitude must be non-zero.
std::vector<int16_t> normalise(const std::vector<double>& v, double peak, double full) {
    double top = 0.0;
    for (double x : v) top = std::max(top, std::fabs(x));
    std::vector<int16_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(v[i] / top * peak * full));
    return out;
}

// A small linear congruential generator: the same noise on every machine.
class Noise {
public:
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;  // -1 .. 1
    }

private:
    uint32_t state_ = 0x1234567u;
};

std::vector<double> kick(size_t n) {
    std::vector<double> v(n);
    Noise noise;
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / DRUM_RATE;
        // The pitch falls fast to a low body around 50 Hz that holds for 0.18 s.
        const double freq = 52.0 + 140.0 * std::exp(-t * 35.0);
        const double body = t < 0.18 ? 1.0 : std::exp(-(t - 0.18) * 12.0);
        // A few milliseconds of noise on top give the beater's click, which cuts through the bass.
        v[i] = std::sin(phase) * body + 0.18 * noise.next() * std::exp(-t * 450.0);
        phase += two_pi * freq / DRUM_RATE;
    }
    return v;
}

std::vector<double> snare(size_t n) {
    std::vector<double> v(n);
    Noise noise;
    double phase = 0.0;
    double low = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / DRUM_RATE;
        const double white = noise.next();
        low += 0.7 * (white - low);  // a light low-pass: bright, without the harshest fizz
        v[i] = 0.8 * low * std::exp(-t * 15.0) + 0.55 * std::sin(phase) * std::exp(-t * 30.0);
        phase += two_pi * (175.0 + 60.0 * std::exp(-t * 60.0)) / DRUM_RATE;
    }
    return v;
}

// First difference of noise: a bright, hissy band for cymbals.
std::vector<double> metal(size_t n, double decay, uint32_t skip) {
    std::vector<double> v(n);
    Noise noise;
    for (uint32_t i = 0; i < skip; ++i) noise.next();
    double prev = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / DRUM_RATE;
        const double white = noise.next();
        v[i] = (white - prev) * std::exp(-t * decay);
        prev = white;
    }
    return v;
}

}  // namespace

std::vector<int16_t> synth_cycle(Wave wave, int harmonics, int length, double peak, int sweep) {
    const size_t total = static_cast<size_t>(length) * static_cast<size_t>(sweep);
    std::vector<double> v(total);
    for (size_t i = 0; i < total; ++i) {
        const double x = two_pi * static_cast<double>(i) / length;
        // 0 at the loop's start and end, 1 half-way: the tone moves there and back.
        const double depth = sweep > 1 ? 0.5 - 0.5 * std::cos(two_pi * static_cast<double>(i) / static_cast<double>(total)) : 0.0;
        const double width = 0.5 - 0.3 * depth;                          // pulse width, squares only
        const double corner = harmonics * (1.0 - 0.85 * depth) + 0.5;      // partials kept, other waves
        double sum = 0.0;
        for (int k = 1; k <= harmonics; ++k) {
            const double taper = sigma(k, harmonics);
            if (wave == Wave::square && sweep > 1) {
                // A pulse high for `width` of the cycle, without its mean (width 0.5 is the square).
                sum += 2.0 / (std::numbers::pi * k) * std::sin(k * std::numbers::pi * width) * taper *
                       std::cos(k * (x - std::numbers::pi * width));
            } else {
                const double open = sweep > 1 ? 1.0 / std::sqrt(1.0 + std::pow(k / corner, 4.0)) : 1.0;
                sum += partial(wave, k) * taper * open * std::sin(k * x);
            }
        }
        v[i] = sum;
    }
    return normalise(v, peak, 32767.0);
}

std::vector<int16_t> synth_drum(Drum drum, double peak, bool eight_bit) {
    std::vector<double> v;
    switch (drum) {
    case Drum::kick: v = kick(static_cast<size_t>(0.30 * DRUM_RATE)); break;
    case Drum::snare: v = snare(static_cast<size_t>(0.22 * DRUM_RATE)); break;
    case Drum::hat: v = metal(static_cast<size_t>(0.06 * DRUM_RATE), 70.0, 0); break;
    case Drum::openhat: v = metal(static_cast<size_t>(0.30 * DRUM_RATE), 14.0, 311); break;
    case Drum::crash: v = metal(static_cast<size_t>(1.40 * DRUM_RATE), 3.2, 977); break;
    case Drum::boom: {
        v = metal(static_cast<size_t>(1.40 * DRUM_RATE), 3.2, 977);
        const std::vector<double> k = kick(static_cast<size_t>(0.30 * DRUM_RATE));
        for (size_t i = 0; i < v.size(); ++i) v[i] = 0.45 * v[i] + (i < k.size() ? k[i] : 0.0);
        break;
    }
    }
    // The last few hundredths fade out, so the sample ends at 0 without a step.
    const size_t fade = std::min<size_t>(v.size(), 64);
    for (size_t i = 0; i < fade; ++i) v[v.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(fade);
    return normalise(v, peak, eight_bit ? 127.0 : 32767.0);
}

Tuning tuning_for_cycle(int length) {
    // A cycle of L samples sounds at 8363 / L Hz at C-4; C-4 should be 261.6256 Hz.
    const double semitones = 12.0 * std::log2(261.6255653 * length / 8363.0);
    const double whole = std::floor(semitones + 0.5);
    return {static_cast<int8_t>(whole), static_cast<int8_t>(std::lround((semitones - whole) * 128.0))};
}

bool wave_from_name(std::string_view name, Wave& wave) {
    constexpr std::pair<std::string_view, Wave> names[] = {
        {"sine", Wave::sine}, {"saw", Wave::saw}, {"square", Wave::square}, {"triangle", Wave::triangle}};
    for (auto [n, w] : names)
        if (n == name) {
            wave = w;
            return true;
        }
    return false;
}

bool drum_from_name(std::string_view name, Drum& drum) {
    constexpr std::pair<std::string_view, Drum> names[] = {
        {"kick", Drum::kick},       {"snare", Drum::snare}, {"hat", Drum::hat},
        {"openhat", Drum::openhat}, {"crash", Drum::crash}, {"boom", Drum::boom}};
    for (auto [n, d] : names)
        if (n == name) {
            drum = d;
            return true;
        }
    return false;
}
