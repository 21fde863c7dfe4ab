// The small windowing framework the player's classes derive from: an
// application with a message loop, a frame window with a client window, and a
// window base class whose message table derived classes extend.
#pragma once

#include "platform/win.h"

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
    FrameWindow(const char* caption, Window* client);
    ~FrameWindow() override;
    bool CreateFrame();
    void SetIcon(win::HICON icon);
    Window* Client() const { return client_; }

protected:
    bool Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result) override;

private:
    void FitClient();
    const char* caption_;
    Window* client_;  // owned
};

class Application {
public:
    Application() = default;
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Creates the main window, shows it and runs the message loop until the
    // quit request; returns the quit code.
    int Run();

protected:
    virtual void InitMainWindow() = 0;
    void SetMainWindow(FrameWindow* frame) { main_ = frame; }
    void SetShowCommand(int cmdShow) { cmdShow_ = cmdShow; }

private:
    FrameWindow* main_ = nullptr;  // owned
    int cmdShow_ = win::SW_SHOWNORMAL;
};

}  // namespace framework
