// SPDX-License-Identifier: GPL-3.0-or-later
// Virtual keys as a Windows keyboard message carries them.
#pragma once

#include <optional>
#include <string_view>

#include "platform/win/win.h"

namespace platform {

inline constexpr win::UINT VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_F10 = win::VK_F1 + 9;

// escape, space, return, tab, a-z, 0-9, f1-f12, left, right, up, down
// (any case), or a number such as 0x1B.
std::optional<win::UINT> KeyFromName(std::string_view name);

// The long parameter of a key message: repeat count 1, scan code, extended
// flag, context (Alt held), previous state (down before: auto-repeat or key
// up), transition.
win::LPARAM KeyLParam(win::UINT vk, bool down, bool repeat, bool altHeld);

// The character TranslateMessage makes of a key, 0 for none.
char KeyCharacter(win::UINT vk, bool shift);

}  // namespace platform
