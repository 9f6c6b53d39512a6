// Starfield: spawning from rand(), motion inside the inclusive box, projection and grey levels,
// sprites; the fast loops against straightforward references.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "fx/depth_division.h"
#include "fx/stars.h"
#include "support/support.h"

using kt::ImgPtr;
using kt::make_img;

namespace {

struct StarsDeleter {
    void operator()(STARS* s) const { STARS_free(&s); }
};
using StarsPtr = std::unique_ptr<STARS, StarsDeleter>;

constexpr int32_t kOne = 65536;  // 1.0 in 16.16

// The demo's field: a 320 x 240 x 256 box seen from 128 units, centred on a 320 x 240 canvas.
StarsPtr make_demo_stars(int32_t count) {
    StarsPtr s(STARS_new());
    s->size_x = 320;
    s->size_y = 240;
    s->size_z = 256;
    s->cx = 160;
    s->cy = 120;
    s->cz = 128;
    STARS_set_count(s.get(), count);
    return s;
}

void place(STARS* s, int32_t k, int32_t x, int32_t y, int32_t z, int32_t vx = 0, int32_t vy = 0,
           int32_t vz = 0) {
    int32_t* star = s->star_data + 6 * k;
    star[0] = x;
    star[1] = y;
    star[2] = z;
    star[3] = vx;
    star[4] = vy;
    star[5] = vz;
}

std::vector<int32_t> star_ints(const STARS* s) {
    return {s->star_data, s->star_data + 6 * s->count};
}

// Respawn as described: per axis a magnitude from rand() & 0x3ffff, then a sign from rand().
void reference_respawn(int32_t* star) {
    star[0] = star[1] = star[2] = 0;
    for (int axis = 3; axis < 6; ++axis) {
        const int32_t r1 = std::rand();
        star[axis] = r1 & 0x3ffff;
        const int32_t r2 = std::rand();
        if (r2 & 1) star[axis] = -star[axis];
    }
}

void reference_move(const STARS* s, std::vector<int32_t>& ints) {
    const int32_t lx = (s->size_x << 16) >> 1;
    const int32_t ly = (s->size_y << 16) >> 1;
    const int32_t lz = (s->size_z << 16) >> 1;
    for (int32_t k = 0; k < s->count; ++k) {
        int32_t* star = ints.data() + 6 * k;
        const int32_t nx = star[0] + star[3];
        const int32_t ny = star[1] + star[4];
        const int32_t nz = star[2] + star[5];
        if (nx < -lx || nx > lx || ny < -ly || ny > ly || nz < -lz || nz > lz) {
            reference_respawn(star);
        } else {
            star[0] = nx;
            star[1] = ny;
            star[2] = nz;
        }
    }
}

// Projection through the pixel accessor, in 32-bit arithmetic as described.
void reference_draw_points(const STARS* s, IMG* target) {
    for (int32_t k = 0; k < s->count; ++k) {
        const int32_t* star = s->star_data + 6 * k;
        const int32_t x = star[0] >> 16;
        const int32_t y = star[1] >> 16;
        const int32_t d = (star[2] >> 16) + s->cz;
        if (d == 0) continue;
        const int32_t sx = s->cx + (s->cz * x) / d;
        const int32_t sy = s->cy + (s->cz * y) / d;
        const uint32_t grey = static_cast<uint32_t>(~d) & 0xff;
        IMG_set_pixel(target, sx, sy, grey * 0x010101u);
    }
}

// Puts the generator in a known state and leaves it as a never-seeded one would start.
class SeededRand {
public:
    explicit SeededRand(unsigned seed) { std::srand(seed); }
    ~SeededRand() { std::srand(1); }
    SeededRand(const SeededRand&) = delete;
    SeededRand& operator=(const SeededRand&) = delete;
};

}  // namespace

TEST(StarsLifeCycle, NewFieldHasDefaultsAndTenStarsAtTheOrigin) {
    StarsPtr s(STARS_new());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::tuple(s->cx, s->cy, s->cz), std::tuple(128, 128, 128));
    EXPECT_EQ(std::tuple(s->size_x, s->size_y, s->size_z), std::tuple(256, 256, 256));
    ASSERT_EQ(s->count, 10);
    for (int32_t k = 0; k < 10; ++k) {
        const int32_t* star = s->star_data + 6 * k;
        EXPECT_EQ(std::tuple(star[0], star[1], star[2]), std::tuple(0, 0, 0)) << "star " << k;
        for (int axis = 3; axis < 6; ++axis) {
            EXPECT_GE(star[axis], -262143) << "star " << k << " axis " << axis;
            EXPECT_LE(star[axis], 262143) << "star " << k << " axis " << axis;
        }
    }
}

