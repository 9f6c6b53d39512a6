// fx/stars.cpp: the starfield's record and its operations. The work per star is the scalar
// reference of fx/star_kernels.h; the vector forms from its table take the groups they can, the
// reference the rest, so every level moves and draws the same stars.
#include "fx/stars.h"

#include "fx/star_kernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace {

using namespace star_kernels;

constexpr int32_t default_count = 10;
constexpr int32_t sprite_offset = 8;  // centres a 16 x 16 sprite on the star

template <bool Narrow>
void draw_points(const STARS* s, IMG* target) {
    const View v{s->cx, s->cy, s->cz};
    const int32_t* star = s->star_data;
    const int32_t* const end = star + static_cast<std::ptrdiff_t>(std::max(s->count, 0)) * star_ints;
    uint32_t scratch = 0;
    const Plot t{target->width, target->height, reinterpret_cast<uintptr_t>(target->pixels),
                 reinterpret_cast<uintptr_t>(&scratch)};
    // The vector forms add the centre in 32 bits.
    constexpr int64_t centre_limit = int64_t{1} << 30;
    if (Narrow && v.cx > -centre_limit && v.cx < centre_limit && v.cy > -centre_limit &&
        v.cy < centre_limit)
        star = kernels().draw_points(v, star, end, t);
    for (; star != end; star += star_ints) draw_point<Narrow>(v, star, t);
}

// A target without pixels: every point goes through the accessor, which reports it.
void draw_points_reporting(const STARS* s, IMG* target) {
    const View v{s->cx, s->cy, s->cz};
    const int32_t* star = s->star_data;
    for (int32_t k = 0; k < s->count; ++k, star += star_ints) {
        const int32_t d = add_wrapping(star[2] >> 16, v.cz);
        if (d == 0) continue;
        const Projected p = project<false>(v, star, d);
        constexpr int64_t lo = std::numeric_limits<int32_t>::min();
        constexpr int64_t hi = std::numeric_limits<int32_t>::max();
        IMG_set_pixel(target, static_cast<int32_t>(p.sx < lo ? lo : p.sx > hi ? hi : p.sx),
                      static_cast<int32_t>(p.sy < lo ? lo : p.sy > hi ? hi : p.sy), p.colour);
    }
}

}  // namespace

STARS* STARS_new() {
    auto* s = static_cast<STARS*>(std::calloc(1, sizeof(STARS)));
    if (!s) return nullptr;
    s->cx = s->cy = s->cz = 128;
    s->size_x = s->size_y = s->size_z = 256;
    STARS_set_count(s, default_count);
    if (!s->star_data) {
        std::free(s);
        return nullptr;
    }
    return s;
}

void STARS_free(STARS** s) {
    if (!s || !*s) return;
    std::free((*s)->star_data);
    std::free(*s);
    *s = nullptr;
}

void STARS_set_count(STARS* s, int32_t n) {
    if (!s) return;
    std::free(s->star_data);
    s->star_data = nullptr;
    s->count = 0;
    // Refused: a negative count, one whose array size overflows an int, or no memory.
    if (n <= 0 || n > std::numeric_limits<int32_t>::max() / star_ints) return;
    s->star_data = static_cast<int32_t*>(
        std::calloc(static_cast<std::size_t>(n) * star_ints, sizeof(int32_t)));
    if (!s->star_data) return;
    s->count = n;
    STARS_respawn_all(s);
}

void STARS_respawn_all(STARS* s) {
    if (!s) return;
    for (int32_t k = 0; k < s->count; ++k) STARS_respawn(s, k);
}

void STARS_respawn(STARS* s, int32_t k) {
    if (!s || !s->star_data || k < 0 || k >= s->count) return;
    respawn_star(s->star_data + static_cast<std::ptrdiff_t>(k) * star_ints);
}

void STARS_move(STARS* s) {
    if (!s || !s->star_data) return;
    const int32_t lx = half_extent(s->size_x);
    const int32_t ly = half_extent(s->size_y);
    const int32_t lz = half_extent(s->size_z);
    int32_t* star = s->star_data;
    int32_t* const end = star + static_cast<std::ptrdiff_t>(std::max(s->count, 0)) * star_ints;
    star = kernels().move(star, end, {lx, ly, lz});
    for (; star != end; star += star_ints) move_star(star, lx, ly, lz);
}

void STARS_draw_points(const STARS* s, IMG* target) {
    if (!s || !target || !s->star_data) return;
    if (!target->pixels)
        draw_points_reporting(s, target);
    else if (s->cz > -32768 && s->cz < 32768)
        draw_points<true>(s, target);
    else
        draw_points<false>(s, target);
}

void STARS_draw_sprites(const STARS* s, IMG* target, const IMG* sprite) {
    if (!s || !target || !sprite || !s->star_data) return;
    const int32_t* star = s->star_data;
    for (int32_t k = 0; k < s->count; ++k, star += star_ints)
        IMG_blit_keyed(sprite, target, 0, 0, (star[0] >> 16) - sprite_offset,
                       (star[1] >> 16) - sprite_offset, sprite->width, sprite->height);
}
