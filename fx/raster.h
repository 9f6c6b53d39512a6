// fx/raster.h: colour lists, one colour per image row, and the two span fills that paint them.
// RASTER misuse prints "RASTER error\n"; the span fills report a null image as "IMG error\n".
#pragma once
#include <cstdint>

#include "img/img.h"

struct RASTER {
    int32_t   count;   // colours in the list
    int32_t   offset;  // index of the colour drawn on row 0; 0 after creation and resize
    uint32_t* colors;  // count colours 0x00RRGGBB, owned
};

// Life cycle
[[nodiscard]] RASTER* RASTER_new();                 // 256 black colours; null when out of memory
void RASTER_free(RASTER** list);                    // releases *list and sets it to null
int32_t RASTER_equal(const RASTER* a, const RASTER* b);  // colours only, offset ignored
[[nodiscard]] RASTER* RASTER_clone(const RASTER* src);   // same colours, offset 0
void RASTER_resize(RASTER* list, int32_t n);        // n black colours, offset 0
void RASTER_clear(RASTER* list);                    // every colour black
[[nodiscard]] RASTER* RASTER_load(const char* path);    // an existing file gives an empty list
int32_t RASTER_save(const RASTER* list, const char* path);  // creates an empty file; 1 or 0

// Drawing: row y takes colour (offset + y) mod count
void RASTER_draw_rows(const RASTER* list, IMG* image);
void RASTER_draw_rows_blend(const RASTER* list, IMG* image, int32_t alpha);  // 0 old .. 256 list
void RASTER_advance(RASTER* list);                  // offset + 1, back to 0 at count
void RASTER_error();                                // prints "RASTER error\n"

// Spans x0..x1 inclusive of row y, clipped; rows outside the image are ignored silently
void IMG_hline(IMG* image, uint32_t colour, int32_t y, int32_t x0, int32_t x1);
void IMG_hline_blend(IMG* image, uint32_t colour, int32_t y, int32_t x0, int32_t x1,
                     int32_t alpha);
