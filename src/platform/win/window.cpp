// SPDX-License-Identifier: GPL-3.0-or-later
// Window classes, windows, focus, geometry and painting state.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/events.h"
#include "platform/core/letter_case.h"
#include "platform/core/screen.h"
#include "platform/core/session.h"
#include "platform/win/handles.h"
#include "platform/win/internal.h"
#include "platform/win/windows.h"

namespace platform {
namespace {

using win::HWND;

constexpr int DefaultFrameWidth = 640, DefaultFrameHeight = 480;
constexpr win::WPARAM SIZE_RESTORED = 0, SIZE_MAXIMIZED = 2;

struct WindowClass {
    win::WNDPROC procedure;
    win::HICON icon;
};

struct WindowState {
    HandleTable<WindowData> windows{1};
    std::map<std::string, WindowClass> classes;  // by lower-case name
    win::ATOM nextAtom = 0xC000;
    HWND focus = nullptr;
    HWND mainFrame = nullptr;
    // Once the frame is shown the screen keeps its size, so nothing the
    // presentation placed moves when the window changes.
    bool screenFixed = false;
};

WindowState& State() { return CurrentSession().Part<WindowState>(); }

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (const auto& [id, window] : State().windows.All())
        if (window->parent == parent) children.push_back(MakeHandle<HWND>(id));
    return children;
}

// The window and everything below it, parents before children.
void CollectSubtree(HWND hwnd, std::vector<HWND>& out) {
    out.push_back(hwnd);
    for (HWND child : ChildrenOf(hwnd)) CollectSubtree(child, out);
}

bool IsInside(HWND hwnd, HWND ancestor) {
    for (int depth = 0; hwnd && depth < 64; ++depth) {
        if (hwnd == ancestor) return true;
        const WindowData* window = FindWindowData(hwnd);
        hwnd = window ? window->parent : nullptr;
    }
    return false;
}

HWND RootOf(HWND hwnd) {
    for (int depth = 0; depth < 64; ++depth) {
        const WindowData* window = FindWindowData(hwnd);
        if (!window || !window->parent) return hwnd;
        hwnd = window->parent;
    }
    return hwnd;
}

win::RECT ClientRectOf(HWND hwnd) {
    win::RECT rect = SurfaceRect(hwnd);
    return {0, 0, rect.right - rect.left, rect.bottom - rect.top};
}

void SendSize(HWND hwnd, win::WPARAM type) {
    win::RECT client = ClientRectOf(hwnd);
    win::SendMessageA(hwnd, win::WM_SIZE, type, win::MAKELPARAM(client.right, client.bottom));
}

void Invalidate(HWND hwnd, const win::RECT* rect, bool erase) {
    WindowData* window = FindWindowData(hwnd);
    if (!window) return;
    win::RECT client = ClientRectOf(hwnd);
    win::RECT area = Intersect(rect ? *rect : client, client);
    if (IsEmpty(area)) return;
    if (window->invalid) {
        area = {std::min(area.left, window->invalidRect.left), std::min(area.top, window->invalidRect.top),
                std::max(area.right, window->invalidRect.right), std::max(area.bottom, window->invalidRect.bottom)};
    }
    window->invalid = true;
    window->invalidRect = area;
    window->erase = window->erase || erase;
}

}  // namespace

WindowData* FindWindowData(HWND hwnd) { return State().windows.Find(HandleId(hwnd)); }

HWND MainFrame() { return FindWindowData(State().mainFrame) ? State().mainFrame : nullptr; }

HWND PresentationWindow() {
    HWND frame = MainFrame();
    if (!frame) return nullptr;
    auto children = ChildrenOf(frame);
    return children.empty() ? nullptr : children.front();
}

HWND KeyTarget() {
    if (FindWindowData(State().focus)) return State().focus;
    if (HWND presentation = PresentationWindow()) return presentation;
    return MainFrame();
}

win::RECT SurfaceRect(HWND hwnd) {
    const WindowData* window = FindWindowData(hwnd);
    if (!window) return {0, 0, 0, 0};
    if (window->frame) return TheScreen().Bounds();
    win::RECT rect = window->rect;
    if (window->parent) {
        win::RECT parent = SurfaceRect(window->parent);
        rect = {rect.left + parent.left, rect.top + parent.top, rect.right + parent.left, rect.bottom + parent.top};
    }
    return rect;
}

