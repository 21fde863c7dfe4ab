// SPDX-License-Identifier: GPL-3.0-or-later
// The window test program: a frame window with a client window on the raw
// platform API. It traces every key, character, click and message its client
// receives and ends on the quit request with its code.
//   platform_window_probe [--caption TEXT] [--spin] [--caps] [--box CAPTION TEXT STYLE] [--run COMMAND]
// --spin peeks forever without waiting (the time limit ends it); --caps
// traces what the display reports about its palette and ends; --box shows a
// message box once the client has painted and traces its answer; --run starts
// a program once the client has painted, waits for its end and traces its
// exit status.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/host_services.h"
#include "platform/win/win.h"

namespace {

win::HWND client = nullptr;
constexpr win::UINT ShowBoxMessage = win::WM_USER + 1;
const char* boxCaption = nullptr;  // no box
const char* boxText = "";
win::UINT boxStyle = 0;
constexpr win::UINT RunMessage = win::WM_USER + 2;
const char* runCommand = nullptr;  // nothing to run

void Report(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    corvanta_host_trace(text);
    std::printf("%s\n", text);
    std::fflush(stdout);
}

win::LRESULT ClientProcedure(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    switch (msg) {
        case win::WM_KEYDOWN:
            Report("probe\tkey\t0x%02x\t0x%08x", static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
            if (wParam == win::VK_ESCAPE) win::PostMessageA(win::GetParent(hwnd), win::WM_CLOSE, 0, 0);
            return 0;
        case win::WM_CHAR: Report("probe\tchar\t0x%02x", static_cast<unsigned>(wParam)); return 0;
        case win::WM_LBUTTONDOWN:
            Report("probe\tclick\t%d\t%d\t%u", win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam),
                   static_cast<unsigned>(wParam));
            return 0;
        case win::WM_PAINT: {
            win::PAINTSTRUCT ps{};
            win::HDC dc = win::BeginPaint(hwnd, &ps);
            win::RECT area{};
            win::GetClientRect(hwnd, &area);
            win::HBRUSH red = win::CreateSolidBrush(win::RGB(255, 0, 0));
            win::HGDIOBJ previous = win::SelectObject(dc, red);
            win::Rectangle(dc, area.left + 10, area.top + 10, area.right - 10, area.bottom - 10);
            win::SelectObject(dc, previous);
            win::DeleteObject(red);
            win::EndPaint(hwnd, &ps);
            Report("probe\tpaint\t%d\t%d", static_cast<int>(area.right), static_cast<int>(area.bottom));
            if (boxCaption) win::PostMessageA(hwnd, ShowBoxMessage, 0, 0);
            if (runCommand) win::PostMessageA(hwnd, RunMessage, 0, 0);
            return 0;
        }
        case RunMessage: {
            std::string line = runCommand;
            runCommand = nullptr;
            win::PROCESS_INFORMATION started{};
            if (!win::CreateProcessA(nullptr, line.data(), nullptr, nullptr, win::FALSE, 0, nullptr, nullptr, nullptr,
                                     &started)) {
                Report("probe\tran\tnot started");
                return 0;
            }
            win::WaitForSingleObject(started.hProcess, win::INFINITE);
            win::DWORD code = 0;
            win::GetExitCodeProcess(started.hProcess, &code);
            win::CloseHandle(started.hThread);
            win::CloseHandle(started.hProcess);
            Report("probe\tran\t%u", static_cast<unsigned>(code));
            return 0;
        }
        case ShowBoxMessage: {
            const char* caption = boxCaption;
            boxCaption = nullptr;
            Report("probe\tbox\t%d", win::MessageBoxA(hwnd, boxText, caption, boxStyle));
            return 0;
        }
        default:
            if (msg >= win::WM_USER) {
                Report("probe\tmessage\t%u\t%u", msg, static_cast<unsigned>(wParam));
                return 0;
            }
            return win::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

win::LRESULT FrameProcedure(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    switch (msg) {
        case win::WM_SIZE:
            win::MoveWindow(client, 0, 0, win::LOWORD(static_cast<win::WPARAM>(lParam)),
                            win::HIWORD(static_cast<win::WPARAM>(lParam)), win::TRUE);
            return 0;
        case win::WM_SETFOCUS: win::SetFocus(client); return 0;
        case win::WM_DESTROY: win::PostQuitMessage(0); return 0;
        default: return win::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* caption = "Corvanta Probe";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--caption") == 0 && i + 1 < argc) caption = argv[++i];
        if (std::strcmp(argv[i], "--box") == 0 && i + 3 < argc) {
            boxCaption = argv[++i];
            boxText = argv[++i];
            boxStyle = static_cast<win::UINT>(std::strtoul(argv[++i], nullptr, 0));
        }
        if (std::strcmp(argv[i], "--run") == 0 && i + 1 < argc) runCommand = argv[++i];
        if (std::strcmp(argv[i], "--spin") == 0) {
            win::MSG msg{};
            while (true) win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE);
        }
        if (std::strcmp(argv[i], "--caps") == 0) {
            win::HDC screen = win::GetDC(nullptr);
            Report("probe\tcaps\t%u\t%d\t%d", win::GetSystemPaletteUse(screen),
                   win::GetDeviceCaps(screen, win::NUMCOLORS), win::GetDeviceCaps(screen, win::NUMRESERVED));
            win::ReleaseDC(nullptr, screen);
            win::ExitProcess(0);
        }
    }
    win::WNDCLASSA frameClass{0, FrameProcedure, nullptr, nullptr, "ProbeFrame"};
    win::WNDCLASSA clientClass{0, ClientProcedure, nullptr, nullptr, "ProbeClient"};
    win::RegisterClassA(&frameClass);
    win::RegisterClassA(&clientClass);
    win::HWND frame =
        win::CreateWindowExA(0, "ProbeFrame", caption, win::WS_OVERLAPPEDWINDOW, win::CW_USEDEFAULT, win::CW_USEDEFAULT,
                             win::CW_USEDEFAULT, win::CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    client =
        win::CreateWindowExA(0, "ProbeClient", nullptr, win::WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!frame || !client) {
        Report("probe\tno window");
        win::ExitProcess(2);
    }
    win::SetParent(client, frame);
    win::SetFocus(client);
    win::ShowWindow(frame, win::SW_SHOWMAXIMIZED);

    win::MSG msg{};
    while (win::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        win::TranslateMessage(&msg);
        win::DispatchMessageA(&msg);
    }
    Report("probe\tquit\t%d", static_cast<int>(msg.wParam));
    win::ExitProcess(static_cast<win::UINT>(msg.wParam));
}
