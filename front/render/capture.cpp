// front/render/capture.cpp: the capture driver: libmikmod's software mixer writes one video
// frame's worth of sound (735 samples at 44100 Hz) into our buffer on each update.
#include "front/render/capture.h"

#include <mikmod.h>

#include <array>

#include "front/render/frame_io.h"

namespace {

std::array<int16_t, static_cast<size_t>(render_samples_per_frame) * 2> frame_sound{};
int64_t updates = 0;

void capture_update() {
    // VC_WriteBytes fills exactly the bytes asked for (whole sample frames), carrying the
    // mixer's position inside a tick over to the next call.
    ++updates;
    VC_WriteBytes(reinterpret_cast<SBYTE*>(frame_sound.data()),
                  static_cast<ULONG>(frame_sound.size() * sizeof(int16_t)));
}

BOOL capture_present() { return 1; }

int capture_init() {
    md_mixfreq = static_cast<UWORD>(render_audio_rate);
    md_mode |= DMODE_SOFT_MUSIC | DMODE_16BITS | DMODE_STEREO;
    md_mode &= ~static_cast<UWORD>(DMODE_FLOAT);
    return VC_Init();
}

// Field order of libmikmod 3.3's MDRIVER; the sample and voice functions are the software
// mixer's own.
MDRIVER capture_driver = {
    nullptr, "KAPU render capture", "KAPU render capture 1.0", 0, 255, "kapurender", nullptr,
    nullptr, capture_present, VC_SampleLoad, VC_SampleUnload, VC_SampleSpace, VC_SampleLength,
    capture_init, VC_Exit, nullptr, VC_SetNumVoices, VC_PlayStart, VC_PlayStop, capture_update,
    nullptr, VC_VoiceSetVolume, VC_VoiceGetVolume, VC_VoiceSetFrequency, VC_VoiceGetFrequency,
    VC_VoiceSetPanning, VC_VoiceGetPanning, VC_VoicePlay, VC_VoiceStop, VC_VoiceStopped,
    VC_VoiceGetPosition, VC_VoiceRealVolume};

}  // namespace

void capture_register() {
    md_mixfreq = static_cast<UWORD>(render_audio_rate);
    MikMod_RegisterDriver(&capture_driver);
}

std::span<const int16_t> capture_frame() { return frame_sound; }

void capture_clear() { frame_sound.fill(0); }

int64_t capture_updates() { return updates; }
