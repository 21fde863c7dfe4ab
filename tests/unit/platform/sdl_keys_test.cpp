// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL backend's key translation: every key a viewer may press has a
// virtual key.
#include <gtest/gtest.h>

#include "platform/sdl/sdl_keys.h"

namespace {

TEST(SdlKeys, EveryKeyHasItsVirtualKey) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        Uint16 mod;
        win::UINT vk;
    } cases[] = {
        {SDLK_q, SDL_SCANCODE_Q, KMOD_NONE, 'Q'},
        {SDLK_PERIOD, SDL_SCANCODE_PERIOD, KMOD_NONE, 0xBE},
        {SDLK_MINUS, SDL_SCANCODE_MINUS, KMOD_NONE, 0xBD},
        // Other layouts: what the key produces first, then where it sits.
        {SDLK_MINUS, SDL_SCANCODE_SLASH, KMOD_NONE, 0xBD},  // German '-'
        {SDLK_a, SDL_SCANCODE_Q, KMOD_NONE, 'A'},           // French 'a'
        {'&', SDL_SCANCODE_1, KMOD_NONE, '1'},              // French '&'
        {0xE4, SDL_SCANCODE_APOSTROPHE, KMOD_NONE, 0xDE},   // German a with umlaut
        {0x439, SDL_SCANCODE_Q, KMOD_NONE, 'Q'},            // Russian short i
        // The keypad follows NumLock.
        {SDLK_KP_1, SDL_SCANCODE_KP_1, KMOD_NUM, 0x61},
        {SDLK_KP_1, SDL_SCANCODE_KP_1, KMOD_NONE, 0x23},
        {SDLK_KP_5, SDL_SCANCODE_KP_5, KMOD_NONE, 0x0C},
        {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM, 0x6E},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, KMOD_NUM, win::VK_RETURN},
        // Function, navigation and modifier keys.
        {SDLK_F10, SDL_SCANCODE_F10, KMOD_NONE, 0x79},
        {SDLK_F13, SDL_SCANCODE_F13, KMOD_NONE, 0x7C},
        {SDLK_HOME, SDL_SCANCODE_HOME, KMOD_NONE, 0x24},
        {SDLK_LALT, SDL_SCANCODE_LALT, KMOD_NONE, 0x12},
        {SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, KMOD_NONE, 0xFF},
    };
    for (const auto& c : cases) {
        SDL_Keysym key{};
        key.sym = c.sym;
        key.scancode = c.scancode;
        key.mod = c.mod;
        EXPECT_EQ(platform::VirtualKeyOf(key), c.vk)
            << "key 0x" << std::hex << c.sym << " at " << std::dec << c.scancode;
    }
}

}  // namespace
