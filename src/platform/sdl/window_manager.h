// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop's window manager does to a window we show.
#pragma once

#include <SDL.h>

namespace platform {

// True when a window manager runs that acts on a window's requests (on X11,
// one that names itself on the root window; on Wayland, always).
bool ManagerAnswers(SDL_Window* window);

// After a window that asked to be maximized was shown: waits, pumping the
// window system, until the window manager has changed its size from the one
// it had before (at most about half a second). Returns at once where nothing
// will answer (no window manager runs, or a video driver without one).
void AwaitMaximizedSize(SDL_Window* window, int widthBefore, int heightBefore);

// Waits the same way, whoever is to answer (a fullscreen switch).
void AwaitNewSize(SDL_Window* window, int widthBefore, int heightBefore);

}  // namespace platform