TEST(StarsLifeCycle, RespawnTakesSixRandValuesInTheWrittenOrder) {
    StarsPtr s(STARS_new());
    STARS_set_count(s.get(), 64);
    std::vector<int32_t> want(6 * 64);
    {
        SeededRand seeded(4417);
        STARS_respawn_all(s.get());
    }
    {
        SeededRand seeded(4417);
        for (int32_t k = 0; k < 64; ++k) reference_respawn(want.data() + 6 * k);
    }
    EXPECT_EQ(star_ints(s.get()), want);
    int negatives = 0;
    for (int32_t k = 0; k < 64; ++k) negatives += s->star_data[6 * k + 3] < 0;
    EXPECT_GT(negatives, 0);
    EXPECT_LT(negatives, 64);
}

TEST(StarsLifeCycle, SetCountDropsTheOldStarsAndRefusesBadCounts) {
    StarsPtr s(STARS_new());
    for (auto [n, want] : {std::pair{2048, 2048}, {0, 0}, {3, 3}, {-1, 0}, {INT32_MAX, 0},
                           {INT32_MAX / 6 + 1, 0}, {INT32_MIN, 0}}) {
        STARS_set_count(s.get(), n);
        EXPECT_EQ(s->count, want) << "count " << n;
        EXPECT_EQ(s->star_data == nullptr, want == 0) << "count " << n;
        for (int32_t k = 0; k < s->count; ++k)
            ASSERT_EQ(s->star_data[6 * k + 2], 0) << "count " << n << " star " << k;
    }
    STARS_set_count(nullptr, 5);
}

TEST(StarsLifeCycle, FreeNullsThePointer) {
    STARS* s = STARS_new();
    STARS_free(&s);
    EXPECT_EQ(s, nullptr);
    STARS_free(&s);
    STARS_free(nullptr);
}

TEST(StarsLifeCycle, RespawnOutsideTheFieldChangesNothing) {
    StarsPtr s = make_demo_stars(3);
    for (int32_t k = 0; k < 3; ++k) place(s.get(), k, k * kOne, 2, 3, 4, 5, 6);
    const std::vector<int32_t> before = star_ints(s.get());
    for (int32_t k : {-1, 3, 4, INT32_MAX, INT32_MIN}) STARS_respawn(s.get(), k);
    EXPECT_EQ(star_ints(s.get()), before);
    STARS_respawn(nullptr, 0);
    STARS_respawn_all(nullptr);
}

TEST(StarsLifeCycle, AnEmptyFieldMovesAndDrawsNothing) {
    StarsPtr s = make_demo_stars(0);
    ImgPtr target = make_img(320, 240);
    ImgPtr sprite = make_img(4, 4, 9);
    STARS_move(s.get());
    STARS_draw_points(s.get(), target.get());
    STARS_draw_sprites(s.get(), target.get(), sprite.get());
    EXPECT_EQ(IMG_equal(target.get(), make_img(320, 240).get()), 1);
    STARS_move(nullptr);
    STARS_draw_points(nullptr, target.get());
    STARS_draw_points(s.get(), nullptr);
    STARS_draw_sprites(s.get(), nullptr, sprite.get());
    STARS_draw_sprites(s.get(), target.get(), nullptr);
}

TEST(StarsMove, TheFacesOfTheBoxAreInside) {
    constexpr int32_t face_x = 160 * kOne, face_y = 120 * kOne, face_z = 128 * kOne;
    // start position and velocity on one axis; whether the star ends on the face or respawns
    const std::tuple<const char*, int32_t, std::array<int32_t, 3>, std::array<int32_t, 3>, bool>
        cases[] = {
            {"+z onto the face", 2, {0, 0, face_z - 1}, {0, 0, 1}, true},
            {"+z one past", 2, {0, 0, face_z}, {0, 0, 1}, false},
            {"-z onto the face", 2, {0, 0, -face_z + 1}, {0, 0, -1}, true},
            {"-z one past", 2, {0, 0, -face_z}, {0, 0, -1}, false},
            {"+x onto the face", 0, {face_x - 5, 0, 0}, {5, 0, 0}, true},
            {"+x one past", 0, {face_x - 5, 0, 0}, {6, 0, 0}, false},
            {"-y onto the face", 1, {0, -face_y + 2, 0}, {0, -2, 0}, true},
            {"-y one past", 1, {0, -face_y + 2, 0}, {0, -3, 0}, false},
        };
    // The star under test is the second of eight (the others rest at the centre), so that the
    // loops that take several stars at a time meet it too.
    kt::for_each_level([&cases](const char* level) {
        for (const auto& [name, axis, pos, vel, stays] : cases) {
            StarsPtr s = make_demo_stars(8);
            for (int32_t k = 0; k < 8; ++k) place(s.get(), k, 0, 0, 0);
            place(s.get(), 1, pos[0], pos[1], pos[2], vel[0], vel[1], vel[2]);
            STARS_move(s.get());
            const int32_t* star = s->star_data + 6;
            if (stays) {
                EXPECT_EQ(star[axis], pos[static_cast<size_t>(axis)] + vel[static_cast<size_t>(axis)])
                    << level << ", " << name;
                EXPECT_EQ(star[3 + axis], vel[static_cast<size_t>(axis)]) << level << ", " << name;
            } else {
                EXPECT_EQ(std::tuple(star[0], star[1], star[2]), std::tuple(0, 0, 0)) << level << ", " << name;
            }
        }
    });
}

