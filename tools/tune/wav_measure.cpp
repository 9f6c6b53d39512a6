// WAV reading, silence runs and the downbeat finder of measure_tune.
#include "tools/tune/wav_measure.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
    return v;
}

}  // namespace

bool wav_read(const std::string& path, StereoPcm* pcm, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    const std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" || std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
        *error = path + " is not a WAV file";
        return false;
    }
    bool format_ok = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const std::string id(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
        const size_t size = le(b, at + 4, 4), body = at + 8;
        const size_t end = std::min(b.size(), body + size);
        if (id == "fmt " && end - body >= 16) {
            format_ok = le(b, body, 2) == 1 && le(b, body + 2, 2) == 2 && le(b, body + 14, 2) == 16;
            pcm->rate = le(b, body + 4, 4);
        } else if (id == "data") {
            if (!format_ok) break;
            pcm->samples.resize((end - body) / 2);
            for (size_t i = 0; i < pcm->samples.size(); ++i)
                pcm->samples[i] = static_cast<int16_t>(le(b, body + 2 * i, 2));
            pcm->samples.resize(pcm->samples.size() / 2 * 2);
            return true;
        }
        at = body + size + (size & 1);
    }
    *error = path + (format_ok ? " has no data chunk" : " is not 16-bit stereo PCM");
    return false;
}

Silence longest_silence(std::span<const int16_t> stereo, int16_t threshold) {
    Silence best, run;
    for (size_t f = 0; f < stereo.size() / 2; ++f) {
        if (std::abs(stereo[2 * f]) <= threshold && std::abs(stereo[2 * f + 1]) <= threshold) {
            if (run.length++ == 0) run.start = f;
            if (run.length > best.length) best = run;
        } else {
            run.length = 0;
        }
    }
    return best;
}

size_t strongest_onset(std::span<const int16_t> stereo, size_t from, size_t to, size_t window) {
    const size_t frames = stereo.size() / 2;
    to = std::min(to, frames);
    if (from >= to) return from;
    // Energy prefix sums over the frames that the windows around [from, to) reach.
    const size_t lo = from > window ? from - window : 0, hi = std::min(frames, to + window);
    std::vector<double> prefix(hi - lo + 1, 0.0);
    auto mono = [&](size_t f) { return static_cast<double>(stereo[2 * f]) + static_cast<double>(stereo[2 * f + 1]); };
    for (size_t f = lo; f < hi; ++f) {
        const double d = f == 0 ? mono(0) : mono(f) - mono(f - 1);
        prefix[f - lo + 1] = prefix[f - lo] + d * d;
    }
    auto energy = [&](size_t a, size_t b) { return prefix[std::min(b, hi) - lo] - prefix[std::max(a, lo) - lo]; };
    size_t best = from;
    double best_rise = -1e300;
    for (size_t f = from; f < to; ++f) {
        const double rise = energy(f, f + window) - energy(f > window ? f - window : 0, f);
        if (rise > best_rise) {
            best_rise = rise;
            best = f;
        }
    }
    return best;
}

SilenceRun digital_silence(std::span<const int16_t> stereo, size_t from, size_t to) {
    to = std::min(to, stereo.size() / 2);
    SilenceRun best, run;
    for (size_t f = from; f < to; ++f) {
        if (stereo[f * 2] != 0 || stereo[f * 2 + 1] != 0) {
            run.length = 0;
            continue;
        }
        if (run.length == 0) {
            run.start = f;
            run.step = f == 0 ? 0 : std::max(std::abs(stereo[f * 2 - 2]), std::abs(stereo[f * 2 - 1]));
        }
        if (++run.length > best.length) best = run;
    }
    return best;
}

ChannelPeaks channel_peaks(std::span<const int16_t> stereo, size_t from, size_t to) {
    to = std::min(to, stereo.size() / 2);
    ChannelPeaks p;
    for (size_t f = from; f < to; ++f) {
        p.left = std::max(p.left, std::abs(int{stereo[f * 2]}));
        p.right = std::max(p.right, std::abs(int{stereo[f * 2 + 1]}));
    }
    return p;
}
