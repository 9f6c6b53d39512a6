// music/mikmod_driver.h: a libmikmod output driver of our own around the library's software
// mixer, for everything that takes the mixed sound itself instead of playing it on a device
// (demo-render's capture, the tune tests, the tune fuzzers, the tests of the music glue).
// `update` is called on each MikMod_Update between Player_Start and Player_Stop, on the calling
// thread, and takes the sound with VC_WriteBytes. Register the result with
// MikMod_RegisterDriver before MikMod_Init, and keep it alive while the library runs.
#pragma once
#include <mikmod.h>

// `name` and `alias` must be unique among the registered drivers; `init` and `exit` may wrap
// VC_Init and VC_Exit (and must call them).
inline MDRIVER mikmod_software_driver(const char* name, const char* alias, void (*update)(),
                                      int (*init)() = VC_Init, void (*exit)() = VC_Exit) {
    MDRIVER d{};
    d.Name = name;  // a driver without a name or a version is silently not registered
    d.Version = name;
    d.HardVoiceLimit = 0;
    d.SoftVoiceLimit = 255;  // 0 would leave no voice to play
    d.Alias = alias;
    d.IsPresent = [] () -> BOOL { return 1; };
    d.SampleLoad = VC_SampleLoad;
    d.SampleUnload = VC_SampleUnload;
    d.FreeSampleSpace = VC_SampleSpace;
    d.RealSampleLength = VC_SampleLength;
    d.Init = init;
    d.Exit = exit;
    d.SetNumVoices = VC_SetNumVoices;
    d.PlayStart = VC_PlayStart;
    d.PlayStop = VC_PlayStop;
    d.Update = update;
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
