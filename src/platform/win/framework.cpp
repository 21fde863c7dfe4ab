// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win/framework.h"

namespace framework {
namespace {

constexpr const char* WindowClassName = "CorvantaWindow";

// Registered with every window made: a second registration is refused and
// harmless, and a fresh platform session needs the class again.
void RegisterWindowClass(win::WNDPROC procedure) {
    win::WNDCLASSA wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = win::GetModuleHandleA(nullptr);
    wc.lpszClassName = WindowClassName;
    win::RegisterClassA(&wc);
}

}  // namespace

Window::Window(win::DWORD style) : style_(style) {}

Window::~Window() {
    if (hwnd_ && win::IsWindow(hwnd_)) {
        // The object is half gone: no message may reach it any more.
        win::SetWindowLongPtrA(hwnd_, win::GWLP_USERDATA, 0);
        win::DestroyWindow(hwnd_);
    }
}

bool Window::Create(win::HWND parent, const char* title) {
    RegisterWindowClass(&Window::Procedure);
    hwnd_ = win::CreateWindowExA(0, WindowClassName, title, style_, win::CW_USEDEFAULT, win::CW_USEDEFAULT,
                                 win::CW_USEDEFAULT, win::CW_USEDEFAULT, parent, nullptr,
                                 win::GetModuleHandleA(nullptr), nullptr);
    if (!hwnd_) return false;
    win::SetWindowLongPtrA(hwnd_, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(this));
    return true;
}

void Window::Paint(win::HDC, bool, const win::RECT&) {}

bool Window::Dispatch(win::UINT msg, win::WPARAM, win::LPARAM, win::LRESULT& result) {
    if (msg != win::WM_PAINT) return false;
    win::PAINTSTRUCT ps{};
    win::HDC dc = win::BeginPaint(hwnd_, &ps);
    Paint(dc, ps.fErase != 0, ps.rcPaint);
    win::EndPaint(hwnd_, &ps);
    result = 0;
    return true;
}

win::LRESULT Window::Procedure(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(win::GetWindowLongPtrA(hwnd, win::GWLP_USERDATA));
    win::LRESULT result = 0;
    if (self && self->Dispatch(msg, wParam, lParam, result)) return result;
    return win::DefWindowProcA(hwnd, msg, wParam, lParam);
}

FrameWindow::FrameWindow(const char* caption, std::unique_ptr<Window> client)
    : Window(win::WS_OVERLAPPEDWINDOW), caption_(caption), client_(std::move(client)) {}

FrameWindow::~FrameWindow() {
    // The client goes first, as its window is a child of the frame's.
    client_.reset();
}

bool FrameWindow::CreateFrame() {
    if (!Create(nullptr, caption_) || !client_->Create(nullptr, nullptr)) return false;
    win::SetParent(client_->Handle(), Handle());
    FitClient();
    if (icon_) win::SendMessageA(Handle(), win::WM_SETICON, win::ICON_BIG, reinterpret_cast<win::LPARAM>(icon_));
    win::SetFocus(client_->Handle());
    return true;
}

void FrameWindow::SetIcon(win::HICON icon) {
    icon_ = icon;
    if (Handle()) win::SendMessageA(Handle(), win::WM_SETICON, win::ICON_BIG, reinterpret_cast<win::LPARAM>(icon));
}

void FrameWindow::FitClient() {
    win::RECT area{};
    win::GetClientRect(Handle(), &area);
    win::MoveWindow(client_->Handle(), 0, 0, area.right - area.left, area.bottom - area.top, win::TRUE);
}

bool FrameWindow::Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result) {
    result = 0;
    switch (msg) {
        case win::WM_SIZE: FitClient(); return true;
        case win::WM_SETFOCUS: win::SetFocus(client_->Handle()); return true;
        case win::WM_DESTROY:
            // Closing the main window ends the application, as on Windows.
            win::PostQuitMessage(0);
            return true;
        default: return Window::Dispatch(msg, wParam, lParam, result);
    }
}

int Application::Run() {
    InitMainWindow();
    if (!main_ || !main_->CreateFrame()) return 1;
    win::ShowWindow(main_->Handle(), cmdShow_);
    win::MSG msg{};
    while (win::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        win::TranslateMessage(&msg);
        win::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace framework
