// Tests of the SCREEN: the one instance, its modes and caption, and both ways of presenting.
#include "screen/screen.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/support.h"

namespace {

using kt::ImgPtr;

// The instance, opened at 320 x 240 (other tests of the process may have made it already).
SCREEN* open_screen() {
    SCREEN* screen = SCREEN_new();
    SCREEN_set_mode(screen, 320, 240);
    return screen;
}

// A picture whose every pixel differs: red from x, green from y, blue from both.
ImgPtr test_picture(int32_t w, int32_t h) {
    ImgPtr img = kt::make_img(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            img->pixels[y * w + x] = static_cast<uint32_t>(((x & 0xFF) << 16) | ((y & 0xFF) << 8) |
                                                           ((x * 7 + y * 3) & 0xFF));
    return img;
}

// Pixel (x, y) of a surface, read back through its own format as 0x00RRGGBB.
uint32_t surface_pixel(SDL_Surface* surface, int32_t x, int32_t y) {
    SDL_LockSurface(surface);
    const auto* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
    const int bytes = surface->format->BytesPerPixel;
    uint32_t raw = 0;
    for (int i = 0; i < bytes; ++i) raw |= static_cast<uint32_t>(row[x * bytes + i]) << (8 * i);
    SDL_UnlockSurface(surface);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(raw, surface->format, &r, &g, &b);
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

// What a 0x00RRGGBB colour becomes on the surface's format and back.
uint32_t as_stored(SDL_Surface* surface, uint32_t rgb) {
    const Uint32 raw = SDL_MapRGB(surface->format, static_cast<Uint8>(rgb >> 16),
                                  static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb));
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(raw, surface->format, &r, &g, &b);
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

void fill_surface(SDL_Surface* surface, uint32_t rgb) {
    SDL_FillRect(surface, nullptr,
                 SDL_MapRGB(surface->format, static_cast<Uint8>(rgb >> 16),
                            static_cast<Uint8>(rgb >> 8), static_cast<Uint8>(rgb)));
}

// The first pixel of the w x h top-left block whose stored colour differs from the image's, or
// "" when the block matches.
std::string first_mismatch(SDL_Surface* surface, const IMG* img, int32_t w, int32_t h) {
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t want = as_stored(surface, img->pixels[y * img->width + x]);
            const uint32_t got = surface_pixel(surface, x, y);
            if (got != want) {
                char text[96];
                std::snprintf(text, sizeof text, "(%d, %d): surface %06x, image %06x", x, y, got,
                              want);
                return text;
            }
        }
    return "";
}

std::string caption() {
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    return std::string(title ? title : "(null)") + "|" + (icon ? icon : "(null)");
}

TEST(Screen, NewOpens256By256AndASecondNewOpensNothing) {
    if (screen_instance != nullptr) {
        SCREEN* old = screen_instance;
        SCREEN_free(&old);
    }
    SCREEN* screen = SCREEN_new();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen, screen_instance);
    EXPECT_EQ(screen_flags, SCREEN_FLAGS_WINDOW);
    EXPECT_EQ(screen->width, 256);
    EXPECT_EQ(screen->height, 256);
    ASSERT_NE(screen_surface, nullptr);
    EXPECT_EQ(screen_surface->w, 256);
    EXPECT_EQ(screen->bpp, screen_surface->format->BitsPerPixel);
    EXPECT_EQ(caption(), "KAPU4417|KAPU4417");

    SCREEN_set_mode(screen, 320, 240);
    EXPECT_EQ(SCREEN_new(), screen) << "the one instance is returned";
    EXPECT_EQ(screen->width, 320) << "a second SCREEN_new opens no 256 x 256 surface";
    EXPECT_EQ(screen_surface->w, 320);
    EXPECT_EQ(screen_surface->h, 240);
    EXPECT_EQ(screen_doublebuf, 0) << "the flags ask for no double buffer";
}

TEST(Screen, SetModeRecordsEachSizeAndRetitlesTheWindow) {
    SCREEN* screen = open_screen();
    for (auto [w, h] : {std::pair{320, 240}, {64, 48}, {400, 300}, {320, 240}}) {
        SDL_WM_SetCaption("other", "other icon");
        SCREEN_set_mode(screen, w, h);
        EXPECT_EQ(screen->width, w) << w << "x" << h;
        EXPECT_EQ(screen->height, h) << w << "x" << h;
        ASSERT_NE(screen_surface, nullptr);
        EXPECT_EQ(screen_surface->w, w);
        EXPECT_EQ(screen_surface->h, h);
        EXPECT_EQ(screen->bpp, screen_surface->format->BitsPerPixel);
        EXPECT_EQ(caption(), "KAPU4417|KAPU4417") << w << "x" << h;
    }
}

TEST(Screen, SetModeRefusesNegativeSizesAndANullScreen) {
    SCREEN* screen = open_screen();
    SDL_Surface* surface = screen_surface;
    for (auto [w, h] : {std::pair{-1, 240}, {320, -1}, {-320, -240}}) {
        SDL_WM_SetCaption("unchanged", "unchanged");
        SCREEN_set_mode(screen, w, h);
        EXPECT_EQ(screen->width, 320) << w << "x" << h;
        EXPECT_EQ(screen->height, 240) << w << "x" << h;
        EXPECT_EQ(screen_surface, surface) << w << "x" << h;
        EXPECT_EQ(caption(), "unchanged|unchanged") << w << "x" << h;
    }
    SCREEN_set_mode(nullptr, 320, 240);
    EXPECT_EQ(screen_surface, surface);
}

TEST(Screen, RefusedModeLeavesNoSurfaceAndShowDoesNothing) {
    SCREEN* screen = open_screen();
    SDL_WM_SetCaption("before", "before");
    SCREEN_set_mode(screen, 1 << 20, 1 << 20);  // four terabytes of pixels: refused
    ASSERT_EQ(screen_surface, nullptr) << "this display took a 2^20 x 2^20 mode";
    EXPECT_EQ(SCREEN_ready(screen), 0);
    EXPECT_EQ(screen->width, 320) << "the record keeps the last good size";
    EXPECT_EQ(caption(), "before|before");
    ImgPtr frame = test_picture(320, 240);
    SCREEN_show(screen, frame.get());
    SCREEN_show_direct(screen, frame.get());
    SCREEN_show_converted(screen, frame.get());
    SCREEN_set_mode(screen, 320, 240);
    EXPECT_EQ(SCREEN_ready(screen), 1);
}

TEST(Screen, ShowCopiesTheImageOntoTheSurface) {
    SCREEN* screen = open_screen();
    ImgPtr frame = test_picture(320, 240);
    fill_surface(screen_surface, 0x123456);
    SCREEN_show(screen, frame.get());
    EXPECT_EQ(first_mismatch(screen_surface, frame.get(), 320, 240), "");
}

// On an SDL that does not scale, the program asks for an enlarged presentation: the surface is
// the frame times the scale, or larger, and every pixel becomes a block, centred on black.
TEST(Screen, ShowEnlargesEachPixelToABlockCentredOnALargerSurface) {
    screen_scale = 2;
    screen_min_w = 700;
    screen_min_h = 500;
    SCREEN* screen = open_screen();
    screen_scale = 1;
    screen_min_w = screen_min_h = 0;
    ASSERT_NE(screen_surface, nullptr);
    EXPECT_EQ(screen_surface->w, 700);
    EXPECT_EQ(screen_surface->h, 500);
    EXPECT_EQ(screen->width, 320) << "the SCREEN keeps the frame's size";
    EXPECT_EQ(screen->height, 240);
    if (screen_surface->format->BitsPerPixel != 32 || screen_surface->format->Rmask != 0xFF0000u)
        GTEST_SKIP() << "this display's surface is not 32-bit 0x00RRGGBB";
    ImgPtr frame = test_picture(320, 240);
    SCREEN_show(screen, frame.get());
    const int32_t left = (700 - 640) / 2, top = (500 - 480) / 2;
    for (int32_t y = 0; y < 480; y += 7)
        for (int32_t x = 0; x < 640; x += 3)
            ASSERT_EQ(surface_pixel(screen_surface, left + x, top + y),
                      frame->pixels[(y / 2) * 320 + x / 2]) << x << ", " << y;
    for (const auto& [x, y] : {std::pair{0, 0}, {left - 1, top}, {left, top - 1},
                               {left + 640, top + 479}, {left + 639, top + 480}, {699, 499}})
        EXPECT_EQ(surface_pixel(screen_surface, x, y), 0u) << "border at " << x << ", " << y;
}

TEST(Screen, ShowRefusesWrongImagesAndForeignScreens) {
    SCREEN* screen = open_screen();
    ImgPtr good = test_picture(320, 240);
    ImgPtr narrow = test_picture(319, 240);
    ImgPtr short_img = test_picture(320, 239);
    ImgPtr no_pixels = test_picture(320, 240);
    std::free(no_pixels->pixels);
    no_pixels->pixels = nullptr;
    SCREEN foreign{320, 240, 32};
    struct Case {
        const char* name;
        SCREEN*     screen;
        const IMG*  image;
    };
    for (const Case& c : {Case{"null screen", nullptr, good.get()},
                          Case{"foreign screen", &foreign, good.get()},
                          Case{"null image", screen, nullptr},
                          Case{"no pixels", screen, no_pixels.get()},
                          Case{"narrower image", screen, narrow.get()},
                          Case{"shorter image", screen, short_img.get()}}) {
        fill_surface(screen_surface, 0x123456);
        SCREEN_show(c.screen, c.image);
        SCREEN_show_direct(c.screen, c.image);
        EXPECT_EQ(surface_pixel(screen_surface, 0, 0), as_stored(screen_surface, 0x123456))
            << c.name;
    }
}

// Surfaces of other layouts, put in place of the video surface: SCREEN_show must convert.
TEST(Screen, ShowConvertsOnEveryOtherSurfaceLayout) {
    SCREEN* screen = open_screen();
    SDL_Surface* video = screen_surface;
    ImgPtr frame = test_picture(320, 240);
    std::vector<uint32_t> padded(static_cast<size_t>((320 + 8) * 240), 0xABCDEF);
    struct Case {
        const char*  name;
        SDL_Surface* surface;
    };
    const Case cases[] = {
        {"32-bit blue-green-red",
         SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 32, 0xFF, 0xFF00, 0xFF0000, 0)},
        {"16-bit 5-6-5",
         SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 16, 0xF800, 0x07E0, 0x001F, 0)},
        {"24-bit", SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 24, 0xFF0000, 0xFF00, 0xFF, 0)},
        {"32-bit with padded rows",
         SDL_CreateRGBSurfaceFrom(padded.data(), 320, 240, 32, (320 + 8) * 4, 0xFF0000, 0xFF00,
                                  0xFF, 0)},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.surface, nullptr) << c.name;
        fill_surface(c.surface, 0x123456);
        screen_surface = c.surface;
        SCREEN_show(screen, frame.get());
        screen_surface = video;
        EXPECT_EQ(first_mismatch(c.surface, frame.get(), 320, 240), "") << c.name;
        if (c.surface->pitch > c.surface->w * 4) {
            EXPECT_EQ(padded[320], 0xABCDEFu) << "a block copy would have written the row gap";
        }
        SDL_FreeSurface(c.surface);
    }
}

