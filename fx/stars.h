// fx/stars.h: a 3D starfield in 16.16 fixed point, flying out of the origin of a box and drawn
// with a perspective projection. No error hook: null arguments make an operation do nothing.
#pragma once
#include <cstdint>

#include "img/img.h"

struct STARS {
    int32_t  cx;         // projection centre, target pixels
    int32_t  cy;
    int32_t  cz;         // eye distance and focal length
    int32_t  size_x;     // box spans -size/2 .. +size/2 whole units on each axis
    int32_t  size_y;
    int32_t  size_z;
    int32_t  count;      // stars in star_data
    int32_t* star_data;  // count x {x, y, z, vx, vy, vz}, 16.16, owned
};

// Life cycle
[[nodiscard]] STARS* STARS_new();                 // 10 stars spawned; null when out of memory
void STARS_free(STARS** s);                       // releases *s and nulls it (the demo keeps its stars)
void STARS_set_count(STARS* s, int32_t n);        // respawns n stars; count 0 when out of memory

// Motion
void STARS_respawn_all(STARS* s);
void STARS_respawn(STARS* s, int32_t k);          // back to the origin, new velocity from rand()
void STARS_move(STARS* s);                        // leaving the box respawns the star

// Drawing: never changes the stars
void STARS_draw_points(const STARS* s, IMG* target);            // one grey pixel per star
void STARS_draw_sprites(const STARS* s, IMG* target, const IMG* sprite);  // keyed, no projection
