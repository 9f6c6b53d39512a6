// screen/screen.h: the one video surface of the process and the ways an IMG is presented on it.
// Misuse is refused silently through SCREEN_error; nothing aborts, nothing is printed.
#pragma once
#include <cstdint>

#include "img/img.h"

struct SDL_Surface;

struct SCREEN {
    int32_t width;   // size of the surface last opened successfully
    int32_t height;
    int32_t bpp;     // bits per pixel of that surface
};

// The flags word of every mode set: SDL_ANYFORMAT | SDL_ASYNCBLIT | SDL_HWSURFACE, plus
// SDL_FULLSCREEN in the full-screen program.
inline constexpr uint32_t SCREEN_FLAGS_FULLSCREEN = 0x90000005u;
inline constexpr uint32_t SCREEN_FLAGS_WINDOW = 0x10000005u;

extern uint32_t     screen_program_flags;  // what SCREEN_new takes: the window's unless the program
                                           // chose SCREEN_FLAGS_FULLSCREEN before it

extern SCREEN*      screen_instance;   // the one record; null before SCREEN_new and after the free
extern SDL_Surface* screen_surface;    // null before the first mode, after a failed one, after free
extern uint32_t     screen_flags;
extern int32_t      screen_doublebuf;  // 1: frames reach the display by flip, 0: by update

// For an SDL that does not scale by itself (the classic SDL 1.2 of the Windows build), set
// before the mode: the surface opens `screen_scale` times the asked size, or at least
// screen_min_w x screen_min_h (the desktop's size, full screen), and frames are shown on it
// enlarged by the largest whole factor it holds, every pixel a square block, centred. The
// SCREEN keeps the asked size. 1 and 0 x 0: the surface is the asked size.
extern int32_t      screen_scale;
extern int32_t      screen_min_w;
extern int32_t      screen_min_h;

// Life cycle: one SCREEN per process; a second SCREEN_new returns the first. Opens 256 x 256.
[[nodiscard]] SCREEN* SCREEN_new();
void SCREEN_free(SCREEN** screen);     // only the instance; its pointer is set to null
const char* SCREEN_to_text(const SCREEN* screen);    // "" for the instance, else null
int32_t SCREEN_equal(const SCREEN* a, const SCREEN* b);  // 1 when both are the instance
SCREEN* SCREEN_clone(SCREEN* screen);  // the instance itself; never duplicated

// Opens a w x h surface at the display's depth; on failure the screen has no surface until
// the next successful call and keeps its recorded size.
void SCREEN_set_mode(SCREEN* screen, int32_t w, int32_t h);
// The window's icon: the image with its 0 pixels transparent; taken for the window open now and
// the windows later modes open. Refused without an image or when SDL cannot copy it.
void SCREEN_set_icon(const IMG* icon);
int32_t SCREEN_ready(const SCREEN* screen);  // 1 when the instance has a surface to present on
const char* SCREEN_reason();                 // SDL's text for the last failure
const char* SCREEN_driver();                 // SDL's name of the video driver in use, or ""
// The size of the display the surface opens on, in pixels, into *w and *h; 1 when SDL tells it,
// else 0 and nothing written. Starts SDL's video when no mode has started it yet.
int32_t SCREEN_desktop_size(int32_t* w, int32_t* h);

// Presenting an image of the screen's size. On a surface larger than the screen's size (see
// screen_scale), SCREEN_show and SCREEN_show_direct copy it enlarged when the surface is 32-bit
// 0x00RRGGBB and convert it otherwise. Else SCREEN_show copies the pixels in one block when the
// surface is 32-bit 0x00RRGGBB with rows 4 x width apart and converts them otherwise;
// SCREEN_show_direct lends the pixels to the surface on that layout and converts otherwise;
// SCREEN_show_converted always converts and shows the top-left part the two have in common.
// Converting onto a 32-bit surface with red in the low byte (a browser canvas's order, the web
// build's) swaps red and blue and makes every pixel opaque; onto any other goes through SDL.
// Without a surface nothing is shown.
void SCREEN_show(SCREEN* screen, const IMG* image);
void SCREEN_show_direct(SCREEN* screen, const IMG* image);
void SCREEN_show_converted(SCREEN* screen, const IMG* image);

// Sound: SDL's audio device, opened by the music's output driver, which mixes in the device's
// callback. Pauses it until the driver plays again, and returns once no callback runs; nothing
// when the device is not open.
void SCREEN_pause_audio();

void SCREEN_error();                   // silent
