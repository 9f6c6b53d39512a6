// fx/sine.cpp: the shared sine table, built at compile time from its first quarter.
#include "fx/sine.h"

#include <cstddef>

namespace {

// First quarter: the nearest integer to 32767 * sin(2 * pi * i / 1024), except entries 129 and
// 183, which hold one more (23312 and 29535). Written out so that no rounding of a compile-time
// sine can move an entry.
constexpr std::array<int16_t, 256> first_quarter = {
    0, 201, 402, 603, 804, 1005, 1206, 1407, 1608, 1809, 2009, 2210,
    2410, 2611, 2811, 3012, 3212, 3412, 3612, 3811, 4011, 4210, 4410, 4609,
    4808, 5007, 5205, 5404, 5602, 5800, 5998, 6195, 6393, 6590, 6786, 6983,
    7179, 7375, 7571, 7767, 7962, 8157, 8351, 8545, 8739, 8933, 9126, 9319,
    9512, 9704, 9896, 10087, 10278, 10469, 10659, 10849, 11039, 11228, 11417, 11605,
    11793, 11980, 12167, 12353, 12539, 12725, 12910, 13094, 13279, 13462, 13645, 13828,
    14010, 14191, 14372, 14553, 14732, 14912, 15090, 15269, 15446, 15623, 15800, 15976,
    16151, 16325, 16499, 16673, 16846, 17018, 17189, 17360, 17530, 17700, 17869, 18037,
    18204, 18371, 18537, 18703, 18868, 19032, 19195, 19357, 19519, 19680, 19841, 20000,
    20159, 20317, 20475, 20631, 20787, 20942, 21096, 21250, 21403, 21554, 21705, 21856,
    22005, 22154, 22301, 22448, 22594, 22739, 22884, 23027, 23170, 23312, 23452, 23592,
    23731, 23870, 24007, 24143, 24279, 24413, 24547, 24680, 24811, 24942, 25072, 25201,
    25329, 25456, 25582, 25708, 25832, 25955, 26077, 26198, 26319, 26438, 26556, 26674,
    26790, 26905, 27019, 27133, 27245, 27356, 27466, 27575, 27683, 27790, 27896, 28001,
    28105, 28208, 28310, 28411, 28510, 28609, 28706, 28803, 28898, 28992, 29085, 29177,
    29268, 29358, 29447, 29535, 29621, 29706, 29791, 29874, 29956, 30037, 30117, 30195,
    30273, 30349, 30424, 30498, 30571, 30643, 30714, 30783, 30852, 30919, 30985, 31050,
    31113, 31176, 31237, 31297, 31356, 31414, 31470, 31526, 31580, 31633, 31685, 31736,
    31785, 31833, 31880, 31926, 31971, 32014, 32057, 32098, 32137, 32176, 32213, 32250,
    32285, 32318, 32351, 32382, 32412, 32441, 32469, 32495, 32521, 32545, 32567, 32589,
    32609, 32628, 32646, 32663, 32678, 32692, 32705, 32717, 32728, 32737, 32745, 32752,
    32757, 32761, 32765, 32766,
};

// The second quarter mirrors the first shifted by one entry (Q[i] = Q[511 - i]), so the peak
// 32766 sits at both 255 and 256; the second half is the first negated.
constexpr std::array<int16_t, SINE_LEN> build_table() {
    std::array<int16_t, SINE_LEN> t{};
    for (int32_t i = 0; i < 256; ++i) {
        t[static_cast<std::size_t>(i)] = first_quarter[static_cast<std::size_t>(i)];
        t[static_cast<std::size_t>(511 - i)] = first_quarter[static_cast<std::size_t>(i)];
    }
    for (int32_t i = 0; i < 512; ++i)
        t[static_cast<std::size_t>(512 + i)] = static_cast<int16_t>(-t[static_cast<std::size_t>(i)]);
    return t;
}

constexpr std::array<int16_t, SINE_LEN> table = build_table();

static_assert(table[0] == 0 && table[511] == 0 && table[512] == 0 && table[1023] == 0);
static_assert(table[255] == 32766 && table[256] == 32766);
static_assert(table[767] == -32766 && table[768] == -32766);
static_assert(table[1] == 201 && table[2] == 402 && table[64] == 12539);
static_assert(table[128] == 23170 && table[129] == 23312 && table[183] == 29535);
static_assert(table[192] == 30273 && table[384] == 23027);
static_assert(table[513] == -201 && table[640] == -23170 && table[896] == -23027);

constexpr bool never_full_scale() {
    for (int16_t s : table)
        if (s == 32767 || s < -32766)
            return false;
    return true;
}
static_assert(never_full_scale());

constexpr int32_t table_sum() {
    int32_t sum = 0;
    for (int16_t s : table) sum += s;
    return sum;
}
static_assert(table_sum() == 0);

}  // namespace

const std::array<int16_t, SINE_LEN> sine_table = table;

int32_t wrap_index(int32_t a, int32_t n) {
    // % takes the sign of the dividend; a negative remainder is folded up once.
    const int32_t r = a % n;
    return r < 0 ? r + n : r;
}
