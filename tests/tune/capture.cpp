// The capture driver: libmikmod's software mixer writes into our buffer on each update.
#include "tests/tune/capture.h"

#include <mikmod.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "music/mikmod_driver.h"

namespace {

std::vector<int16_t>* sink = nullptr;

void capture_update() {
    int16_t buffer[CAPTURE_FRAMES_PER_UPDATE * 2] = {};
    const ULONG bytes = VC_WriteBytes(reinterpret_cast<SBYTE*>(buffer), sizeof buffer);
    if (sink) sink->insert(sink->end(), buffer, buffer + bytes / sizeof(int16_t));
}

int capture_init() {
    md_mode |= DMODE_SOFT_MUSIC;
    return VC_Init();
}

MDRIVER capture_driver = mikmod_software_driver("capture", "kapucapture", capture_update, capture_init);

void register_once() {
    static bool done = false;
    if (done) return;
    done = true;
    // The only driver, so that autodetection picks it whatever the machine has.
    MikMod_RegisterDriver(&capture_driver);
    MikMod_RegisterLoader(&load_xm);
}

}  // namespace

CaptureRun capture_play(const std::string& path, int max_voices, long max_updates) {
    CaptureRun run;
    register_once();
    md_mixfreq = CAPTURE_RATE;
    md_mode |= DMODE_SOFT_MUSIC;
    if (MikMod_Init("")) {
        run.error = MikMod_strerror(MikMod_errno);
        return run;
    }
    MODULE* module = Player_Load(path.c_str(), max_voices, 0);
    if (!module) {
        run.error = MikMod_strerror(MikMod_errno);
        MikMod_Exit();
        return run;
    }
    run.loaded = true;
    run.channels = module->numchn;
    run.voices = module->numvoices;
    run.positions = module->numpos;
    run.patterns = module->numpat;
    run.instruments = module->numins;
    run.samples = module->numsmp;
    run.speed = module->initspeed;
    run.tempo = module->inittempo;
    run.flags = module->flags;
    run.type = module->modtype ? module->modtype : "";

    sink = &run.pcm;
    Player_Start(module);
    while (run.updates < max_updates) {
        MikMod_Update();
        ++run.updates;
        if (!Player_Active()) {
            run.ended = true;
            break;
        }
    }
    Player_Stop();
    sink = nullptr;
    Player_Free(module);
    MikMod_Exit();
    return run;
}

Levels measure(const std::vector<int16_t>& pcm, size_t frames) {
    Levels out;
    frames = std::min(frames, pcm.size() / 2);
    if (frames == 0) return out;
    constexpr size_t window = CAPTURE_RATE / 20;
    constexpr double quiet = 32768.0 / 1000.0;  // -60 dB
    double sum = 0.0;
    int32_t top = 0;
    size_t silent_run = 0, longest = 0;
    for (size_t start = 0; start < frames; start += window) {
        const size_t end = std::min(frames, start + window);
        int32_t window_top = 0;
        for (size_t i = start * 2; i < end * 2; ++i) {
            const int32_t v = std::abs(int32_t{pcm[i]});
            window_top = std::max(window_top, v);
            sum += static_cast<double>(v) * v;
        }
        top = std::max(top, window_top);
        silent_run = window_top < quiet ? silent_run + (end - start) : 0;
        longest = std::max(longest, silent_run);
    }
    out.peak = top / 32768.0;
    out.rms = std::sqrt(sum / static_cast<double>(frames * 2)) / 32768.0;
    out.longest_silence_s = static_cast<double>(longest) / CAPTURE_RATE;
    return out;
}

bool write_wav(const std::string& path, const std::vector<int16_t>& pcm) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto data_bytes = static_cast<uint32_t>(pcm.size() * 2);
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f); };
    auto u16 = [&](uint32_t v) { for (int i = 0; i < 2; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f); };
    std::fputs("RIFF", f);
    u32(36 + data_bytes);
    std::fputs("WAVEfmt ", f);
    u32(16);
    u16(1);
    u16(2);
    u32(CAPTURE_RATE);
    u32(CAPTURE_RATE * 4);
    u16(4);
    u16(16);
    std::fputs("data", f);
    u32(data_bytes);
    for (int16_t s : pcm) u16(static_cast<uint16_t>(s));
    return std::fclose(f) == 0;
}
