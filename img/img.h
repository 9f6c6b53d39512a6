// img/img.h: the true-colour image type and everything done to images: life cycle and pixel
// access, Netpbm reading and writing, the text form, scaling and rotation, compositing.
// Misuse prints "IMG error\n" on standard output and returns a neutral result (null, 0, nothing
// drawn); nothing aborts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

struct IMG {
    int32_t   width;   // pixels per row
    int32_t   height;  // rows
    uint32_t* pixels;  // width x height pixels 0x00RRGGBB, row-major, top row first, no row gap
};

// The readers refuse a header announcing more pixels than this (64 MiB of pixels); IMG_resize
// refuses sizes whose pixel count does not fit in a signed 32-bit int.
inline constexpr int64_t IMG_MAX_READ_PIXELS = int64_t{1} << 24;

// Life cycle and pixels
[[nodiscard]] IMG* IMG_new();                 // 16 x 16, all 0; null when out of memory
void IMG_free(IMG** img);                     // releases *img and sets *img to null
void IMG_resize(IMG* img, int32_t w, int32_t h);  // drops the content: w x h zero pixels
void IMG_clear(IMG* img);                     // every pixel 0
uint32_t IMG_get_pixel(const IMG* img, int32_t x, int32_t y);         // reports outside: 0
void IMG_set_pixel(IMG* img, int32_t x, int32_t y, uint32_t pixel);   // silent outside
int32_t IMG_equal(const IMG* a, const IMG* b);  // 1 same size and pixels, else 0
[[nodiscard]] IMG* IMG_clone(const IMG* src);
void IMG_error();                             // prints "IMG error\n" on standard output

// Netpbm: P1..P6 read (bitmaps: set bit or non-zero sample -> 0xFFFFFF), P6 written.
// The readers fail on input that ends before the last sample, on more pixels than
// IMG_MAX_READ_PIXELS and on a header longer than 64 KiB (65536 bytes, counted up to and
// including the one character after its last number).
// Regular files only (symbolic links followed): a FIFO, device, directory or socket fails at once.
[[nodiscard]] IMG* IMG_load_pnm(const char* path);
// A zero byte ends the header and plain (P1..P3) samples; raw (P4..P6) samples are read as
// announced, so the buffer must hold all of them.
[[nodiscard]] IMG* IMG_parse_pnm(const uint8_t* data);
// Reads at most size bytes of data; input that ends early fails.
[[nodiscard]] IMG* IMG_parse_pnm_bounded(const uint8_t* data, size_t size);
int32_t IMG_save_ppm(const IMG* img, const char* path);  // 1 written, 0 failed

// Text form "IMG{\nP3\n..." ... "}\n"; the string is the caller's, released with free()
[[nodiscard]] char* IMG_to_text(const IMG* img);
[[nodiscard]] IMG* IMG_from_text(const char* text);  // null when the text ends early
int32_t IMG_find_after(const char* text, const char* pattern);  // index past the match; 0 none

// Scaling (nearest neighbour by run tables) and rotation (inverse mapping)
[[nodiscard]] IMG* IMG_scale(const IMG* src, int32_t w, int32_t h);
[[nodiscard]] int32_t* IMG_run_table(int32_t a, int32_t b);  // min(|a|,|b|) runs; caller frees
[[nodiscard]] IMG* IMG_rotate(const IMG* src, double angle);  // radians, clockwise on screen

// Compositing: the source comes first, 0 is the transparent key of the keyed copies
void IMG_blit_keyed(const IMG* src, IMG* dst, int32_t sx, int32_t sy, int32_t dx, int32_t dy,
                    int32_t w, int32_t h);
void IMG_blit_row_keyed(const IMG* src, IMG* dst, int32_t src_row, int32_t dst_row,
                        int32_t column);  // wraps past the right edge
void IMG_blit_row_or(const IMG* src, IMG* dst, int32_t src_row, int32_t dst_row,
                     int32_t column);
void IMG_and_mask(const IMG* mask, IMG* dst);
void IMG_blit_half(const IMG* src, IMG* dst, int32_t x, int32_t y);  // 50/50 blend, keyed
void IMG_fade_step(IMG* img, uint8_t amount);  // each channel lowered by amount, down to 0
