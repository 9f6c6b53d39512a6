// front/render/capture.cpp: the capture driver: libmikmod's software mixer writes one video
// frame's worth of sound (735 samples at 44100 Hz) into our buffer on each update.
#include "front/render/capture.h"

#include <mikmod.h>

#include <array>

#include "front/render/frame_io.h"
#include "music/mikmod_driver.h"

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

int capture_init() {
    md_mixfreq = static_cast<UWORD>(render_audio_rate);
    md_mode |= DMODE_SOFT_MUSIC | DMODE_16BITS | DMODE_STEREO;
    md_mode &= ~static_cast<UWORD>(DMODE_FLOAT);
    return VC_Init();
}

MDRIVER capture_driver = mikmod_software_driver("KAPU render capture", capture_alias, capture_update, capture_init);

}  // namespace

void capture_register() {
    md_mixfreq = static_cast<UWORD>(render_audio_rate);
    MikMod_RegisterDriver(&capture_driver);
}

std::span<const int16_t> capture_frame() { return frame_sound; }

void capture_clear() { frame_sound.fill(0); }

int64_t capture_updates() { return updates; }