TEST(StarsMove, MatchesTheReferenceOverManyFrames) {
    kt::for_each_level([](const char* level) {
        StarsPtr s = make_demo_stars(2048);
        std::vector<int32_t> want = star_ints(s.get());
        for (int frame = 0; frame < 300; ++frame) {
            {
                SeededRand seeded(static_cast<unsigned>(frame + 7));
                STARS_move(s.get());
            }
            {
                SeededRand seeded(static_cast<unsigned>(frame + 7));
                reference_move(s.get(), want);
            }
            ASSERT_EQ(star_ints(s.get()), want) << level << ", frame " << frame;
        }
        const int32_t lz = 128 * kOne;
        for (int32_t k = 0; k < 2048; ++k) ASSERT_LE(std::abs(s->star_data[6 * k + 2]), lz) << level;
    });
}

TEST(StarsMove, AStarWithoutVelocityStaysAtTheCentreInGrey127) {
    StarsPtr s = make_demo_stars(1);
    place(s.get(), 0, 0, 0, 0);
    for (int frame = 0; frame < 1000; ++frame) STARS_move(s.get());
    EXPECT_EQ(star_ints(s.get()), (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));
    ImgPtr target = make_img(320, 240);
    STARS_draw_points(s.get(), target.get());
    EXPECT_EQ(target->pixels[120 * 320 + 160], 0x7F7F7Fu);
}

TEST(StarsDraw, ProjectionAndGreyLevels) {
    const std::tuple<const char*, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t> cases[] = {
        // name, x, y, z (16.16), where it lands, grey
        {"origin", 0, 0, 0, 160, 120, 0x7F7F7F},
        {"far face: D = 256, grey 255", 0, 0, 128 * kOne, 160, 120, 0xFFFFFF},
        {"x = -1/65536 is X = -1", -1, 0, 0, 159, 120, 0x7F7F7F},
        {"y = -1/65536 is Y = -1", 0, -1, 0, 160, 119, 0x7F7F7F},
        {"x = 0.99 is X = 0", kOne - 1, 0, 0, 160, 120, 0x7F7F7F},
        {"near: D = 64 doubles the offset", 10 * kOne, -5 * kOne, -64 * kOne, 180, 110, 0xBFBFBF},
        {"quotient truncates toward zero", -3 * kOne, 3 * kOne, -121 * kOne, 106, 174, 0xF8F8F8},
        {"D = 1 is the brightest near star", 1 * kOne, 0, -127 * kOne, 288, 120, 0xFEFEFE},
        {"D = 255 is black", 0, 0, 127 * kOne, 160, 120, 0x000000},
    };
    for (const auto& [name, x, y, z, want_x, want_y, grey] : cases) {
        StarsPtr s = make_demo_stars(1);
        place(s.get(), 0, x, y, z);
        ImgPtr target = make_img(320, 240, 0xABCDEF);
        target->pixels[want_y * 320 + want_x] = 0x123456;
        STARS_draw_points(s.get(), target.get());
        EXPECT_EQ(target->pixels[want_y * 320 + want_x], grey) << name;
        int changed = 0;
        for (int32_t i = 0; i < 320 * 240; ++i) changed += target->pixels[i] != 0xABCDEF;
        EXPECT_EQ(changed, 1) << name;
    }
}

TEST(StarsDraw, StarsAtTheEyeOrOffTheTargetAreSkippedSilently) {
    const std::tuple<const char*, int32_t, int32_t, int32_t> cases[] = {
        {"D = 0 at z = -128", 5 * kOne, 5 * kOne, -128 * kOne},
        {"D = 0 at z just above -128", 0, 0, -128 * kOne + kOne - 1},
        {"off the right edge", 200 * kOne, 0, 0},
        {"off the top edge", 0, -130 * kOne, 0},
        {"behind the eye, mirrored off the left edge", 200 * kOne, 0, -256 * kOne},
    };
    for (const auto& [name, x, y, z] : cases) {
        StarsPtr s = make_demo_stars(1);
        place(s.get(), 0, x, y, z);
        ImgPtr target = make_img(320, 240, 0xABCDEF);
        kt::StdoutCapture out;
        STARS_draw_points(s.get(), target.get());
        EXPECT_EQ(out.text(), "") << name;
        EXPECT_EQ(IMG_equal(target.get(), make_img(320, 240, 0xABCDEF).get()), 1) << name;
    }
}

