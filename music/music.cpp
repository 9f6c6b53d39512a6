// music/music.cpp: the glue between the frame loop and libmikmod's player.
#include "music/music.h"

#include <mikmod.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "main/demo.h"
#include "music/tune_check.h"

MODULE*     music = nullptr;
const char* music_driver_alias = "sdl";
void (*music_pause_output)() = nullptr;

namespace {

// The checked bytes of the tune, read once at start-up: every reload hands them to the library
// again instead of reading and checking the file each time.
std::vector<uint8_t> tune_bytes;
// Updates mixed since the tune was last loaded: a tune that ends before its second update plays
// as silence instead of being reloaded on every frame.
int64_t updates_since_load = 0;

// Keeps the device's thread out of the library before a call that shuts the output down while
// holding the library's lock (see music_pause_output).
void pause_output() {
    if (music_pause_output != nullptr) music_pause_output();
}

// libmikmod's own error for the part of the module the check refused, so that a refused tune
// reads like one the library refused itself.
int mikmod_error(TuneArea area) {
    switch (area) {
    case TuneArea::file: return MMERR_OPENING_FILE;
    case TuneArea::header: return MMERR_LOADING_HEADER;
    case TuneArea::patterns: return MMERR_LOADING_PATTERN;
    case TuneArea::instruments: return MMERR_LOADING_SAMPLEINFO;
    case TuneArea::none:
    case TuneArea::format: break;
    }
    return MMERR_NOT_A_MODULE;
}

// Reads and checks the tune into tune_bytes; false with the reason in *why when it cannot be
// played.
bool read_tune(std::string* why) {
    const TuneCheck check = tune_load(demo_data_path(music_file).c_str(), &tune_bytes);
    if (check.ok()) return true;
    tune_bytes.clear();
    *why = MikMod_strerror(mikmod_error(tune_rule_area(check.rule)));
    // Something that is not a readable file reads as a missing one; a refused module names the
    // rule it broke.
    if (check.rule != TuneRule::not_a_file) *why += " (" + tune_check_text(check) + ")";
    return false;
}

// Hands libmikmod the very bytes that were checked. Null with the reason in *why when it fails.
MODULE* load_tune(int voices, std::string* why) {
    updates_since_load = 0;
    MODULE* module = Player_LoadMem(reinterpret_cast<const char*>(tune_bytes.data()),
                                    static_cast<int>(tune_bytes.size()), voices, 0);
    if (module == nullptr) *why = MikMod_strerror(MikMod_errno);
    return module;
}

}  // namespace

void music_start() {
    // The library chains its loaders without a duplicate check: a second registration in the
    // same process would loop the chain, so both lists are registered once per process.
    static const bool registered = (MikMod_RegisterAllDrivers(), MikMod_RegisterAllLoaders(), true);
    (void)registered;
    md_mode |= DMODE_SOFT_MUSIC;
    // SDL's driver mixes on SDL's own audio thread, so a frame never waits for the sound card;
    // when it is not there, the library picks a driver itself.
    const int device = MikMod_DriverFromAlias(music_driver_alias);
    md_device = static_cast<UWORD>(device > 0 ? device : 0);
    if (MikMod_Init("") != 0) {
        std::fprintf(stderr, "Could not initialize sound\n");
        std::fprintf(stderr, "Reason: %s\n", MikMod_strerror(MikMod_errno));
        // The failed init has released the mixer's tables, and loading a tune into them
        // crashes: the demo stays silent, and music_pump does nothing while music is null.
        return;
    }
    std::string why;
    music = read_tune(&why) ? load_tune(4, &why) : nullptr;
    if (music != nullptr)
        Player_Start(music);
    else
        std::fprintf(stderr, "Error loading: %s\n", why.c_str());
}

void music_pump() {
    if (music == nullptr) return;
    if (Player_Active()) {
        MikMod_Update();
        ++updates_since_load;
        return;
    }
    // Played to its end: load it again from the bytes read at start-up, now with up to 8
    // voices, and mix from the next frame. A tune that ended at once (no positions, or its end
    // in its first update) would only be loaded again on every other frame: like a tune that
    // cannot be loaded any more, it silences the rest of the run without a message. Player_Start
    // resumes the output.
    pause_output();
    Player_Stop();
    Player_Free(music);
    music = nullptr;
    if (updates_since_load <= 1) return;
    std::string why;
    music = load_tune(8, &why);
    if (music != nullptr) Player_Start(music);
}

void music_stop() {
    pause_output();
    if (music != nullptr) {
        Player_Stop();
        Player_Free(music);
        music = nullptr;
    }
    tune_bytes = std::vector<uint8_t>();
    MikMod_Exit();
}
