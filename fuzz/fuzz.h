// fuzz/fuzz.h: the entry point every fuzz target defines. libFuzzer calls it with each input;
// the corpus replay (fuzz/replay_main.cpp) calls it with every file of a corpus folder.
#pragma once
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A target's own check failed: prints what and where, then aborts, so that libFuzzer keeps the
// input and the replay test fails.
[[noreturn]] void fuzz_fail(const char* what, const char* file, int line);
#define FUZZ_CHECK(cond)                                      \
    do {                                                      \
        if (!(cond)) fuzz_fail(#cond, __FILE__, __LINE__);    \
    } while (0)
