// screen/keyboard.h: the key byte the demo reads once a frame, fed from SDL's event queue.
// Byte 0 holds the low byte of the last pressed key's symbol, 0 once any key is released.
// Byte 1 becomes 1, for good, when the window is asked to close; byte 0 then reads 27 (Esc)
// after every poll, so the close ends the demo as Esc does.
#pragma once
#include <cstdint>

inline constexpr int32_t KEYBOARD_BYTES = 8;
inline constexpr uint8_t KEYBOARD_CLOSE_KEY = 27;

struct KEYBOARD {
    uint8_t* keys;  // KEYBOARD_BYTES bytes: [0] the key, [1] the close request, the rest 0
};

extern KEYBOARD* keyboard_instance;

// Life cycle: needs a SCREEN; a second call returns the first record; null without a SCREEN.
[[nodiscard]] KEYBOARD* KEYBOARD_new();
void KEYBOARD_free(KEYBOARD** keyboard);  // null-safe; the pointer is set to null
const char* KEYBOARD_to_text(const KEYBOARD* keyboard);  // "" or null
int32_t KEYBOARD_equal(const KEYBOARD* a, const KEYBOARD* b);

// Drains SDL's event queue into the key byte; events other than keys and close are dropped.
void KEYBOARD_poll(KEYBOARD* keyboard);
