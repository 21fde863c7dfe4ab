// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sdl/gl_region_copier.h"

#include <SDL_syswm.h>

#include <cstring>

namespace platform {

std::unique_ptr<GlRegionCopier> GlRegionCopier::For(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    // SDL may draw through EGL instead: then there is no current GLX context.
    using GetCurrentContext = void* (*)();
    using QueryExtensions = const char* (*)(void* display, int screen);
    const auto current = reinterpret_cast<GetCurrentContext>(SDL_GL_GetProcAddress("glXGetCurrentContext"));
    const auto query = reinterpret_cast<QueryExtensions>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
    const auto copy = reinterpret_cast<CopySubBuffer>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
    if (!current || !query || !copy || !current()) return nullptr;
    Display* display = info.info.x11.display;
    const char* extensions = query(display, DefaultScreen(display));
    if (!extensions || !std::strstr(extensions, "GLX_MESA_copy_sub_buffer")) return nullptr;
    return std::unique_ptr<GlRegionCopier>(new GlRegionCopier(display, info.info.x11.window, copy));
}

void GlRegionCopier::Copy(const SDL_Rect& part, int outputHeight) const {
    // OpenGL counts rows from the bottom.
    copy_(display_, drawable_, part.x, outputHeight - part.y - part.h, part.w, part.h);
}

}  // namespace platform
