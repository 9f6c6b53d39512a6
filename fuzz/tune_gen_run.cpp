// fuzz/tune_gen_run.cpp: the test over generated modules: `tune_gen_run FIRST COUNT` makes the
// modules of seeds FIRST .. FIRST+COUNT-1 (fuzz/xm_gen.h) and puts each through the tune check
// and libmikmod behind it. In the sanitizer build libmikmod itself is built with
// AddressSanitizer, so a module the check accepts and the player reads outside memory for
// aborts the run. Fails too when the check accepts too few modules for the player to be tested.
#include <cstdio>
#include <cstdlib>

#include "fuzz/tune_play.h"
#include "fuzz/xm_gen.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FIRST_SEED COUNT\n", argv[0]);
        return 2;
    }
    const uint64_t first = std::strtoull(argv[1], nullptr, 10);
    const uint64_t count = std::strtoull(argv[2], nullptr, 10);
    uint64_t played = 0, refused = 0;
    for (uint64_t seed = first; seed < first + count; ++seed) {
        XmChoices choices(seed);
        const std::vector<uint8_t> module = xm_generate(choices);
        const TunePlayed result = tune_play(module, false, (seed & 1) ? 8 : 4);
        played += result == TunePlayed::played;
        refused += result == TunePlayed::refused;
    }
    std::printf("%llu generated modules: %llu refused by the check, %llu played\n",
                static_cast<unsigned long long>(count), static_cast<unsigned long long>(refused),
                static_cast<unsigned long long>(played));
    if (played * 4 < count) {
        std::fprintf(stderr, "fewer than a quarter of the modules were played\n");
        return 1;
    }
    return 0;
}
