// fuzz/fuzz_fail.cpp: the failure report shared by the fuzz targets.
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz.h"

void fuzz_fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}
