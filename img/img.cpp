// img/img.cpp: the image record's life cycle, its bounds-tested pixel accessors and the hook.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "img/img.h"

namespace {

// Zero-filled pixels for w x h; never a zero-byte request, so a valid image always has an array.
uint32_t* alloc_pixels(int64_t count) {
    return static_cast<uint32_t*>(std::calloc(static_cast<size_t>(count > 0 ? count : 1),
                                              sizeof(uint32_t)));
}

}  // namespace

void IMG_error() { std::printf("IMG error\n"); }

IMG* IMG_new() {
    auto* img = static_cast<IMG*>(std::calloc(1, sizeof(IMG)));
    if (!img) {
        IMG_error();
        return nullptr;
    }
    img->width = 16;
    img->height = 16;
    img->pixels = alloc_pixels(16 * 16);
    if (!img->pixels) {
        std::free(img);
        IMG_error();
        return nullptr;
    }
    return img;
}

void IMG_free(IMG** img) {
    if (!img || !*img) {
        IMG_error();
        return;
    }
    std::free((*img)->pixels);
    std::free(*img);
    *img = nullptr;
}

// A failed allocation keeps the old size and content, so the record never points at a missing
// or too-small array.
void IMG_resize(IMG* img, int32_t w, int32_t h) {
    if (!img || w < 0 || h < 0) {
        IMG_error();
        return;
    }
    const int64_t count = int64_t{w} * h;
    if (count > INT32_MAX) {
        IMG_error();
        return;
    }
    uint32_t* pixels = alloc_pixels(count);
    if (!pixels) return;
    std::free(img->pixels);
    img->pixels = pixels;
    img->width = w;
    img->height = h;
}

void IMG_clear(IMG* img) {
    if (!img || !img->pixels) {
        IMG_error();
        return;
    }
    std::memset(img->pixels, 0, static_cast<size_t>(img->width) * static_cast<size_t>(img->height) * sizeof(uint32_t));
}

uint32_t IMG_get_pixel(const IMG* img, int32_t x, int32_t y) {
    if (!img || x < 0 || y < 0 || x >= img->width || y >= img->height) {
        IMG_error();
        return 0;
    }
    // The record alone is checked, as callers rely on; a missing array still reads nothing.
    if (!img->pixels) return 0;
    return img->pixels[y * img->width + x];
}

void IMG_set_pixel(IMG* img, int32_t x, int32_t y, uint32_t pixel) {
    if (!img || !img->pixels) {
        IMG_error();
        return;
    }
    // Outside the image the write is dropped silently: the starfield plots without clipping.
    if (x < 0 || y < 0 || x >= img->width || y >= img->height) return;
    img->pixels[y * img->width + x] = pixel;
}

int32_t IMG_equal(const IMG* a, const IMG* b) {
    if (!a || !b) {
        IMG_error();
        return 0;
    }
    if (a->width != b->width || a->height != b->height) return 0;
    if (a == b) return 1;
    const int64_t count = int64_t{a->width} * a->height;
    if (count == 0) return 1;
    if (!a->pixels || !b->pixels) return a->pixels == b->pixels;
    for (int64_t i = 0; i < count; ++i)
        if (a->pixels[i] != b->pixels[i]) return 0;
    return 1;
}

IMG* IMG_clone(const IMG* src) {
    if (!src) {
        IMG_error();
        return nullptr;
    }
    IMG* copy = IMG_new();
    if (!copy) return nullptr;
    IMG_resize(copy, src->width, src->height);
    if (copy->width != src->width || copy->height != src->height) {  // allocation failed
        IMG_free(&copy);
        return nullptr;
    }
    if (src->pixels)
        std::memcpy(copy->pixels, src->pixels,
                    static_cast<size_t>(src->width) * static_cast<size_t>(src->height) * sizeof(uint32_t));
    return copy;
}