TEST(StarsDraw, PointsMatchTheReferenceForManyFieldsAndTargets) {
    kt::for_each_level([](const char* level) {
        std::mt19937 gen(1526);
        auto in = [&gen](int32_t lo, int32_t hi) {
            return lo + static_cast<int32_t>(gen() % static_cast<uint32_t>(hi - lo + 1));
        };
        for (int round = 0; round < 200; ++round) {
            StarsPtr s(STARS_new());
            s->cx = in(-50, 400);
            s->cy = in(-50, 300);
            // Narrow and wide focal lengths; the products stay within an int for the reference.
            s->cz = round % 4 == 3 ? in(32768, 60000) : in(-300, 300);
            // Every other field as the demo's is: its depths and numerators take the reciprocals
            // but for the rare star at the eye. The others mix in any depth and numerator.
            const bool demo_like = round % 2 == 0;
            if (demo_like) s->cz = 128;
            const int32_t count = in(1, 100);
            STARS_set_count(s.get(), count);
            for (int32_t k = 0; k < count; ++k) {
                if (demo_like)
                    place(s.get(), k, in(-160 * kOne, 160 * kOne), in(-120 * kOne, 120 * kOne),
                          in(-128 * kOne, 128 * kOne));
                else
                    place(s.get(), k, in(-200 * kOne, 200 * kOne), in(-200 * kOne, 200 * kOne),
                          in(-400 * kOne, 400 * kOne));
            }
            const int32_t w = in(1, 400), h = in(1, 300);
            ImgPtr got = make_img(w, h, 0x010203);
            ImgPtr want = make_img(w, h, 0x010203);
            STARS_draw_points(s.get(), got.get());
            reference_draw_points(s.get(), want.get());
            ASSERT_EQ(kt::first_difference(want.get(), got.get()), "")
                << level << ", round " << round << " cz " << s->cz;
        }
    });
}

// The reciprocals stand in for the division over the whole range in which the projection takes
// them: every numerator and depth, signs included, against C++'s truncating division.
TEST(StarsDraw, TheReciprocalsDivideExactlyWhereverTheyAreTaken) {
    namespace sd = stars_division;
    for (int32_t d = -2; d <= sd::max_depth + 2; ++d)
        for (int32_t n = -sd::max_numerator - 2; n <= sd::max_numerator + 2; ++n) {
            const bool taken = d >= 1 && d <= sd::max_depth && n >= -sd::max_numerator &&
                               n <= sd::max_numerator;
            ASSERT_EQ(sd::in_range(n, d), taken) << n << " / " << d;
            if (taken) {
                ASSERT_EQ(sd::divide(n, d), n / d) << n << " / " << d;
            }
        }
}

TEST(StarsDraw, SpritesSitEightPixelsUpAndLeftWithoutProjection) {
    StarsPtr s = make_demo_stars(2);
    place(s.get(), 0, 50 * kOne, 40 * kOne, -100 * kOne);
    place(s.get(), 1, 2 * kOne, 3 * kOne, 0);  // partly off the top-left corner
    ImgPtr sprite = make_img(32, 32, 0x00FF00);
    sprite->pixels[1] = 0;  // transparent
    ImgPtr target = make_img(100, 100, 0x111111);
    STARS_draw_sprites(s.get(), target.get(), sprite.get());
    for (int32_t y = 0; y < 100; ++y)
        for (int32_t x = 0; x < 100; ++x) {
            const bool first = x >= 42 && x < 74 && y >= 32 && y < 64 && !(x == 43 && y == 32);
            const bool second = x < 26 && y < 27;
            ASSERT_EQ(target->pixels[y * 100 + x], first || second ? 0x00FF00u : 0x111111u)
                << "pixel " << x << ", " << y;
        }
}

TEST(StarsLifeCycle, ANegativeCountWrittenIntoTheRecordMovesAndDrawsNothing) {
    StarsPtr s = make_demo_stars(2);
    place(s.get(), 0, 1, 2, 3, 4, 5, 6);
    place(s.get(), 1, 1, 2, 3, 4, 5, 6);
    const std::vector<int32_t> before = star_ints(s.get());
    s->count = -2;
    ImgPtr target = make_img(320, 240);
    STARS_move(s.get());
    STARS_draw_points(s.get(), target.get());
    STARS_respawn_all(s.get());
    s->count = 2;
    EXPECT_EQ(star_ints(s.get()), before);
    EXPECT_EQ(IMG_equal(target.get(), make_img(320, 240).get()), 1);
}
