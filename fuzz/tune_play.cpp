// fuzz/tune_play.cpp: the check, then libmikmod's loader and player, for the tune fuzz targets.
#include "fuzz/tune_play.h"

#include <mikmod.h>

#include <climits>

#include "fuzz/fuzz.h"
#include "music/mikmod_driver.h"
#include "music/tune_check.h"

namespace {

constexpr int   UPDATES = 300;
constexpr ULONG FRAMES_PER_UPDATE = 1024;  // 16-bit stereo frames mixed in each update

void discard_update() {
    static SBYTE buffer[FRAMES_PER_UPDATE * 4];
    VC_WriteBytes(buffer, sizeof buffer);
}

// The only driver and the only loader: the check passes nothing but XM modules. The mixing
// rate and mode are the library's defaults, as in the demo (44100 Hz, 16-bit stereo).
bool start_library() {
    static MDRIVER driver = mikmod_software_driver("kapu fuzz", "kapufuzz", discard_update);
    MikMod_RegisterDriver(&driver);
    MikMod_RegisterLoader(&load_xm);
    md_mode |= DMODE_SOFT_MUSIC;
    return MikMod_Init("") == 0;
}

}  // namespace

TunePlayed tune_play(std::span<const uint8_t> bytes, bool unchecked, int voices) {
    static const bool ready = start_library();
    FUZZ_CHECK(ready);

    const TuneCheck check = tune_check(bytes);
    FUZZ_CHECK(check.ok() == (tune_rule_area(check.rule) == TuneArea::none));
    FUZZ_CHECK(check.ok() || check.offset <= bytes.size());
    if (!check.ok() && !unchecked) return TunePlayed::refused;
    if (bytes.size() > INT_MAX) return TunePlayed::not_loaded;

    MODULE* module = Player_LoadMem(reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<int>(bytes.size()), voices, 0);
    if (module == nullptr) return TunePlayed::not_loaded;
    Player_Start(module);
    for (int update = 0; update < UPDATES && Player_Active(); ++update) MikMod_Update();
    Player_Stop();
    Player_Free(module);
    return TunePlayed::played;
}
