// Tests of the KEYBOARD: the key byte as a level fed from SDL's queue, and the close request.
#include "screen/keyboard.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen/screen.h"

namespace {

// An event to queue: a key press or release of a symbol, or any other event type.
struct Ev {
    Uint8 type;
    int   sym;
};
Ev down(int sym) { return {SDL_KEYDOWN, sym}; }
Ev up(int sym) { return {SDL_KEYUP, sym}; }
Ev other(Uint8 type) { return {type, 0}; }

void push(const Ev& e) {
    SDL_Event event{};
    event.type = e.type;
    if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
        event.key.type = e.type;
        event.key.state = e.type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = static_cast<SDLKey>(e.sym);
    } else if (e.type == SDL_MOUSEMOTION) {
        event.motion.type = SDL_MOUSEMOTION;
        event.motion.x = 10;
        event.motion.y = 10;
    } else if (e.type == SDL_ACTIVEEVENT) {
        event.active.type = SDL_ACTIVEEVENT;
        event.active.gain = 1;
        event.active.state = SDL_APPINPUTFOCUS;
    }
    ASSERT_EQ(SDL_PushEvent(&event), 0);
}

// A fresh keyboard over an open screen, with SDL's queue drained.
KEYBOARD* fresh_keyboard() {
    SCREEN* screen = SCREEN_new();
    SCREEN_set_mode(screen, 320, 240);
    KEYBOARD* old = keyboard_instance;
    KEYBOARD_free(&old);
    KEYBOARD* keyboard = KEYBOARD_new();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    return keyboard;
}

std::string bytes(const KEYBOARD* keyboard) {
    std::string out;
    for (int i = 0; i < KEYBOARD_BYTES; ++i) out += std::to_string(keyboard->keys[i]) + " ";
    return out;
}

TEST(Keyboard, NewNeedsAScreenAndReturnsTheSameRecordTwice) {
    if (screen_instance != nullptr) {
        SCREEN* screen = screen_instance;
        SCREEN_free(&screen);
    }
    KEYBOARD* old = keyboard_instance;
    KEYBOARD_free(&old);
    EXPECT_EQ(KEYBOARD_new(), nullptr) << "no SCREEN yet";
    KEYBOARD* keyboard = fresh_keyboard();
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(KEYBOARD_new(), keyboard);
    EXPECT_EQ(bytes(keyboard), "0 0 0 0 0 0 0 0 ");
    EXPECT_EQ(KEYBOARD_equal(keyboard, keyboard), 1);
    EXPECT_EQ(KEYBOARD_equal(keyboard, nullptr), 0);
    EXPECT_STREQ(KEYBOARD_to_text(keyboard), "");
    EXPECT_EQ(KEYBOARD_to_text(nullptr), nullptr);
}

TEST(Keyboard, PollLeavesTheLastKeyEventsByte) {
    struct Case {
        const char*     name;
        std::vector<Ev> events;
        uint8_t         want;
    };
    const Case cases[] = {
        {"one press", {down(SDLK_a)}, 97},
        {"last press wins", {down(SDLK_1), down(SDLK_2)}, 50},
        {"press and release between polls", {down(SDLK_SPACE), up(SDLK_SPACE)}, 0},
        {"releasing another key clears", {down(SDLK_1), down(SDLK_2), up(SDLK_2)}, 0},
        {"release of a key never seen clears", {down(SDLK_ESCAPE), up(SDLK_q)}, 0},
        {"left shift 304 keeps its low byte", {down(SDLK_LSHIFT)}, 48},
        {"right control 305 keeps its low byte", {down(SDLK_RCTRL)}, 49},
        {"mouse after a press is dropped", {down(SDLK_9), other(SDL_MOUSEMOTION)}, 57},
        {"focus change after a press is dropped", {down(SDLK_q), other(SDL_ACTIVEEVENT)}, 113},
        {"press after a release", {down(SDLK_1), up(SDLK_1), down(SDLK_ESCAPE)}, 27},
    };
    for (const Case& c : cases) {
        KEYBOARD* keyboard = fresh_keyboard();
        ASSERT_NE(keyboard, nullptr);
        for (const Ev& e : c.events) push(e);
        KEYBOARD_poll(keyboard);
        EXPECT_EQ(keyboard->keys[0], c.want) << c.name;
        EXPECT_EQ(keyboard->keys[1], 0) << c.name;
    }
}

TEST(Keyboard, TheKeyByteIsALevelThatLastsUntilARelease) {
    KEYBOARD* keyboard = fresh_keyboard();
    push(down(SDLK_SPACE));
    KEYBOARD_poll(keyboard);
    for (int frame = 0; frame < 3; ++frame) {
        KEYBOARD_poll(keyboard);  // nothing queued
        EXPECT_EQ(keyboard->keys[0], 32) << "frame " << frame;
    }
    push(other(SDL_MOUSEMOTION));
    KEYBOARD_poll(keyboard);
    EXPECT_EQ(keyboard->keys[0], 32);
    push(up(SDLK_SPACE));
    KEYBOARD_poll(keyboard);
    EXPECT_EQ(keyboard->keys[0], 0);
}

TEST(Keyboard, CloseRequestReadsAsEscAndNoLaterKeyCancelsIt) {
    struct Case {
        const char*     name;
        std::vector<Ev> events;
    };
    const Case cases[] = {
        {"close alone", {other(SDL_QUIT)}},
        {"close then a release", {down(SDLK_a), other(SDL_QUIT), up(SDLK_a)}},
        {"close then a press", {other(SDL_QUIT), down(SDLK_SPACE)}},
        {"close then press and release", {other(SDL_QUIT), down(SDLK_1), up(SDLK_1)}},
    };
    for (const Case& c : cases) {
        KEYBOARD* keyboard = fresh_keyboard();
        for (const Ev& e : c.events) push(e);
        KEYBOARD_poll(keyboard);
        EXPECT_EQ(keyboard->keys[0], KEYBOARD_CLOSE_KEY) << c.name;
        EXPECT_EQ(keyboard->keys[1], 1) << c.name;
        push(up(SDLK_ESCAPE));
        push(down(SDLK_SPACE));
        KEYBOARD_poll(keyboard);
        EXPECT_EQ(keyboard->keys[0], KEYBOARD_CLOSE_KEY) << c.name << ": the next poll";
    }
}

TEST(Keyboard, FreeNullsThePointerAndANewRecordStartsClear) {
    KEYBOARD* keyboard = fresh_keyboard();
    push(down(SDLK_a));
    KEYBOARD_poll(keyboard);
    KEYBOARD_free(&keyboard);
    EXPECT_EQ(keyboard, nullptr);
    EXPECT_EQ(keyboard_instance, nullptr);
    KEYBOARD_free(&keyboard);
    KEYBOARD_free(nullptr);
    keyboard = KEYBOARD_new();
    ASSERT_NE(keyboard, nullptr);
    EXPECT_EQ(bytes(keyboard), "0 0 0 0 0 0 0 0 ");
}

}  // namespace
