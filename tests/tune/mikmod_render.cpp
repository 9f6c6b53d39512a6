// tune_mikmod_render: plays an XM in libmikmod through the capture driver and reports its
// length and levels; optionally writes the sound as a WAV file.
// Usage: tune_mikmod_render FILE.xm [OUT.wav]
#include <cstdio>
#include <string>

#include "tests/tune/capture.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE.xm [OUT.wav]\n", argv[0]);
        return 2;
    }
    const CaptureRun run = capture_play(argv[1], 4, 60L * 60 * 10);  // cap: ten minutes
    if (!run.loaded) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], run.error.c_str());
        return 1;
    }
    const size_t frames = run.pcm.size() / 2;
    const Levels lv = measure(run.pcm, frames);
    std::printf("frames %zu seconds %.3f updates %ld ended %d channels %d voices %d "
                "peak %.4f rms %.4f longest_silence %.2f\n",
                frames, static_cast<double>(frames) / CAPTURE_RATE, run.updates, run.ended ? 1 : 0,
                run.channels, run.voices, lv.peak, lv.rms, lv.longest_silence_s);
    if (argc == 3 && !write_wav(argv[2], run.pcm)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return run.ended ? 0 : 1;
}
