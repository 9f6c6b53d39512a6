// fx/raster.cpp: colour lists painted one colour per image row, and the span fills they use.
#include "fx/raster.h"

#include "img/rows.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {

constexpr int32_t new_count = 256;

// A zero-filled array of n colours. A zero-length list still gets a distinct array, so an empty
// list is never mistaken for one whose allocation failed.
uint32_t* alloc_colors(int32_t n) {
    const auto slots = static_cast<std::size_t>(std::max(n, 1));
    return static_cast<uint32_t*>(std::calloc(slots, sizeof(uint32_t)));
}

// Fills a run of pixels with one colour, in the widest vector stores the processor has (a plain
// store loop measured about eight times slower than copying the same number of pixels).
void fill_run(std::span<uint32_t> run, uint32_t colour) {
    img_rows::kernels().fill(run.data(), static_cast<int64_t>(run.size()), colour);
}

bool list_ok(const RASTER* list) { return list && list->colors; }

std::span<uint32_t> row(IMG* image, int32_t y) {
    return {image->pixels + static_cast<std::ptrdiff_t>(y) * image->width,
            static_cast<std::size_t>(image->width)};
}

// One blend channel on its 8-bit values: (old * (256 - a) + new * a) / 256, truncated.
constexpr uint32_t blend_channel(uint32_t old_c, uint32_t new_c, uint32_t a) {
    return (old_c * (256u - a) + new_c * a) >> 8;
}

constexpr uint32_t blend_pixel(uint32_t d, uint32_t s, uint32_t a) {
    const uint32_t red = blend_channel((d >> 16) & 0xFF, (s >> 16) & 0xFF, a);
    const uint32_t green = blend_channel((d >> 8) & 0xFF, (s >> 8) & 0xFF, a);
    const uint32_t blue = blend_channel(d & 0xFF, s & 0xFF, a);
    return (red << 16) | (green << 8) | blue;
}

static_assert(blend_pixel(0xFF0000, 0x0000FF, 128) == 0x7F007F);
static_assert(blend_pixel(0xFFFFFFFF, 0x123456, 0) == 0xFFFFFF);  // top byte dropped
static_assert(blend_pixel(0xABCDEF, 0x123456, 256) == 0x123456);

// Clips the span x0..x1 to the image's columns; false when nothing of it remains.
bool clip_span(const IMG* image, int32_t& x0, int32_t& x1) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, image->width - 1);
    return x0 <= x1;
}

// Row y of the list: colour (offset + y) mod count, walked without forming offset + y, so a huge
// or negative offset neither overflows nor indexes outside the list. count > 0 is checked.
template <typename PaintRow>
void walk_rows(const RASTER* list, IMG* image, PaintRow paint) {
    int32_t k = list->offset % list->count;
    if (k < 0) k += list->count;
    for (int32_t y = 0; y < image->height; ++y) {
        paint(list->colors[k], y);
        if (++k == list->count) k = 0;
    }
}

bool draw_args_ok(const RASTER* list, const IMG* image) {
    return list_ok(list) && image && image->pixels && list->count > 0;
}

}  // namespace

void RASTER_error() { std::printf("RASTER error\n"); }

RASTER* RASTER_new() {
    auto* list = static_cast<RASTER*>(std::calloc(1, sizeof(RASTER)));
    if (!list) {
        RASTER_error();
        return nullptr;
    }
    list->colors = alloc_colors(new_count);
    if (!list->colors) {
        std::free(list);
        RASTER_error();
        return nullptr;
    }
    list->count = new_count;
    return list;
}

void RASTER_free(RASTER** list) {
    if (!list || !*list) {
        RASTER_error();
        return;
    }
    std::free((*list)->colors);
    std::free(*list);
    *list = nullptr;
}

int32_t RASTER_equal(const RASTER* a, const RASTER* b) {
    if (!a || !b) {
        RASTER_error();
        return 0;
    }
    if (a->count != b->count) return 0;
    if (a->count <= 0) return 1;
    // A list whose resize failed has no colours to compare.
    if (!a->colors || !b->colors) {
        RASTER_error();
        return 0;
    }
    return std::equal(a->colors, a->colors + a->count, b->colors) ? 1 : 0;
}

