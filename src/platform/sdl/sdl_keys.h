// SPDX-License-Identifier: GPL-3.0-or-later
// SDL's keys as the virtual keys of a Windows keyboard message.
#pragma once

#include <SDL.h>

#include "platform/win/win.h"

namespace platform {

// Every key has one: letters, digits, punctuation, keypad (by NumLock),
// function, navigation and modifier keys; 0xFF, as on Windows, for a key
// without a virtual key of its own.
win::UINT VirtualKeyOf(const SDL_Keysym& key);

}  // namespace platform
