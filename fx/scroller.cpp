// fx/scroller.cpp: the one-line text scroller of part 2, drawn glyph by glyph into the scroll
// strip and echoed to standard output one character at a time as each leaves the strip.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "fx/effects.h"
#include "fx/font.h"
#include "fx/objects.h"
#include "fx/sine.h"

int32_t scroll_pos = 0;
int32_t scroll_x = screen_w;  // start-up sets the canvas width
int32_t scroll_speed = scroll_speed_start;
int32_t scroll_bounce_phase = 0;
int     scroll_echo_error = 0;
int32_t scroll_y = 0;

namespace {

int64_t text_length() {
    static const auto length = static_cast<int64_t>(std::strlen(scroll_text));
    return length;
}

// Glyph slots drawn: enough to cover the strip, the last one partly outside it.
// Callers have checked the strip, the font and a positive glyph width.
int32_t slot_count() { return scroll_strip->width / font->glyph_w + 1; }

bool can_scroll() { return scroll_strip && font && font->glyph_w > 0; }

// One character to standard output, flushed at once. Where standard output cannot take it now
// (a full pipe made non-blocking, a signal), the C library drops what it held and the error
// flag is cleared again: that character is lost, the next ones go out. Other errors stay
// flagged on stdout and are kept in scroll_echo_error for the front end.
void echo(char c) {
    const bool failed_before = std::ferror(stdout) != 0;
    errno = 0;
    if (std::printf("%c", c) == 1 && std::fflush(stdout) == 0) return;
    const int error = errno;
    if (error == EAGAIN || error == EINTR || (EWOULDBLOCK != EAGAIN && error == EWOULDBLOCK)) {
        if (!failed_before) std::clearerr(stdout);
    } else if (scroll_echo_error == 0) {
        scroll_echo_error = error != 0 ? error : EIO;
    }
}

}  // namespace

void fx_scroller() {
    if (!scroll_strip) return;
    IMG_clear(scroll_strip);
    if (!can_scroll()) return;  // no font: the strip stays empty

    const int32_t y = scroll_strip->height - font->glyph_h;
    const int32_t n = slot_count();
    for (int32_t i = 0; i < n; ++i) {
        const int64_t index = int64_t{scroll_pos} + i;
        if (index < 0) continue;
        if (index >= text_length()) break;
        // Text bytes reach the font as signed chars widened to int, as text does everywhere.
        const int32_t c = static_cast<signed char>(scroll_text[index]);
        FONT_draw_char(font, c, font->glyph_w * i + scroll_x, y, scroll_strip);
    }
}

// Without the strip or the font the text stands still and nothing is echoed: the slot count that
// decides the restart needs both. A font without its sheet still moves and echoes the text.
void fx_scroller_step() {
    if (!can_scroll()) return;

    scroll_x -= scroll_speed;
    if (scroll_x > -font->glyph_w) return;

    // The first glyph has left the strip completely.
    if (scroll_pos >= 0 && scroll_pos < text_length()) {
        echo(scroll_text[scroll_pos]);
    }
    scroll_x = 0;  // not + glyph_w: what moved beyond one glyph in this frame is dropped
    ++scroll_pos;

    // Restart once the text's last character has reached the last slot, that is when the
    // character after the last slot is the terminating NUL (or the strip has grown past it).
    const int64_t after_last_slot = int64_t{scroll_pos} + slot_count();
    if (after_last_slot < 0 || after_last_slot >= text_length()) {
        scroll_pos = 0;
        scroll_x = canvas ? canvas->width : screen_w;
    }
}

// The index stays in the positive half of the table, so the strip only ever rises from the
// bottom edge: v = 0 .. 31 rows.
void fx_scroller_bounce() {
    const int32_t glyph_h = font ? font->glyph_h : (scroll_strip ? scroll_strip->height : 0);
    const int32_t s = sine_table[static_cast<size_t>(wrap_index(scroll_bounce_phase, SINE_LEN / 2))];
    scroll_y = screen_h - glyph_h - ((s * 32) >> 15);
    scroll_bounce_phase += scroll_bounce_step;
    if (scroll_bounce_phase >= SINE_LEN) scroll_bounce_phase %= SINE_LEN;
    if (scroll_strip && canvas)
        IMG_blit_keyed(scroll_strip, canvas, 0, 0, 0, scroll_y, scroll_strip->width, scroll_strip->height);
}
