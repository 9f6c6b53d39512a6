// fx/logos.cpp: the logotype motions: part 1's logotype wobbling sideways row by row on a
// built-in table of offsets, and part 3's logotype bouncing up from the bottom edge.
#include "fx/effects.h"
#include "fx/sine.h"
#include "fx/objects.h"

namespace {

// Half-shapes of the humps: H_N[k] for k = 0 .. (N - 1) / 2, a half sine of the given peak over
// N steps, measured once and kept exactly.
constexpr std::array<int32_t, 6> hump11 = {0, 1, 2, 3, 3, 4};
constexpr std::array<int32_t, 8> hump15 = {0, 2, 3, 4, 6, 7, 7, 8};
constexpr std::array<int32_t, 32> hump63 = {0,  1,  2,  2,  3,  4,  5,  5,  6,  7,  8,
                                            8,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14,
                                            14, 14, 15, 15, 15, 16, 16, 16, 16, 16};
constexpr std::array<int32_t, 64> hump127 = {
    0,  1,  2,  2,  3,  4,  5,  5,  6,  7,  8,  9,  9,  10, 11, 12, 12, 13, 14, 14, 15, 16,
    16, 17, 18, 18, 19, 20, 20, 21, 21, 22, 23, 23, 24, 24, 25, 25, 26, 26, 27, 27, 27, 28,
    28, 29, 29, 29, 30, 30, 30, 30, 31, 31, 31, 31, 31, 32, 32, 32, 32, 32, 32, 32};
constexpr std::array<int32_t, 96> hump191 = {
    0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10,
    10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 16, 17, 17, 18, 18, 19, 19,
    19, 20, 20, 21, 21, 21, 22, 22, 23, 23, 23, 24, 24, 24, 25, 25, 25, 26, 26, 26,
    27, 27, 27, 27, 28, 28, 28, 28, 29, 29, 29, 29, 30, 30, 30, 30, 30, 30, 31, 31,
    31, 31, 31, 31, 31, 31, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32};

using WobbleTable = std::array<int32_t, wobble_len>;

// Lays `count` humps of length N = 2 x half.size() - 1 back to back from entry `start`, signs
// alternating from +; neighbours share their 0 boundary entry. Entries past the table are cut.
template <size_t Half>
constexpr int32_t lay_humps(WobbleTable& table, int32_t start, int32_t count,
                            const std::array<int32_t, Half>& half, int32_t& sign) {
    constexpr auto n = static_cast<int32_t>(2 * Half - 1);
    for (int32_t h = 0; h < count; ++h, start += n, sign = -sign)
        for (int32_t k = 0; k <= n && start + k < wobble_len; ++k)
            table[static_cast<size_t>(start + k)] =
                sign * half[static_cast<size_t>(k < n - k ? k : n - k)];
    return start;
}

constexpr WobbleTable make_wobble_table() {
    WobbleTable table{};  // the still stretches 0 .. 320 and 1714 .. 2034 stay 0
    int32_t sign = 1;
    int32_t at = 320;  // slow swings: 4 x 63, 2 x 127, 2 x 191, 2 x 127, 4 x 63
    at = lay_humps(table, at, 4, hump63, sign);
    at = lay_humps(table, at, 2, hump127, sign);
    at = lay_humps(table, at, 2, hump191, sign);
    at = lay_humps(table, at, 2, hump127, sign);
    at = lay_humps(table, at, 4, hump63, sign);
    sign = 1;
    at = 2034;  // quick shivers: 16 x 11, 32 x 15, 16 x 11, the last hump cut at the table's end
    at = lay_humps(table, at, 16, hump11, sign);
    at = lay_humps(table, at, 32, hump15, sign);
    lay_humps(table, at, 16, hump11, sign);
    return table;
}

constexpr WobbleTable wobble_entries = make_wobble_table();

}  // namespace

static_assert(wobble_entries[0] == 0 && wobble_entries[320] == 0);
static_assert(wobble_entries[321] == 1);
static_assert(wobble_entries[320 + 4 * 63 + 2 * 127 + 95] == 32);  // top of the first 191 hump
static_assert(wobble_entries[1714] == 0 && wobble_entries[2033] == 0);
static_assert(wobble_entries[2035] == 1);
static_assert(wobble_entries[wobble_len - 1] == -1);

const WobbleTable wobble_table = wobble_entries;
int32_t wobble_phase = 0;
int32_t logo_bounce_phase = 0;
int32_t logo_y = 0;

void fx_logo_wobble() {
    if (logo2 && canvas) {
        const int32_t w = logo2->width;
        const int32_t h = logo2->height;
        const int32_t top = (canvas->height - h) / 2;
        const int32_t left = (canvas->width - w) / 2;
        for (int32_t i = 0; i < h; ++i) {
            const int32_t row = top + i;
            if (row < 0 || row >= canvas->height) continue;  // a logotype taller than the canvas
            const int32_t shift = wobble_table[static_cast<size_t>(wrap_index(i + wobble_phase, wobble_len))];
            IMG_blit_row_keyed(logo2, canvas, i, row, left + shift);  // wraps past the right edge
        }
    }
    ++wobble_phase;
    if (wobble_phase >= wobble_len) wobble_phase = 0;
}

void fx_logo_bounce() {
    const int32_t s = sine_table[static_cast<size_t>(wrap_index(logo_bounce_phase, SINE_LEN))];
    int32_t d = (s * (screen_h / 4)) >> 15;  // the shift rounds down: 59 rows up at phase 256, 60 at 768
    if (d > 0) d = -d;
    if (logo0) logo_y = d + screen_h - logo0->height;

    logo_bounce_phase += logo_bounce_step;
    if (logo_bounce_phase >= SINE_LEN) logo_bounce_phase %= SINE_LEN;

    if (logo0) IMG_blit_keyed(logo0, canvas, 0, 0, 0, logo_y, logo0->width, logo0->height);
}