RASTER* RASTER_clone(const RASTER* src) {
    if (!src) {
        RASTER_error();
        return nullptr;
    }
    if (src->count > 0 && !src->colors) {
        RASTER_error();
        return nullptr;
    }
    RASTER* copy = RASTER_new();
    if (!copy) return nullptr;
    RASTER_resize(copy, src->count);
    if (!copy->colors) {
        RASTER_free(&copy);
        RASTER_error();
        return nullptr;
    }
    if (src->count > 0) std::copy(src->colors, src->colors + src->count, copy->colors);
    return copy;
}

void RASTER_resize(RASTER* list, int32_t n) {
    if (!list || n < 0) {
        RASTER_error();
        return;
    }
    std::free(list->colors);
    // A failed allocation leaves colours null with count n; the checking operations report it.
    list->colors = alloc_colors(n);
    list->count = n;
    list->offset = 0;
}

void RASTER_clear(RASTER* list) {
    if (!list_ok(list)) {
        RASTER_error();
        return;
    }
    if (list->count > 0) std::fill(list->colors, list->colors + list->count, 0u);
}

RASTER* RASTER_load(const char* path) {
    if (!path) {
        RASTER_error();
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        RASTER_error();
        return nullptr;
    }
    // The file holds no colours yet: an openable file gives an empty list.
    RASTER* list = RASTER_new();
    if (list) RASTER_resize(list, 0);
    std::fclose(file);
    return list;
}

int32_t RASTER_save(const RASTER* list, const char* path) {
    if (!list_ok(list) || !path || list->count <= 0) {
        RASTER_error();
        return 0;
    }
    std::FILE* file = std::fopen(path, "w");
    if (!file) {
        RASTER_error();
        return 0;
    }
    std::fclose(file);
    return 1;
}

void RASTER_draw_rows(const RASTER* list, IMG* image) {
    if (!draw_args_ok(list, image)) {
        RASTER_error();
        return;
    }
    walk_rows(list, image, [image](uint32_t colour, int32_t y) {
        fill_run(row(image, y), colour);
    });
}

void RASTER_draw_rows_blend(const RASTER* list, IMG* image, int32_t alpha) {
    if (!draw_args_ok(list, image)) {
        RASTER_error();
        return;
    }
    walk_rows(list, image, [image, alpha](uint32_t colour, int32_t y) {
        IMG_hline_blend(image, colour, y, 0, image->width - 1, alpha);
    });
}

void RASTER_advance(RASTER* list) {
    if (!list_ok(list)) {
        RASTER_error();
        return;
    }
    if (++list->offset >= list->count) list->offset = 0;
}

void IMG_hline(IMG* image, uint32_t colour, int32_t y, int32_t x0, int32_t x1) {
    if (!image) {
        IMG_error();
        return;
    }
    if (y < 0 || y >= image->height || !clip_span(image, x0, x1)) return;
    if (!image->pixels) {
        // Without pixels every write reports, one line per pixel, as the accessor does.
        for (int32_t x = x0; x <= x1; ++x) IMG_set_pixel(image, x, y, colour);
        return;
    }
    fill_run(row(image, y).subspan(static_cast<std::size_t>(x0),
                                   static_cast<std::size_t>(x1 - x0 + 1)),
             colour);
}

void IMG_hline_blend(IMG* image, uint32_t colour, int32_t y, int32_t x0, int32_t x1,
                     int32_t alpha) {
    if (!image) {
        IMG_error();
        return;
    }
    if (y < 0 || y >= image->height || !clip_span(image, x0, x1)) return;
    const auto a = static_cast<uint32_t>(std::clamp(alpha, 0, 256));
    if (!image->pixels) {
        for (int32_t x = x0; x <= x1; ++x)
            IMG_set_pixel(image, x, y, blend_pixel(IMG_get_pixel(image, x, y), colour, a));
        return;
    }
    // The list colour's share of each channel is the same along the row.
    const uint32_t keep = 256u - a;
    const uint32_t add_r = ((colour >> 16) & 0xFF) * a;
    const uint32_t add_g = ((colour >> 8) & 0xFF) * a;
    const uint32_t add_b = (colour & 0xFF) * a;
    for (uint32_t& p : row(image, y).subspan(static_cast<std::size_t>(x0),
                                              static_cast<std::size_t>(x1 - x0 + 1))) {
        const uint32_t red = (((p >> 16) & 0xFF) * keep + add_r) >> 8;
        const uint32_t green = (((p >> 8) & 0xFF) * keep + add_g) >> 8;
        const uint32_t blue = ((p & 0xFF) * keep + add_b) >> 8;
        p = (red << 16) | (green << 8) | blue;
    }
}
