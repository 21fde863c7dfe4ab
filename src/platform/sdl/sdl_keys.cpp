// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sdl/sdl_keys.h"

namespace platform {
namespace {

constexpr win::UINT NoVirtualKey = 0xFF;

// The keypad by position: digits with NumLock, navigation without.
win::UINT KeypadKey(SDL_Scancode scancode, bool numLock) {
    static constexpr win::UINT Navigation[] = {0x23, 0x28, 0x22, 0x25, 0x0C, 0x27, 0x24, 0x26, 0x21};  // 1..9
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) {
        const int digit = scancode - SDL_SCANCODE_KP_1;
        return numLock ? static_cast<win::UINT>(0x61 + digit) : Navigation[digit];
    }
    switch (scancode) {
        case SDL_SCANCODE_KP_0: return numLock ? 0x60 : 0x2D;       // VK_NUMPAD0 / VK_INSERT
        case SDL_SCANCODE_KP_PERIOD: return numLock ? 0x6E : 0x2E;  // VK_DECIMAL / VK_DELETE
        case SDL_SCANCODE_KP_MULTIPLY: return 0x6A;
        case SDL_SCANCODE_KP_PLUS: return 0x6B;
        case SDL_SCANCODE_KP_COMMA: return 0x6C;  // VK_SEPARATOR
        case SDL_SCANCODE_KP_MINUS: return 0x6D;
        case SDL_SCANCODE_KP_DIVIDE: return 0x6F;
        case SDL_SCANCODE_KP_ENTER: return win::VK_RETURN;
        default: return 0;
    }
}

// What the key produces: Latin letters and digits, punctuation, named keys.
win::UINT ByKeycode(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<win::UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<win::UINT>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12) return win::VK_F1 + static_cast<win::UINT>(key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return win::VK_F1 + 12 + static_cast<win::UINT>(key - SDLK_F13);
    switch (key) {
        case SDLK_ESCAPE: return win::VK_ESCAPE;
        case SDLK_RETURN: return win::VK_RETURN;
        case SDLK_TAB: return win::VK_TAB;
        case SDLK_SPACE: return win::VK_SPACE;
        case SDLK_BACKSPACE: return win::VK_BACK;
        case SDLK_LEFT: return win::VK_LEFT;
        case SDLK_RIGHT: return win::VK_RIGHT;
        case SDLK_UP: return win::VK_UP;
        case SDLK_DOWN: return win::VK_DOWN;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_CLEAR: return 0x0C;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 0x11;
        case SDLK_LALT:
        case SDLK_RALT: return 0x12;
        case SDLK_PAUSE: return 0x13;
        case SDLK_CAPSLOCK: return 0x14;
        case SDLK_PRINTSCREEN: return 0x2C;
        case SDLK_LGUI: return 0x5B;
        case SDLK_RGUI: return 0x5C;
        case SDLK_APPLICATION: return 0x5D;
        case SDLK_NUMLOCKCLEAR: return 0x90;
        case SDLK_SCROLLLOCK: return 0x91;
        case SDLK_MUTE: return 0xAD;
        case SDLK_VOLUMEDOWN: return 0xAE;
        case SDLK_VOLUMEUP: return 0xAF;
        case SDLK_AUDIONEXT: return 0xB0;
        case SDLK_AUDIOPREV: return 0xB1;
        case SDLK_AUDIOSTOP: return 0xB2;
        case SDLK_AUDIOPLAY: return 0xB3;
        // The punctuation keys (VK_OEM_...), named by what they produce.
        case SDLK_SEMICOLON: return 0xBA;
        case SDLK_EQUALS:
        case SDLK_PLUS: return 0xBB;
        case SDLK_COMMA: return 0xBC;
        case SDLK_MINUS: return 0xBD;
        case SDLK_PERIOD: return 0xBE;
        case SDLK_SLASH: return 0xBF;
        case SDLK_BACKQUOTE: return 0xC0;
        case SDLK_LEFTBRACKET: return 0xDB;
        case SDLK_BACKSLASH: return 0xDC;
        case SDLK_RIGHTBRACKET: return 0xDD;
        case SDLK_QUOTE: return 0xDE;
        case SDLK_LESS: return 0xE2;
        default: return 0;
    }
}

// Keys whose character is none of the above (other scripts, accented
// letters, other layouts' punctuation) go by where they sit, as Windows
// names them on such layouts.
win::UINT ByPosition(SDL_Scancode scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return static_cast<win::UINT>('A' + (scancode - SDL_SCANCODE_A));
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return static_cast<win::UINT>('1' + (scancode - SDL_SCANCODE_1));
    switch (scancode) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_SEMICOLON: return 0xBA;
        case SDL_SCANCODE_EQUALS: return 0xBB;
        case SDL_SCANCODE_COMMA: return 0xBC;
        case SDL_SCANCODE_MINUS: return 0xBD;
        case SDL_SCANCODE_PERIOD: return 0xBE;
        case SDL_SCANCODE_SLASH: return 0xBF;
        case SDL_SCANCODE_GRAVE: return 0xC0;
        case SDL_SCANCODE_LEFTBRACKET: return 0xDB;
        case SDL_SCANCODE_BACKSLASH:
        case SDL_SCANCODE_NONUSHASH: return 0xDC;
        case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;
        case SDL_SCANCODE_APOSTROPHE: return 0xDE;
        case SDL_SCANCODE_NONUSBACKSLASH: return 0xE2;
        default: return 0;
    }
}

}  // namespace

win::UINT VirtualKeyOf(const SDL_Keysym& key) {
    if (win::UINT vk = KeypadKey(key.scancode, (key.mod & KMOD_NUM) != 0)) return vk;
    if (win::UINT vk = ByKeycode(key.sym)) return vk;
    if (win::UINT vk = ByPosition(key.scancode)) return vk;
    return NoVirtualKey;
}

}  // namespace platform
