// front/native/main.cpp: the entry point of demo and demo-window: start-up, then the core's cycle
// stepped frame by frame until the fade-out after Esc or Q has ended, then the release.
#include "front/native/driver.h"
#include "front/native/echo_output.h"
#include "main/demo.h"
#include "util/standard_streams.h"

int main(int, char**) {
    standard_streams_open();
    echo_output_never_waits();
    demo_presentation(KAPU_WINDOWED != 0);
    demo_init();
    while (demo_step(&demo_cycle)) {
    }
    demo_end(&demo_cycle);
    return 1;
}
