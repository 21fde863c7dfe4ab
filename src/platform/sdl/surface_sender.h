// SPDX-License-Identifier: GPL-3.0-or-later
// Sends part of a window's surface (what SDL's software renderer draws into)
// to the X server without waiting for the server to have drawn it, as SDL
// does for every update: on a busy desktop that wait costs more than the
// frame itself.
#pragma once

#include <SDL.h>

#include <memory>

namespace platform {

class SurfaceSender {
public:
    // None when the window is not an X11 window or its surface is not 32 bits a pixel.
    static std::unique_ptr<SurfaceSender> For(SDL_Window* window);
    ~SurfaceSender();
    SurfaceSender(const SurfaceSender&) = delete;
    SurfaceSender& operator=(const SurfaceSender&) = delete;

    // False when it could not be sent (the surface changed meanwhile).
    bool Send(const SDL_Rect& part);

private:
    struct X11;
    explicit SurfaceSender(SDL_Window* window, std::unique_ptr<X11> x11);

    SDL_Window* window_;
    std::unique_ptr<X11> x11_;
};

}  // namespace platform
