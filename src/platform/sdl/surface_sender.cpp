// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sdl/surface_sender.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform {

struct SurfaceSender::X11 {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
};

std::unique_ptr<SurfaceSender> SurfaceSender::For(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    auto x11 = std::make_unique<X11>();
    x11->display = info.info.x11.display;
    x11->window = info.info.x11.window;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(x11->display, x11->window, &attributes)) return nullptr;
    x11->visual = attributes.visual;
    x11->depth = attributes.depth;
    x11->gc = XCreateGC(x11->display, x11->window, 0, nullptr);
    if (!x11->gc) return nullptr;
    return std::unique_ptr<SurfaceSender>(new SurfaceSender(window, std::move(x11)));
}

SurfaceSender::SurfaceSender(SDL_Window* window, std::unique_ptr<X11> x11) : window_(window), x11_(std::move(x11)) {}

SurfaceSender::~SurfaceSender() { XFreeGC(x11_->display, x11_->gc); }

bool SurfaceSender::Send(const SDL_Rect& part) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface || surface->format->BytesPerPixel != 4 || x11_->depth < 24) return false;
    XImage* image = XCreateImage(x11_->display, x11_->visual, static_cast<unsigned>(x11_->depth), ZPixmap, 0,
                                 static_cast<char*>(surface->pixels), static_cast<unsigned>(surface->w),
                                 static_cast<unsigned>(surface->h), 32, surface->pitch);
    if (!image) return false;
    const bool fits = image->bits_per_pixel == 32;
    if (fits) {
        XPutImage(x11_->display, x11_->window, x11_->gc, image, part.x, part.y, part.x, part.y,
                  static_cast<unsigned>(part.w), static_cast<unsigned>(part.h));
        // On its way: the server draws it when it gets to it.
        XFlush(x11_->display);
    }
    image->data = nullptr;  // the surface's pixels stay SDL's
    XDestroyImage(image);
    return fits;
}

}  // namespace platform
