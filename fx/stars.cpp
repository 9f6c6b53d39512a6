// fx/stars.cpp: a starfield in 16.16 fixed point, projected with integer division only.
#include "fx/stars.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace {

constexpr int32_t kInts = 6;  // x, y, z, vx, vy, vz per star, 16.16
constexpr int32_t kDefaultCount = 10;
constexpr int32_t kSpriteOffset = 8;  // centres a 16 x 16 sprite on the star

// 32-bit sum that wraps instead of overflowing; positions kept inside the box never wrap.
constexpr int32_t add_wrapping(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Half the box side in 16.16: (size << 16) >> 1, shifted in 32 bits as the box is defined.
constexpr int32_t half_extent(int32_t size) {
    return static_cast<int32_t>(static_cast<uint32_t>(size) << 16) >> 1;
}

// Back to the origin with a new velocity: six rand() calls, magnitude then sign, per axis in
// the order x, y, z. The generator is never seeded, so every run spawns the same stars.
void respawn_star(int32_t* star) {
    star[0] = star[1] = star[2] = 0;
    for (int32_t axis = 3; axis < kInts; ++axis) {
        int32_t v = std::rand() & 0x3ffff;  // 0 .. just under 4 units per move
        if (std::rand() & 1) v = -v;
        star[axis] = v;
    }
}

// The projection's constants, copied out of the record so that pixel writes (which may alias
// its ints) do not force them to be read again for every star.
struct View {
    int64_t cx, cy;
    int32_t cz;
};

struct Projected {
    int64_t sx, sy;
    uint32_t colour;
};

// Perspective projection of one star with depth d != 0. Narrow: |cz| < 32768, so cz * X fits
// an int for every X = x >> 16 and the division stays 32-bit; otherwise it is done wide. Both
// truncate toward zero.
template <bool Narrow>
inline Projected project(const View& v, const int32_t* star, int32_t d) {
    const int32_t x = star[0] >> 16;
    const int32_t y = star[1] >> 16;
    int64_t qx, qy;
    if constexpr (Narrow) {
        qx = (v.cz * x) / d;
        qy = (v.cz * y) / d;
    } else {
        qx = (int64_t{v.cz} * x) / d;
        qy = (int64_t{v.cz} * y) / d;
    }
    // Near stars bright, far ones dark: 255 - D for D in 1..255.
    const auto grey = static_cast<uint32_t>(~d) & 0xffu;
    return {v.cx + qx, v.cy + qy, grey * 0x010101u};
}

template <bool Narrow>
void draw_points(const STARS* s, IMG* target) {
    const View v{s->cx, s->cy, s->cz};
    const int32_t* star = s->star_data;
    const int32_t* const end = star + static_cast<std::ptrdiff_t>(std::max(s->count, 0)) * kInts;
    const int64_t w = target->width;
    const int64_t h = target->height;
    uint32_t* const pixels = target->pixels;
    for (; star != end; star += kInts) {
        const int32_t d = add_wrapping(star[2] >> 16, v.cz);
        if (d == 0) continue;
        const Projected p = project<Narrow>(v, star, d);
        // The same silent drop outside the target as IMG_set_pixel.
        if (p.sx < 0 || p.sy < 0 || p.sx >= w || p.sy >= h) continue;
        pixels[p.sy * w + p.sx] = p.colour;
    }
}

// A target without pixels: every point goes through the accessor, which reports it.
void draw_points_reporting(const STARS* s, IMG* target) {
    const View v{s->cx, s->cy, s->cz};
    const int32_t* star = s->star_data;
    for (int32_t k = 0; k < s->count; ++k, star += kInts) {
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
    STARS_set_count(s, kDefaultCount);
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
    if (n <= 0 || n > std::numeric_limits<int32_t>::max() / kInts) return;
    s->star_data = static_cast<int32_t*>(
        std::calloc(static_cast<std::size_t>(n) * kInts, sizeof(int32_t)));
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
    respawn_star(s->star_data + static_cast<std::ptrdiff_t>(k) * kInts);
}

void STARS_move(STARS* s) {
    if (!s || !s->star_data) return;
    const int32_t lx = half_extent(s->size_x);
    const int32_t ly = half_extent(s->size_y);
    const int32_t lz = half_extent(s->size_z);
    int32_t* star = s->star_data;
    int32_t* const end = star + static_cast<std::ptrdiff_t>(std::max(s->count, 0)) * kInts;
    for (; star != end; star += kInts) {
        const int32_t nx = add_wrapping(star[0], star[3]);
        const int32_t ny = add_wrapping(star[1], star[4]);
        const int32_t nz = add_wrapping(star[2], star[5]);
        // The faces of the box are inside it.
        if (nx < -lx || nx > lx || ny < -ly || ny > ly || nz < -lz || nz > lz) {
            respawn_star(star);
            continue;
        }
        star[0] = nx;
        star[1] = ny;
        star[2] = nz;
    }
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
    for (int32_t k = 0; k < s->count; ++k, star += kInts)
        IMG_blit_keyed(sprite, target, 0, 0, (star[0] >> 16) - kSpriteOffset,
                       (star[1] >> 16) - kSpriteOffset, sprite->width, sprite->height);
}