TEST(Screen, ShowConvertedPresentsTheCommonTopLeftPart) {
    SCREEN* screen = open_screen();
    struct Case {
        int32_t w, h;
    };
    for (const Case& c : {Case{320, 240}, Case{100, 50}, Case{400, 300}, Case{400, 100}}) {
        ImgPtr img = test_picture(c.w, c.h);
        fill_surface(screen_surface, 0x123456);
        SCREEN_show_converted(screen, img.get());
        const int32_t w = std::min(c.w, 320), h = std::min(c.h, 240);
        EXPECT_EQ(first_mismatch(screen_surface, img.get(), w, h), "") << c.w << "x" << c.h;
        if (w < 320) {
            EXPECT_EQ(surface_pixel(screen_surface, w, 0), as_stored(screen_surface, 0x123456))
                << c.w << "x" << c.h << ": right of the image";
        }
        if (h < 240) {
            EXPECT_EQ(surface_pixel(screen_surface, 0, h), as_stored(screen_surface, 0x123456))
                << c.w << "x" << c.h << ": below the image";
        }
    }
}

TEST(Screen, ShowDirectGivesTheSurfaceItsPixelsBack) {
    SCREEN* screen = open_screen();
    void* own = screen_surface->pixels;
    ImgPtr frame = test_picture(320, 240);
    SCREEN_show_direct(screen, frame.get());
    EXPECT_EQ(screen_surface->pixels, own);
    EXPECT_EQ(SDL_LockSurface(screen_surface), 0) << "the surface was unlocked again";
    SDL_UnlockSurface(screen_surface);
}

