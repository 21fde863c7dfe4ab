// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation window itself: construction, destruction, its message
// table and its painting.
#include "interp/interp_win.h"

#include <new>

#include "flic/flc_window.h"
#include "still/slide_win.h"

DInterpWin::DInterpWin(InterpHost& host) : framework::Window(win::WS_POPUP), host_(host) {
    try {
        curDir_ = std::make_unique<char[]>(CurDirSize);
        lineBuf_ = std::make_unique<char[]>(LineBufSize);
    } catch (const std::bad_alloc&) {
        host_.FatalError("Not enough memory to allocate strings.", nullptr);
    }
}

DInterpWin::~DInterpWin() {
    ReleaseMedia();
    DeleteHotSpots();
    CloseSequence();
}

bool DInterpWin::Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result) {
    result = 0;
    switch (msg) {
        case win::WM_LBUTTONDOWN:
            EvLButtonDown(static_cast<win::UINT>(wParam),
                          win::POINT{win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)});
            return true;
        case win::WM_KEYDOWN:
            EvKeyDown(static_cast<win::UINT>(wParam), win::LOWORD(static_cast<std::uintptr_t>(lParam)),
                      win::HIWORD(static_cast<std::uintptr_t>(lParam)));
            return true;
        case win::WM_TIMER: EvTimer(wParam); return true;
        case WM_INTERP_OPEN: OpenSequence(wParam != 0); return true;
        case WM_INTERP_RUN: RunSequence(wParam != 0); return true;
        case WM_INTERP_EXIT: ExitLevel(); return true;
        default: return framework::Window::Dispatch(msg, wParam, lParam, result);
    }
}

void DInterpWin::Paint(win::HDC dc, bool, const win::RECT&) {
    win::RECT client{};
    win::GetClientRect(Handle(), &client);
    win::SelectObject(dc, win::GetStockObject(win::BLACK_BRUSH));
    win::SelectObject(dc, win::GetStockObject(win::BLACK_PEN));
    win::Rectangle(dc, client.left, client.top, client.right, client.bottom);

    if (host_.TakeFirstPaint()) {
        StartPresentation();
        return;
    }
    auto* slide = std::get_if<std::unique_ptr<DSlideWin>>(&media_);
    if (state_ != InterpState::Still || !slide || !*slide) return;
    win::HDC windowDc = win::GetWindowDC(Handle());
    (*slide)->Draw(windowDc, client);
    win::ReleaseDC(Handle(), windowDc);
}

void DInterpWin::ShowNotice(const char* text, const char* caption, win::UINT style) {
    win::MessageBoxA(Handle(), text, caption, style);
}

void DInterpWin::DeleteHotSpots() {
    while (hotSpots_) {
        HotSpot* next = hotSpots_->next;
        delete hotSpots_;
        hotSpots_ = next;
    }
}
