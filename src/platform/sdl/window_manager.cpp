// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sdl/window_manager.h"

#include <SDL_syswm.h>

#include <cstring>

namespace platform {
namespace {

constexpr Uint32 LongestWaitMs = 500;
constexpr Uint32 PollMs = 5;

#if defined(SDL_VIDEO_DRIVER_X11)
// A window manager that follows the desktop conventions names its check
// window on the root window; without one, a maximize request goes unanswered.
bool X11ManagerRuns(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                          &format, &count, &after, &data);
    bool named = status == Success && type == XA_WINDOW && format == 32 && count == 1;
    if (named) {
        Window manager = None;
        std::memcpy(&manager, data, sizeof manager);  // format 32 arrives as longs
        named = manager != None;
    }
    if (data) XFree(data);
    return named;
}
#endif

}  // namespace

bool ManagerAnswers(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info)) return false;
    switch (info.subsystem) {
#if defined(SDL_VIDEO_DRIVER_X11)
        case SDL_SYSWM_X11: return X11ManagerRuns(info.info.x11.display);
#endif
        case SDL_SYSWM_WAYLAND: return true;  // the compositor is the window manager
        default: return false;
    }
}

void AwaitMaximizedSize(SDL_Window* window, int widthBefore, int heightBefore) {
    if (ManagerAnswers(window)) AwaitNewSize(window, widthBefore, heightBefore);
}

void AwaitNewSize(SDL_Window* window, int widthBefore, int heightBefore) {
    const Uint64 deadline = SDL_GetTicks64() + LongestWaitMs;
    // The events stay queued for the program; only the window's size is read.
    while (SDL_GetTicks64() < deadline) {
        SDL_PumpEvents();
        int width = 0, height = 0;
        SDL_GetWindowSize(window, &width, &height);
        if (width != widthBefore || height != heightBefore) return;
        SDL_Delay(PollMs);
    }
}

}  // namespace platform
