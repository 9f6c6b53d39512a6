// tests/tune/capture.h: plays an XM module in libmikmod through a capture driver of our own,
// 735 frames (one 60 Hz video frame at 44100 Hz) per MikMod_Update, and keeps the sound.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int CAPTURE_RATE = 44100;
inline constexpr int CAPTURE_FRAMES_PER_UPDATE = 735;

struct CaptureRun {
    bool loaded = false;
    std::string error;           // libmikmod's message when loading failed
    int channels = 0, voices = 0, positions = 0, patterns = 0, instruments = 0, samples = 0;
    int speed = 0, tempo = 0;
    unsigned flags = 0;
    std::string type;
    bool ended = false;          // Player_Active() went false before the update cap
    long updates = 0;            // MikMod_Update calls made, the last being the one that ended it
    std::vector<int16_t> pcm;    // stereo, interleaved, updates x 735 frames
};

// Loads `path` with Player_Load(path, max_voices, 0) and plays it until Player_Active() is
// false or `max_updates` updates have run.
[[nodiscard]] CaptureRun capture_play(const std::string& path, int max_voices, long max_updates);

// Levels of a stereo render, in fractions of full scale.
struct Levels {
    double peak = 0.0;
    double rms = 0.0;
    double longest_silence_s = 0.0;  // longest run of 50 ms windows below -60 dB
};
[[nodiscard]] Levels measure(const std::vector<int16_t>& pcm, size_t frames);

// Writes 16-bit stereo PCM as a WAV file; false if it cannot.
bool write_wav(const std::string& path, const std::vector<int16_t>& pcm);
