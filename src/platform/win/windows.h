// SPDX-License-Identifier: GPL-3.0-or-later
// The layer's windows: one top-level frame (the real window) whose client
// window is the presentation window, all on the one screen surface.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win/win.h"

namespace platform {

struct WindowData {
    win::WNDPROC procedure = nullptr;
    win::DWORD style = 0;
    std::string title;
    win::HWND parent = nullptr;
    win::RECT rect{};  // in the parent's client coordinates; the frame covers the screen
    bool frame = false;
    bool visible = false;
    win::LONG_PTR userData = 0;
    win::HICON icon = nullptr;
    bool invalid = false;
    win::RECT invalidRect{};
    bool erase = false;
};

WindowData* FindWindowData(win::HWND hwnd);

// The main frame, and its client window (the presentation window).
win::HWND MainFrame();
win::HWND PresentationWindow();
// Where keys go: the focus window, else the presentation window, else the frame.
win::HWND KeyTarget();

// The window's client area on the screen surface.
win::RECT SurfaceRect(win::HWND hwnd);
// The window under a screen point (children over their parents) and the
// point in its client coordinates.
win::HWND WindowAt(win::POINT screenPoint, win::POINT* clientPoint);

// The first window (in creation order) that needs painting and passes the filter.
win::HWND WindowToPaint(win::HWND filter);
void Validate(win::HWND hwnd);

// The screen changed size: the frame hears WM_SIZE, everything is repainted.
void ScreenResized();

}  // namespace platform
