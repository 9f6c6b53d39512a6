// fuzz/tune_gen_fuzz.cpp: generated XM modules (fuzz/xm_gen.h) through the tune check and
// libmikmod behind it (fuzz/tune_play.h). The input only steers the generator's choices, so
// every input is a module that looks like a tune.
#include <cstdlib>

#include "fuzz/fuzz.h"
#include "fuzz/tune_play.h"
#include "fuzz/xm_gen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool unchecked = std::getenv("KAPU_TUNE_FUZZ_UNCHECKED") != nullptr;
    XmChoices choices({data, size});
    const std::vector<uint8_t> module = xm_generate(choices);
    (void)tune_play(module, unchecked, (size & 1) ? 8 : 4);
    return 0;
}
