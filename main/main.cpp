// main/main.cpp: the entry point: start-up, the part cycle until Esc or Q, the end sequence.
#include "main/demo.h"
#include "main/driver.h"

#ifndef KAPU_WINDOWED
#define KAPU_WINDOWED 1
#endif

namespace {

// Runs one part; true when the program is to end (bit 0 of quit_request: Esc, Q or a close).
bool run_part(void (*part)()) {
    part();
    if ((quit_request & 1) != 0) return true;
    quit_request = 0;
    return false;
}

}  // namespace

int main(int, char**) {
    demo_presentation_defaults(KAPU_WINDOWED != 0);
    demo_init();
    while (!run_part(demo_part1) && !run_part(demo_part2) && !run_part(demo_part3)) {
    }
    demo_shutdown();
    return 1;
}
