// tools/tune/wav_measure.h: measures of a rendered 16-bit stereo WAV that sox and ffmpeg do not
// give directly: the longest silence, digital silence and the step into it, the peaks of each
// side, and the onset of a section's downbeat (its crash).
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct StereoPcm {
    uint32_t rate = 0;
    std::vector<int16_t> samples;  // interleaved left, right
    [[nodiscard]] size_t frames() const { return samples.size() / 2; }
};

// Reads a PCM WAV file of 16-bit stereo; false with the reason in *error for anything else.
[[nodiscard]] bool wav_read(const std::string& path, StereoPcm* pcm, std::string* error);

// The longest run of frames in which both channels stay within +-threshold (33 is -60 dBFS).
struct Silence {
    size_t start = 0;   // first frame of the run
    size_t length = 0;  // frames; 0 when no frame is that quiet
};
[[nodiscard]] Silence longest_silence(std::span<const int16_t> stereo, int16_t threshold);

// The longest run of digital silence (both channels exactly 0) in frames [from, to), and the
// step into it: the larger magnitude of the two channels on the frame before the run.
struct SilenceRun {
    size_t start = 0;
    size_t length = 0;  // 0 when no frame in the range is silent
    int step = 0;       // 0..32768
};
[[nodiscard]] SilenceRun digital_silence(std::span<const int16_t> stereo, size_t from, size_t to);

// The largest magnitude of the left and of the right channel in frames [from, to).
struct ChannelPeaks {
    int left = 0;
    int right = 0;
};
[[nodiscard]] ChannelPeaks channel_peaks(std::span<const int16_t> stereo, size_t from, size_t to);

// The frame in [from, to) where the energy of the bright part of the sound (the first
// difference of the mono sum) rises the most: the energy of the `window` frames after it minus
// that of the `window` frames before it is largest there. A crash, broadband and long, makes
// the largest rise at its first frame; short hats and snares near it make smaller ones.
[[nodiscard]] size_t strongest_onset(std::span<const int16_t> stereo, size_t from, size_t to, size_t window);
