// fx/effects.cpp: puts the motion state of every effect back to where the program starts it.
#include "fx/effects.h"
#include "fx/objects.h"

void fx_reset() {
    bar_phase = {};
    plasma_phases = {};
    scroll_pos = {};
    scroll_x = canvas ? canvas->width : screen_w;
    scroll_speed = scroll_speed_start;
    scroll_bounce_phase = {};
    scroll_y = {};
    scroll_echo_error = 0;
    letter_phases = {};
    wobble_phase = {};
    logo_bounce_phase = {};
    logo_y = {};
}