HWND WindowAt(win::POINT point, win::POINT* clientPoint) {
    auto contains = [&](HWND hwnd) {
        win::RECT rect = SurfaceRect(hwnd);
        return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
    };
    HWND found = nullptr;
    std::vector<HWND> candidates = ChildrenOf(nullptr);
    while (true) {
        HWND hit = nullptr;
        for (auto it = candidates.rbegin(); it != candidates.rend() && !hit; ++it)
            if (contains(*it)) hit = *it;
        if (!hit) break;
        found = hit;
        candidates = ChildrenOf(hit);
    }
    if (found && clientPoint) {
        win::RECT rect = SurfaceRect(found);
        *clientPoint = {point.x - rect.left, point.y - rect.top};
    }
    return found;
}

HWND WindowToPaint(HWND filter) {
    for (const auto& [id, window] : State().windows.All()) {
        HWND hwnd = MakeHandle<HWND>(id);
        if (!window->invalid || (filter && filter != hwnd)) continue;
        // Windows of a hidden top-level window are not painted.
        const WindowData* root = FindWindowData(RootOf(hwnd));
        if (root && root->visible) return hwnd;
    }
    return nullptr;
}

void Validate(HWND hwnd) {
    if (WindowData* window = FindWindowData(hwnd)) {
        window->invalid = false;
        window->erase = false;
    }
}

void ScreenResized() {
    HWND frame = MainFrame();
    if (!frame) return;
    SendSize(frame, SIZE_RESTORED);
    win::InvalidateRect(nullptr, nullptr, win::TRUE);
}

}  // namespace platform

namespace win {

using platform::FindWindowData;
using platform::State;

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    auto& state = State();
    auto [it, inserted] = state.classes.emplace(platform::Lowercase(wc->lpszClassName),
                                                platform::WindowClass{wc->lpfnWndProc, wc->hIcon});
    return inserted ? state.nextAtom++ : 0;
}

HWND CreateWindowExA(DWORD, const char* className, const char* title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU, HINSTANCE, void*) {
    auto& state = State();
    if (!className || reinterpret_cast<std::uintptr_t>(className) < 0x10000) return nullptr;
    auto found = state.classes.find(platform::Lowercase(className));
    if (found == state.classes.end()) return nullptr;
    if (parent && !FindWindowData(parent)) return nullptr;

    auto window = std::make_unique<platform::WindowData>();
    window->procedure = found->second.procedure;
    window->icon = found->second.icon;
    window->style = style;
    window->title = title ? title : "";
    window->parent = parent;
    window->visible = (style & WS_VISIBLE) != 0;
    window->frame = !parent && !(style & (WS_POPUP | WS_CHILD)) && !platform::MainFrame();
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    window->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};

    if (window->frame) {
        const auto& settings = platform::CurrentSettings();
        platform::Size size{platform::DefaultFrameWidth, platform::DefaultFrameHeight};
        if (settings.screen) size = *settings.screen;
        if (width > 0 && height > 0) size = {width, height};
        auto& backend = platform::TheBackend();
        if (!backend.OpenFrame(window->title, size)) return nullptr;
        if (const auto* icon = platform::FindIcon(window->icon)) backend.SetIcon(*icon);
        if (!settings.screen) platform::TheScreen().Resize(backend.ClientSize());
    }
    bool frame = window->frame;
    HWND hwnd = platform::MakeHandle<HWND>(state.windows.Add(std::move(window)));
    if (frame) state.mainFrame = hwnd;
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!FindWindowData(hwnd)) return FALSE;
    std::vector<HWND> doomed;
    platform::CollectSubtree(hwnd, doomed);
    for (HWND each : doomed) SendMessageA(each, WM_DESTROY, 0, 0);
    auto& state = State();
    for (HWND each : doomed) {
        auto window = state.windows.Remove(platform::HandleId(each));
        if (!window) continue;  // destroyed while handling WM_DESTROY
        platform::KillTimersOf(each);
        platform::DropMessagesFor(each);
        if (state.focus == each) state.focus = nullptr;
        if (window->frame) {
            platform::TheBackend().CloseFrame();
            state.mainFrame = nullptr;
        }
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FindWindowData(hwnd) ? TRUE : FALSE; }

