// SPDX-License-Identifier: GPL-3.0-or-later
// The small windowing framework the player's classes derive from: an
// application with a message loop, a frame window with a client window, and a
// window base class whose message table derived classes extend.
#pragma once

#include <memory>

#include "platform/win/win.h"

namespace framework {

class Window {
public:
    explicit Window(win::DWORD style);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the platform window; parent may be null.
    bool Create(win::HWND parent, const char* title);
    win::HWND Handle() const { return hwnd_; }
    win::DWORD Style() const { return style_; }
    void SetStyle(win::DWORD style) { style_ = style; }

protected:
    // Draws the window; dc is the paint context.
    virtual void Paint(win::HDC dc, bool erase, const win::RECT& rect);
    // The message table: true when the message was handled. Derived tables
    // look at their own messages first and then call the base's table.
    virtual bool Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result);

private:
    static win::LRESULT Procedure(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::DWORD style_;
    win::HWND hwnd_ = nullptr;
};

// A top-level window with caption, system menu and sizing border whose client
// window covers its whole client area. Destroying it ends the application.
class FrameWindow : public Window {
public:
    FrameWindow(const char* caption, std::unique_ptr<Window> client);
    ~FrameWindow() override;
    // Creates the frame and its client, the client as a child covering the frame.
    bool CreateFrame();
    void SetIcon(win::HICON icon);
    Window* Client() const { return client_.get(); }

protected:
    bool Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result) override;

private:
    void FitClient();
    const char* caption_;
    std::unique_ptr<Window> client_;
    win::HICON icon_ = nullptr;
};

class Application {
public:
    Application() = default;
    virtual ~Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Creates the main window, shows it and runs the message loop until the
    // quit request; returns the quit code.
    int Run();

protected:
    virtual void InitMainWindow() = 0;
    void SetMainWindow(std::unique_ptr<FrameWindow> frame) { main_ = std::move(frame); }
    void SetShowCommand(int cmdShow) { cmdShow_ = cmdShow; }

private:
    std::unique_ptr<FrameWindow> main_;
    int cmdShow_ = win::SW_SHOWNORMAL;
};

}  // namespace framework
