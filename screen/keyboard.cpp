// screen/keyboard.cpp: SDL key events turned into the demo's key byte.
#include "screen/keyboard.h"

#include <SDL.h>

#include <cstdlib>

#include "screen/screen.h"

KEYBOARD* keyboard_instance = nullptr;

KEYBOARD* KEYBOARD_new() {
    if (screen_instance == nullptr) return nullptr;
    if (keyboard_instance != nullptr) return keyboard_instance;
    auto* keyboard = static_cast<KEYBOARD*>(std::calloc(1, sizeof(KEYBOARD)));
    if (keyboard == nullptr) return nullptr;
    keyboard->keys = static_cast<uint8_t*>(std::calloc(KEYBOARD_BYTES, 1));
    if (keyboard->keys == nullptr) {
        std::free(keyboard);
        return nullptr;
    }
    keyboard_instance = keyboard;
    return keyboard;
}

void KEYBOARD_free(KEYBOARD** keyboard) {
    if (keyboard == nullptr || *keyboard == nullptr) return;
    if (*keyboard == keyboard_instance) keyboard_instance = nullptr;
    std::free((*keyboard)->keys);
    std::free(*keyboard);
    *keyboard = nullptr;
}

const char* KEYBOARD_to_text(const KEYBOARD* keyboard) {
    return keyboard != nullptr ? "" : nullptr;
}

int32_t KEYBOARD_equal(const KEYBOARD* a, const KEYBOARD* b) {
    return a != nullptr && b != nullptr && a == b ? 1 : 0;
}

void KEYBOARD_poll(KEYBOARD* keyboard) {
    if (keyboard == nullptr || keyboard->keys == nullptr) return;
    uint8_t* keys = keyboard->keys;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
            keys[0] = static_cast<uint8_t>(event.key.keysym.sym & 0xFF);
            break;
        case SDL_KEYUP:
            keys[0] = 0;
            break;
        case SDL_QUIT:
            keys[1] = 1;
            break;
        default:
            break;
        }
    }
    // A close request outlasts any key event queued after it: the key map sees Esc from now on.
    if (keys[1] != 0) keys[0] = KEYBOARD_CLOSE_KEY;
}
