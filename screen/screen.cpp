// screen/screen.cpp: the one SDL 1.2 video surface, its modes and the presentation of frames.
#include "screen/screen.h"

#include <SDL.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

SCREEN*      screen_instance = nullptr;
SDL_Surface* screen_surface = nullptr;
uint32_t     screen_flags = 0;
uint32_t     screen_program_flags = SCREEN_FLAGS_WINDOW;
int32_t      screen_doublebuf = 0;
int32_t      screen_scale = 1;
int32_t      screen_min_w = 0;
int32_t      screen_min_h = 0;

namespace {

constexpr const char* caption = "KAPU4417";

bool is_instance(const SCREEN* screen) {
    return screen != nullptr && screen == screen_instance;
}

// The checks shared by the presenting operations; sizes are compared only when asked.
bool can_present(const SCREEN* screen, const IMG* image, bool same_size) {
    if (!is_instance(screen) || image == nullptr || image->pixels == nullptr) return false;
    if (same_size && (image->width != screen->width || image->height != screen->height))
        return false;
    return true;
}

// The pixel layout of the image's words, whatever the surface's size and row length.
bool surface_has_img_layout(const SDL_Surface* surface) {
    const SDL_PixelFormat* f = surface->format;
    return f->BitsPerPixel == 32 && f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000u &&
           f->Gmask == 0x0000FF00u && f->Bmask == 0x000000FFu;
}

// The image's words 0x00RRGGBB are the surface's pixels as they stand only on this layout.
bool surface_matches_img(const SDL_Surface* surface) {
    return surface_has_img_layout(surface) && surface->pitch == surface->w * 4;
}

// True when the surface is not the frame's size: frames are enlarged onto it (screen_scale).
bool presents_enlarged(const SCREEN* screen) {
    return screen_surface->w != screen->width || screen_surface->h != screen->height;
}

// The frame enlarged by the largest whole factor the surface holds, each pixel a square block,
// centred: every source row is widened once, then copied to the rows below it. The border
// around it stays as the mode left it.
void copy_enlarged(const IMG* image, SDL_Surface* surface) {
    const int32_t scale = std::min(surface->w / image->width, surface->h / image->height);
    if (scale < 1) return;
    const int32_t w = image->width * scale;
    const int32_t h = image->height * scale;
    if (SDL_LockSurface(surface) != 0) return;
    auto* top = static_cast<uint8_t*>(surface->pixels) +
                static_cast<ptrdiff_t>((surface->h - h) / 2) * surface->pitch +
                static_cast<ptrdiff_t>((surface->w - w) / 2) * 4;
    const uint32_t* from = image->pixels;
    for (int32_t y = 0; y < image->height; ++y, from += image->width) {
        auto* row = reinterpret_cast<uint32_t*>(top);
        for (int32_t x = 0, to = 0; x < image->width; ++x)
            for (int32_t k = 0; k < scale; ++k) row[to++] = from[x];
        top += surface->pitch;
        for (int32_t k = 1; k < scale; ++k, top += surface->pitch)
            std::memcpy(top, row, static_cast<size_t>(w) * 4);
    }
    SDL_UnlockSurface(surface);
}

void present(SDL_Surface* surface) {
    if (screen_doublebuf)
        SDL_Flip(surface);
    else
        SDL_UpdateRect(surface, 0, 0, 0, 0);
}

// 32-bit words with red in the low byte, as a browser's canvas holds its pixels (bytes R G B A):
// the layout of the SDL of the web build.
bool surface_is_canvas_order(const SDL_Surface* surface) {
    const SDL_PixelFormat* f = surface->format;
    return f->BitsPerPixel == 32 && f->BytesPerPixel == 4 && f->Rmask == 0x000000FFu &&
           f->Gmask == 0x0000FF00u && f->Bmask == 0x00FF0000u;
}

// Copies the top-left w x h of the image onto such a surface, red and blue swapped. The image's
// top byte is 0, not an opacity: every pixel gets the surface's alpha bits, so the canvas does
// not blend the frame with the page behind it.
void copy_canvas_order(const IMG* image, SDL_Surface* surface, int32_t w, int32_t h) {
    if (SDL_LockSurface(surface) != 0) return;
    const uint32_t opaque = surface->format->Amask;
    const uint32_t* from = image->pixels;
    auto* to_row = static_cast<uint8_t*>(surface->pixels);
    for (int32_t y = 0; y < h; ++y, from += image->width, to_row += surface->pitch) {
        auto* to = reinterpret_cast<uint32_t*>(to_row);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = from[x];
            to[x] = opaque | (p & 0x0000FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
        }
    }
    SDL_UnlockSurface(surface);
}

// Puts the top-left w x h of the image on the screen in the display's format: on the canvas
// layout by swapping red and blue, otherwise through SDL's conversion. The temporary surface
// of a conversion keeps the image's own row length, so a wider image is read row by row.
void blit_converted(const IMG* image, int32_t w, int32_t h) {
    if (surface_is_canvas_order(screen_surface)) {
        copy_canvas_order(image, screen_surface, w, h);
        return;
    }
    // SDL wants a mutable pointer; it only reads the pixels here.
    void* pixels = const_cast<uint32_t*>(image->pixels);
    SDL_Surface* temp = SDL_CreateRGBSurfaceFrom(pixels, w, h, 32, image->width * 4, 0x00FF0000u,
                                                 0x0000FF00u, 0x000000FFu, 0xFF000000u);
    if (temp == nullptr) return;
    // The image's top byte is 0, not an opacity: convert as an opaque picture.
    SDL_SetAlpha(temp, 0, SDL_ALPHA_OPAQUE);
    SDL_Surface* converted = SDL_DisplayFormat(temp);
    if (converted != nullptr) {
        SDL_Rect at{0, 0, 0, 0};
        SDL_UpperBlit(converted, nullptr, screen_surface, &at);
        SDL_FreeSurface(converted);
    }
    SDL_FreeSurface(temp);
}

}  // namespace

