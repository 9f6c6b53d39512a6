// util/glibc_rand.cpp: rand(), srand(), random() and srandom() drawing the same numbers as the
// GNU C library's, for the builds whose C library has a generator of its own: the web build and
// the Windows build. The starfield of part 2 is spawned from rand(), so with these linked the
// browser and Windows show exactly the frames the Linux programs compose.
//
// The generator is glibc's default one: an additive feedback over 31 words seeded by a
// Lehmer generator, with the first 310 outputs discarded. rand() and random() share its state,
// as in glibc, where libmikmod's player also draws from random() (from rand() where the C
// library has no random(), as on Windows): one state, whichever the library calls.
#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int32_t words = 31;      // degree of the feedback polynomial
constexpr int32_t separation = 3;  // distance between the two taps
constexpr int32_t discarded = 10 * words;

struct Generator {
    std::array<uint32_t, words> state{};
    int32_t front = separation;  // the tap that receives the sum
    int32_t rear = 0;

    void seed(uint32_t value) {
        // Each next word is 16807 x mod (2^31 - 1) by Schrage's method. glibc begins on the seed
        // as a signed 32-bit word, so a seed of 2^31 and above begins negative.
        int32_t word = value == 0 ? 1 : static_cast<int32_t>(value);
        state[0] = static_cast<uint32_t>(word);
        for (int32_t i = 1; i < words; ++i) {
            const int32_t hi = word / 127773;
            const int32_t lo = word % 127773;
            word = 16807 * lo - 2836 * hi;  // within 32 bits for any word
            if (word < 0) word += 2147483647;
            state[static_cast<size_t>(i)] = static_cast<uint32_t>(word);
        }
        front = separation;
        rear = 0;
        for (int32_t i = 0; i < discarded; ++i) next();
    }

    int32_t next() {
        uint32_t& sum = state[static_cast<size_t>(front)];
        sum += state[static_cast<size_t>(rear)];  // mod 2^32
        front = front + 1 == words ? 0 : front + 1;
        rear = rear + 1 == words ? 0 : rear + 1;
        return static_cast<int32_t>(sum >> 1);
    }
};

// Seeded with 1 before the first draw, as a program that never calls srand() sees it.
Generator& generator() {
    static Generator g = [] {
        Generator seeded;
        seeded.seed(1);
        return seeded;
    }();
    return g;
}

}  // namespace

extern "C" {

#ifdef _WIN32
// Windows' C library has neither; libmikmod, built for Windows to call random(), declares it.
long random();
void srandom(unsigned seed);
#endif

int rand() { return generator().next(); }
void srand(unsigned seed) { generator().seed(seed); }
long random() { return generator().next(); }
void srandom(unsigned seed) { generator().seed(seed); }

}  // extern "C"
