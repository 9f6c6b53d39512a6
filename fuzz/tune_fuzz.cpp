// fuzz/tune_fuzz.cpp: the tune check on any bytes, and behind it libmikmod on every module the
// check accepts (fuzz/tune_play.h).
// With KAPU_TUNE_FUZZ_UNCHECKED set, every input goes to the library: that finds what to refuse.
#include <cstdlib>

#include "fuzz/fuzz.h"
#include "fuzz/tune_play.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool unchecked = std::getenv("KAPU_TUNE_FUZZ_UNCHECKED") != nullptr;
    // The demo loads with 4 voices and reloads with 8; inputs take either.
    (void)tune_play({data, size}, unchecked, (size & 1) ? 8 : 4);
    return 0;
}
