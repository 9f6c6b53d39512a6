// front/render/capture.h: a libmikmod output driver of our own that keeps the mixed sound of each
// MikMod_Update instead of playing it, so the tune can be written in step with the frames.
#pragma once
#include <cstdint>
#include <span>

inline constexpr const char* capture_alias = "kapurender";  // libmikmod alias of the driver

// Registers the driver with libmikmod (before MikMod_Init); music_driver_alias set to
// capture_alias then makes the demo's music glue choose it over every stock driver.
void capture_register();
// The sound of the current frame: 735 stereo frames, interleaved; silence until an update
// mixes into it.
[[nodiscard]] std::span<const int16_t> capture_frame();
void capture_clear();         // back to silence for the next frame
[[nodiscard]] int64_t capture_updates();  // driver updates so far