void SCREEN_error() {}

SCREEN* SCREEN_new() {
    if (screen_instance != nullptr) {
        SCREEN_error();
        return screen_instance;
    }
    screen_flags = screen_program_flags;
    screen_instance = static_cast<SCREEN*>(std::calloc(1, sizeof(SCREEN)));
    if (screen_instance == nullptr) {
        SCREEN_error();
        return nullptr;
    }
    SCREEN_set_mode(screen_instance, 256, 256);
    return screen_instance;
}

void SCREEN_free(SCREEN** screen) {
    if (screen == nullptr || !is_instance(*screen)) {
        SCREEN_error();
        return;
    }
    if (screen_surface != nullptr) SDL_FreeSurface(screen_surface);
    screen_surface = nullptr;
    std::free(*screen);
    *screen = nullptr;
    screen_instance = nullptr;
}

const char* SCREEN_to_text(const SCREEN* screen) {
    if (!is_instance(screen)) {
        SCREEN_error();
        return nullptr;
    }
    return "";
}

int32_t SCREEN_equal(const SCREEN* a, const SCREEN* b) {
    if (a == nullptr || b == nullptr || a != b || a != screen_instance) {
        SCREEN_error();
        return 0;
    }
    return 1;
}

SCREEN* SCREEN_clone(SCREEN* screen) {
    if (!is_instance(screen)) {
        SCREEN_error();
        return nullptr;
    }
    return screen_instance;
}

void SCREEN_set_mode(SCREEN* screen, int32_t w, int32_t h) {
    if (screen == nullptr || w < 0 || h < 0) {
        SCREEN_error();
        return;
    }
    if (screen_surface != nullptr) SDL_FreeSurface(screen_surface);
    const int32_t scale = screen_scale > 1 ? screen_scale : 1;
    screen_surface = SDL_SetVideoMode(std::max(w * scale, screen_min_w),
                                      std::max(h * scale, screen_min_h), 0, screen_flags);
    if (screen_surface == nullptr) {
        SCREEN_error();
        return;
    }
    SDL_WM_SetCaption(caption, caption);
    if (screen_instance != nullptr) {
        screen_instance->bpp = screen_surface->format->BitsPerPixel;
        screen_instance->width = w;
        screen_instance->height = h;
    }
    screen_doublebuf = (screen_surface->flags & SDL_DOUBLEBUF) != 0 ? 1 : 0;
    // The border of an enlarged frame starts black.
    if (screen_surface->w != w || screen_surface->h != h) SDL_FillRect(screen_surface, nullptr, 0);
}

