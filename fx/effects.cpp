// fx/effects.cpp: puts the motion state of every effect back to where the program starts it.
#include "fx/effects.h"
#include "main/demo.h"

void fx_reset() {
    bar_phase = 0;
    plasma_phases = {};
    scroll_pos = 0;
    scroll_x = canvas ? canvas->width : screen_w;
    scroll_speed = 2;
    scroll_bounce_phase = 0;
    scroll_y = 0;
    letter_phases = {};
    wobble_phase = 0;
    logo_bounce_phase = 0;
    logo_y = 0;
}
