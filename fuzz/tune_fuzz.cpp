// fuzz/tune_fuzz.cpp: the tune check on any bytes, and behind it libmikmod on every module the
// check accepts: the XM loader (from memory, as the music glue loads it) and a few hundred player
// updates mixed into a driver that throws the sound away. A read outside memory in the library
// for an accepted module means the check lets through something it must refuse.
// With KAPU_TUNE_FUZZ_UNCHECKED set, every input goes to the library: that finds what to refuse.
#include <mikmod.h>

#include <climits>
#include <cstdlib>

#include "fuzz/fuzz.h"
#include "music/tune_check.h"

namespace {

constexpr int   UPDATES = 300;
constexpr ULONG FRAMES_PER_UPDATE = 1024;  // 16-bit stereo frames mixed in each update

void discard_update() {
    static SBYTE buffer[FRAMES_PER_UPDATE * 4];
    VC_WriteBytes(buffer, sizeof buffer);
}

BOOL always_present() { return 1; }

MDRIVER make_driver() {
    MDRIVER d{};
    d.Name = "kapu fuzz";
    d.Version = "kapu fuzz 1";
    d.HardVoiceLimit = 0;
    d.SoftVoiceLimit = 255;
    d.Alias = "kapufuzz";
    d.IsPresent = always_present;
    d.SampleLoad = VC_SampleLoad;
    d.SampleUnload = VC_SampleUnload;
    d.FreeSampleSpace = VC_SampleSpace;
    d.RealSampleLength = VC_SampleLength;
    d.Init = VC_Init;
    d.Exit = VC_Exit;
    d.SetNumVoices = VC_SetNumVoices;
    d.PlayStart = VC_PlayStart;
    d.PlayStop = VC_PlayStop;
    d.Update = discard_update;
    d.VoiceSetVolume = VC_VoiceSetVolume;
    d.VoiceGetVolume = VC_VoiceGetVolume;
    d.VoiceSetFrequency = VC_VoiceSetFrequency;
    d.VoiceGetFrequency = VC_VoiceGetFrequency;
    d.VoiceSetPanning = VC_VoiceSetPanning;
    d.VoiceGetPanning = VC_VoiceGetPanning;
    d.VoicePlay = VC_VoicePlay;
    d.VoiceStop = VC_VoiceStop;
    d.VoiceStopped = VC_VoiceStopped;
    d.VoiceGetPosition = VC_VoiceGetPosition;
    d.VoiceRealVolume = VC_VoiceRealVolume;
    return d;
}

// The only driver and the only loader: the check passes nothing but XM modules. The mixing
// rate and mode are the library's defaults, as in the demo (44100 Hz, 16-bit stereo).
bool start_library() {
    static MDRIVER driver = make_driver();
    MikMod_RegisterDriver(&driver);
    MikMod_RegisterLoader(&load_xm);
    md_mode |= DMODE_SOFT_MUSIC;
    return MikMod_Init("") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool unchecked = std::getenv("KAPU_TUNE_FUZZ_UNCHECKED") != nullptr;
    static const bool ready = start_library();
    FUZZ_CHECK(ready);

    const TuneCheck check = tune_check({data, size});
    FUZZ_CHECK(check.ok() == (tune_rule_area(check.rule) == TuneArea::none));
    FUZZ_CHECK(check.ok() || check.offset <= size);
    if ((!check.ok() && !unchecked) || size > INT_MAX) return 0;

    // The demo loads with 4 voices and reloads with 8; inputs take either.
    const int voices = (size & 1) ? 8 : 4;
    MODULE* module = Player_LoadMem(reinterpret_cast<const char*>(data), static_cast<int>(size), voices, 0);
    if (module == nullptr) return 0;
    Player_Start(module);
    for (int update = 0; update < UPDATES && Player_Active(); ++update) MikMod_Update();
    Player_Stop();
    Player_Free(module);
    return 0;
}
