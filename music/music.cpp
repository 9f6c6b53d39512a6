// music/music.cpp: the glue between the frame loop and libmikmod's player.
#include "music/music.h"

#include <mikmod.h>

#include <cstdio>

MODULE*     music = nullptr;
const char* music_driver_alias = "sdl";

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
    music = Player_Load(music_file, 4, 0);
    if (music != nullptr)
        Player_Start(music);
    else
        std::fprintf(stderr, "Error loading: %s\n", MikMod_strerror(MikMod_errno));
}

void music_pump() {
    if (music == nullptr) return;
    if (Player_Active()) {
        MikMod_Update();
        return;
    }
    // Played to its end: load it again, now with up to 8 voices, and mix from the next frame.
    Player_Stop();
    Player_Free(music);
    music = Player_Load(music_file, 8, 0);
    if (music != nullptr) Player_Start(music);
}

void music_stop() {
    if (music != nullptr) {
        Player_Stop();
        Player_Free(music);
        music = nullptr;
    }
    MikMod_Exit();
}
