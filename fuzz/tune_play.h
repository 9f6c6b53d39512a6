// fuzz/tune_play.h: the tune check on a module's bytes and, behind it, libmikmod's XM loader
// (from memory, as the music glue loads it) and a few hundred player updates mixed into a driver
// that throws the sound away. Linked with a libmikmod built with AddressSanitizer, a read outside
// memory in the library for a module the check accepts means the check lets through something
// it must refuse. Shared by the fuzz targets over bytes and over generated modules.
#pragma once
#include <cstdint>
#include <span>

enum class TunePlayed : uint8_t { refused, not_loaded, played };

// Checks `bytes` (aborting through FUZZ_CHECK if the check's own result is inconsistent), then
// loads and plays what it accepts; with `unchecked`, what it refuses too. `voices` is 4 or 8,
// as the demo loads and reloads.
TunePlayed tune_play(std::span<const uint8_t> bytes, bool unchecked, int voices);
