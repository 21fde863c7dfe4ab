// SPDX-License-Identifier: GPL-3.0-or-later
// Shows part of an OpenGL window's back buffer without a swap
// (GLX_MESA_copy_sub_buffer): a frame that changed a small part of a large
// window costs that part only, where a swap redraws and sends all of it.
// What lies outside the part on the back buffer is never shown, so it does
// not matter what a swap left there.
#pragma once

#include <SDL.h>

#include <memory>

namespace platform {

class GlRegionCopier {
public:
    // None unless the window is drawn through GLX with the extension.
    static std::unique_ptr<GlRegionCopier> For(SDL_Window* window);

    // Copies `part` of the back buffer (from the window's top left) to the
    // window, whose drawable is `outputHeight` pixels high.
    void Copy(const SDL_Rect& part, int outputHeight) const;

private:
    using CopySubBuffer = void (*)(void* display, unsigned long drawable, int x, int y, int width, int height);
    GlRegionCopier(void* display, unsigned long drawable, CopySubBuffer copy)
        : display_(display), drawable_(drawable), copy_(copy) {}

    void* display_;
    unsigned long drawable_;
    CopySubBuffer copy_;
};

}  // namespace platform