void SCREEN_set_icon(const IMG* icon) {
    if (icon == nullptr || icon->pixels == nullptr || icon->width <= 0 || icon->height <= 0) {
        SCREEN_error();
        return;
    }
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, icon->width, icon->height, 32,
                                                0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0);
    if (surface == nullptr) {
        SCREEN_error();
        return;
    }
    // One bit a pixel, leftmost first, rows padded to whole bytes: set where the picture is not
    // the transparent 0.
    const int32_t row_bytes = (icon->width + 7) / 8;
    auto* mask = static_cast<Uint8*>(std::calloc(static_cast<size_t>(row_bytes) *
                                                     static_cast<size_t>(icon->height), 1));
    if (mask != nullptr && SDL_LockSurface(surface) == 0) {
        for (int32_t y = 0; y < icon->height; ++y) {
            const uint32_t* from = icon->pixels + std::ptrdiff_t{y} * icon->width;
            auto* to = reinterpret_cast<uint32_t*>(static_cast<Uint8*>(surface->pixels) +
                                                   std::ptrdiff_t{y} * surface->pitch);
            Uint8* bits = mask + std::ptrdiff_t{y} * row_bytes;
            for (int32_t x = 0; x < icon->width; ++x) {
                to[x] = from[x];
                if (from[x] != 0) bits[x / 8] |= static_cast<Uint8>(0x80u >> (x % 8));
            }
        }
        SDL_UnlockSurface(surface);
        SDL_WM_SetIcon(surface, mask);  // the library keeps a copy of both
    } else {
        SCREEN_error();
    }
    std::free(mask);
    SDL_FreeSurface(surface);
}

int32_t SCREEN_ready(const SCREEN* screen) {
    return is_instance(screen) && screen_surface != nullptr ? 1 : 0;
}

const char* SCREEN_reason() {
    return SDL_GetError();
}

const char* SCREEN_driver() {
    static char name[64];
    if (SDL_VideoDriverName(name, sizeof name) == nullptr) name[0] = '\0';
    return name;
}

void SCREEN_pause_audio() {
    if (SDL_GetAudioStatus() == SDL_AUDIO_STOPPED) return;
    SDL_PauseAudio(1);
    // The callback runs under the audio lock: taking it waits for one under way to end, and
    // every later one sees the pause.
    SDL_LockAudio();
    SDL_UnlockAudio();
}

int32_t SCREEN_desktop_size(int32_t* w, int32_t* h) {
    if (w == nullptr || h == nullptr) return 0;
    // The size is known only once the video has started, and SDL_SetVideoMode would start it
    // anyway; asked first, the window can be sized before it opens.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == nullptr || info->current_w <= 0 || info->current_h <= 0) return 0;
    *w = info->current_w;
    *h = info->current_h;
    return 1;
}

// The checks both block presentations share: true when the image may go to the surface as
// it is; otherwise the frame has been refused, dropped for want of a surface, enlarged or
// converted.
static bool block_layout_or_convert(SCREEN* screen, const IMG* image) {
    if (!can_present(screen, image, true)) {
        SCREEN_error();
        return false;
    }
    if (screen_surface == nullptr) return false;
    if (presents_enlarged(screen) && surface_has_img_layout(screen_surface)) {
        copy_enlarged(image, screen_surface);
        present(screen_surface);
        return false;
    }
    if (!surface_matches_img(screen_surface) || screen_surface->w != image->width ||
        screen_surface->h != image->height) {
        SCREEN_show_converted(screen, image);
        return false;
    }
    return true;
}

void SCREEN_show(SCREEN* screen, const IMG* image) {
    if (!block_layout_or_convert(screen, image)) return;
    if (SDL_LockSurface(screen_surface) != 0) return;
    const auto bytes = static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 4;
    std::memcpy(screen_surface->pixels, image->pixels, bytes);
    SDL_UnlockSurface(screen_surface);
    present(screen_surface);
}

void SCREEN_show_direct(SCREEN* screen, const IMG* image) {
    if (!block_layout_or_convert(screen, image)) return;
    if (SDL_LockSurface(screen_surface) != 0) return;
    void* own_pixels = screen_surface->pixels;
    screen_surface->pixels = const_cast<uint32_t*>(image->pixels);  // only read while lent
    present(screen_surface);
    screen_surface->pixels = own_pixels;
    SDL_UnlockSurface(screen_surface);
}

void SCREEN_show_converted(SCREEN* screen, const IMG* image) {
    if (!can_present(screen, image, false)) {
        SCREEN_error();
        return;
    }
    if (screen_surface == nullptr) return;
    const int32_t w = image->width < screen->width ? image->width : screen->width;
    const int32_t h = image->height < screen->height ? image->height : screen->height;
    if (w > 0 && h > 0) blit_converted(image, w, h);
    present(screen_surface);
}