HWND SetParent(HWND child, HWND parent) {
    platform::WindowData* window = FindWindowData(child);
    if (!window || window->frame || (parent && !FindWindowData(parent)) || platform::IsInside(parent, child))
        return nullptr;
    HWND previous = window->parent;
    window->parent = parent;
    // Windows reports the desktop as the old parent of a top-level window;
    // null would read as failure.
    return previous ? previous : child;
}

HWND GetParent(HWND hwnd) {
    const platform::WindowData* window = FindWindowData(hwnd);
    return window ? window->parent : nullptr;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    platform::WindowData* window = FindWindowData(hwnd);
    if (!window) return FALSE;
    // The frame follows the real window; only its client's geometry is ours.
    if (!window->frame) window->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    platform::SendSize(hwnd, platform::SIZE_RESTORED);
    if (repaint) InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    platform::WindowData* window = FindWindowData(hwnd);
    if (!window) return FALSE;
    BOOL wasVisible = window->visible ? TRUE : FALSE;
    window->visible = cmdShow != SW_HIDE;
    if (!window->frame || cmdShow == SW_HIDE) return wasVisible;

    auto& backend = platform::TheBackend();
    backend.ShowFrame(cmdShow == SW_SHOWMAXIMIZED);
    if (!platform::CurrentSettings().screen && !State().screenFixed) platform::TheScreen().Resize(backend.ClientSize());
    State().screenFixed = true;
    platform::SendSize(hwnd, cmdShow == SW_SHOWMAXIMIZED ? platform::SIZE_MAXIMIZED : platform::SIZE_RESTORED);
    InvalidateRect(nullptr, nullptr, TRUE);
    if (!platform::IsInside(State().focus, hwnd)) SetFocus(hwnd);
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    const platform::WindowData* window = FindWindowData(hwnd);
    if (!window) return FALSE;
    if (window->invalid) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        for (const auto& [id, window] : State().windows.All())
            platform::Invalidate(platform::MakeHandle<HWND>(id), nullptr, erase != FALSE);
        return TRUE;
    }
    if (!FindWindowData(hwnd)) return FALSE;
    platform::Invalidate(hwnd, rect, erase != FALSE);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    if (!rect || !FindWindowData(hwnd)) return FALSE;
    *rect = platform::ClientRectOf(hwnd);
    return TRUE;
}

BOOL SetWindowTextA(HWND hwnd, const char* text) {
    platform::WindowData* window = FindWindowData(hwnd);
    if (!window) return FALSE;
    window->title = text ? text : "";
    if (window->frame) platform::TheBackend().SetCaption(window->title);
    return TRUE;
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    platform::WindowData* window = FindWindowData(hwnd);
    if (!window || index != GWLP_USERDATA) return 0;
    LONG_PTR previous = window->userData;
    window->userData = value;
    return previous;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    const platform::WindowData* window = FindWindowData(hwnd);
    return window && index == GWLP_USERDATA ? window->userData : 0;
}

HWND SetFocus(HWND hwnd) {
    auto& state = State();
    HWND previous = FindWindowData(state.focus) ? state.focus : nullptr;
    if (hwnd && !FindWindowData(hwnd)) return nullptr;
    state.focus = hwnd;
    if (hwnd && hwnd != previous) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus() { return FindWindowData(State().focus) ? State().focus : nullptr; }

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SETICON: {
            platform::WindowData* window = FindWindowData(hwnd);
            if (!window) return 0;
            HICON previous = window->icon;
            window->icon = reinterpret_cast<HICON>(lParam);
            if (window->frame)
                if (const auto* icon = platform::FindIcon(window->icon)) platform::TheBackend().SetIcon(*icon);
            return reinterpret_cast<LRESULT>(previous);
        }
        default: return 0;
    }
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    platform::WindowData* window = FindWindowData(hwnd);
    if (!window || !ps) return nullptr;
    ps->fErase = window->erase ? TRUE : FALSE;
    ps->rcPaint = window->invalid ? window->invalidRect : platform::ClientRectOf(hwnd);
    platform::Validate(hwnd);
    ps->hdc = GetDC(hwnd);
    return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    return ReleaseDC(hwnd, ps->hdc) ? TRUE : FALSE;
}

}  // namespace win

namespace platform {

void ClientResized(Size size) {
    if (!CurrentSettings().screen && !State().screenFixed) {
        TheScreen().Resize(size);
        ScreenResized();
    } else {
        win::InvalidateRect(nullptr, nullptr, win::TRUE);
    }
}

}  // namespace platform