TEST(Screen, SmallOperationsAcceptOnlyTheInstance) {
    SCREEN* screen = open_screen();
    SCREEN foreign{320, 240, 32};
    ASSERT_NE(SCREEN_to_text(screen), nullptr);
    EXPECT_STREQ(SCREEN_to_text(screen), "");
    EXPECT_EQ(SCREEN_to_text(&foreign), nullptr);
    EXPECT_EQ(SCREEN_to_text(nullptr), nullptr);
    EXPECT_EQ(SCREEN_clone(screen), screen);
    EXPECT_EQ(SCREEN_clone(&foreign), nullptr);
    for (auto [a, b, want] : {std::tuple{screen, screen, 1}, {screen, &foreign, 0},
                              {&foreign, &foreign, 0}, {nullptr, screen, 0}, {screen, nullptr, 0}})
        EXPECT_EQ(SCREEN_equal(a, b), want) << a << " " << b;
}

TEST(Screen, FreeReleasesOnlyTheInstance) {
    SCREEN* screen = open_screen();
    SCREEN foreign{320, 240, 32};
    SCREEN* other = &foreign;
    SCREEN_free(&other);
    EXPECT_EQ(other, &foreign);
    SCREEN_free(nullptr);
    EXPECT_NE(screen_surface, nullptr);
    SCREEN_free(&screen);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(screen_instance, nullptr);
    EXPECT_EQ(screen_surface, nullptr);
}

}  // namespace
