// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes drawn by the player itself: SDL's own box needs the X
// server's core fonts, which many desktops and virtual displays lack.
#pragma once

#include <SDL.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/win.h"

namespace platform {

struct BoxOutcome {
    bool closeRequested = false;  // the user closed the window meanwhile
    bool resized = false;         // the window's size changed meanwhile
    int answer = win::IDOK;       // the button chosen; the last one when none was
};

// Shows a modal box with an OK button (Yes and No for MB_YESNO) over the window, redrawing what lies
// under it with drawUnder (into the renderer, without presenting). Without a
// visible window the box gets a window of its own. Nothing else sees the
// input it takes. Without a display anyone can see, the box goes to standard
// error instead.
BoxOutcome RunMessageBox(SDL_Window* window, SDL_Renderer* renderer, const std::function<void()>& drawUnder,
                         const std::string& caption, const std::string& text, win::UINT style);

// Breaks text into lines no wider than width: line ends kept, words wrapped
// at spaces, a word wider than a line split between characters.
std::vector<std::string> WrapText(std::string_view text, int width,
                                  const std::function<int(std::string_view)>& measure);

}  // namespace platform
