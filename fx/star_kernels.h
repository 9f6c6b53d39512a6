// fx/star_kernels.h: the starfield's work per star, shared by fx/stars.cpp and the vector forms
// in fx/star_kernels.cpp. The scalar functions here are the reference: one star at a time, the
// same results as the vector loops, which take groups of four or eight stars and hand any group
// they cannot take whole to these. The vector forms come from a table, chosen by the level of
// the image library's row kernels (img/rows.h: the widest the processor has, or what a test
// asked for), so that one switch sets every kernel of a frame.
#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>

#include "fx/depth_division.h"

namespace star_kernels {

inline constexpr int32_t star_ints = 6;  // x, y, z, vx, vy, vz per star, 16.16

// 32-bit sum that wraps instead of overflowing; positions kept inside the box never wrap.
inline constexpr int32_t add_wrapping(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Half the box side in 16.16: (size << 16) >> 1, shifted in 32 bits as the box is defined.
inline constexpr int32_t half_extent(int32_t size) {
    return static_cast<int32_t>(static_cast<uint32_t>(size) << 16) >> 1;
}

// Back to the origin with a new velocity: six rand() calls, magnitude then sign, per axis in
// the order x, y, z. The generator is never seeded, so every run spawns the same stars.
inline void respawn_star(int32_t* star) {
    star[0] = star[1] = star[2] = 0;
    for (int32_t axis = 3; axis < star_ints; ++axis) {
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
// an int for every X = x >> 16 and the division stays 32-bit (a multiplication by a reciprocal
// for the depths and numerators of the demo's field); otherwise it is done wide. All truncate
// toward zero.
template <bool Narrow>
inline Projected project(const View& v, const int32_t* star, int32_t d) {
    const int32_t x = star[0] >> 16;
    const int32_t y = star[1] >> 16;
    int64_t qx, qy;
    if constexpr (Narrow) {
        const int32_t nx = v.cz * x;
        const int32_t ny = v.cz * y;
        if (stars_division::in_range(nx, d) && stars_division::in_range(ny, d)) {
            qx = stars_division::divide(nx, d);
            qy = stars_division::divide(ny, d);
        } else {
            qx = nx / d;
            qy = ny / d;
        }
    } else {
        qx = (int64_t{v.cz} * x) / d;
        qy = (int64_t{v.cz} * y) / d;
    }
    // Near stars bright, far ones dark: 255 - D for D in 1..255.
    const auto grey = static_cast<uint32_t>(~d) & 0xffu;
    return {v.cx + qx, v.cy + qy, grey * 0x010101u};
}

// The target's pixels as the drawing loops see them. A point off the target is written to a
// scratch word instead, the same silent drop as IMG_set_pixel's: picked by masks, as a branch on
// it would mispredict for about every star that leaves the target.
struct Plot {
    int64_t w, h;
    uintptr_t pixels;
    uintptr_t scratch;

    uint32_t* slot(bool inside, int64_t index) const {
        const uintptr_t off = static_cast<uintptr_t>(inside) - 1;  // all ones when off
        const uintptr_t at = pixels + static_cast<uintptr_t>(index) * sizeof(uint32_t);
        return reinterpret_cast<uint32_t*>((at & ~off) | (scratch & off));
    }
};

template <bool Narrow>
inline void draw_point(const View& v, const int32_t* star, const Plot& t) {
    const int32_t d = add_wrapping(star[2] >> 16, v.cz);
    if (d == 0) return;
    const Projected p = project<Narrow>(v, star, d);
    const bool inside = (p.sx >= 0) & (p.sy >= 0) & (p.sx < t.w) & (p.sy < t.h);
    *t.slot(inside, p.sy * t.w + p.sx) = p.colour;
}

// One step of one star: the new position, or a respawn when it leaves the box (whose faces are
// inside it).
inline void move_star(int32_t* star, int32_t lx, int32_t ly, int32_t lz) {
    const int32_t nx = add_wrapping(star[0], star[3]);
    const int32_t ny = add_wrapping(star[1], star[4]);
    const int32_t nz = add_wrapping(star[2], star[5]);
    // One test of the six together: a star rarely leaves.
    const bool out = (nx < -lx) | (nx > lx) | (ny < -ly) | (ny > ly) | (nz < -lz) | (nz > lz);
    if (out) {
        respawn_star(star);
        return;
    }
    star[0] = nx;
    star[1] = ny;
    star[2] = nz;
}

// The vector loops. Each takes whole groups from `star` on and returns the first star it left
// for the scalar reference; the scalar level leaves them all.
struct Kernels {
    // For a narrow focal length (|cz| < 32768) and a centre within +-2^30 on both axes
    const int32_t* (*draw_points)(const View& v, const int32_t* star, const int32_t* end,
                                  const Plot& t);
    int32_t* (*move)(int32_t* star, int32_t* end, std::array<int32_t, 3> half);
};

const Kernels& kernels();  // for the row kernels' level in use

}  // namespace star_kernels
