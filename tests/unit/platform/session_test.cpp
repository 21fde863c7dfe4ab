// SPDX-License-Identifier: GPL-3.0-or-later
// Fresh sessions: each reads the settings again and starts with nothing of
// the session before it, which is current again afterwards.
#include <gtest/gtest.h>

#include "platform/core/trace.h"
#include "platform/win/win.h"
#include "support/fresh_session.h"
#include "test_environment.h"

namespace {

using namespace win;

LRESULT Plain(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcA(hwnd, msg, wParam, lParam); }

HWND MakeFrame() {
    WNDCLASSA frameClass{0, Plain, nullptr, nullptr, "SessionFrame"};
    RegisterClassA(&frameClass);
    return CreateWindowExA(0, "SessionFrame", "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

TEST(Session, TheScreenAndPaletteSettingsShape) {
    struct Case {
        std::map<std::string, const char*> settings;
        UINT paletteUse;
        int colours, reserved;
        LONG width, height;  // a maximized frame's client area
    } cases[] = {
        {{}, SYSPAL_STATIC, 20, 20, 640, 480},
        {{{"CORVANTA_PALETTE", "nostatic"}}, SYSPAL_NOSTATIC, 20, 2, 640, 480},
        {{{"CORVANTA_PALETTE", "error"}}, SYSPAL_ERROR, 20, 20, 640, 480},
        {{{"CORVANTA_SCREEN", "320x240"}}, SYSPAL_STATIC, 20, 20, 320, 240},
        {{{"CORVANTA_CLIENT", "800x600"}}, SYSPAL_STATIC, 20, 20, 800, 600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " use " << c.paletteUse);
        test::SessionWith session(c.settings);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetSystemPaletteUse(screen), c.paletteUse);
        EXPECT_EQ(GetDeviceCaps(screen, NUMCOLORS), c.colours);
        EXPECT_EQ(GetDeviceCaps(screen, NUMRESERVED), c.reserved);
        ReleaseDC(nullptr, screen);
        HWND frame = MakeFrame();
        ASSERT_NE(frame, nullptr);
        ShowWindow(frame, SW_SHOWMAXIMIZED);
        RECT client{};
        GetClientRect(frame, &client);
        EXPECT_EQ(client.right, c.width);
        EXPECT_EQ(client.bottom, c.height);
    }
}

TEST(Session, AFreshSessionStartsEmptyAndTheOldOneComesBack) {
    HWND frame = MakeFrame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(SetTimer(frame, 7, 100, nullptr), 7u);
    ASSERT_TRUE(PostMessageA(frame, WM_USER, 1, 2));
    LOGPALETTE logical{0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE palette = CreatePalette(&logical);
    WORD entries = 0;
    ASSERT_EQ(GetObjectA(palette, sizeof entries, &entries), static_cast<int>(sizeof entries));
    const auto trace = test::TempRoot() / "fresh-trace.txt";
    {
        test::SessionWith session(std::map<std::string, const char*>{{"CORVANTA_TRACE", trace.c_str()}});
        EXPECT_FALSE(IsWindow(frame));
        EXPECT_FALSE(KillTimer(frame, 7));
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
        EXPECT_EQ(GetObjectA(palette, sizeof entries, &entries), 0);
        // A clock and a trace of its own, from the start.
        platform::WriteTrace("fresh");
        EXPECT_EQ(test::TraceLines(trace), (std::vector<std::string>{"0\tfresh"}));
    }
    EXPECT_TRUE(IsWindow(frame));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, frame);
    EXPECT_EQ(msg.lParam, 2);
    EXPECT_TRUE(KillTimer(frame, 7));
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_TRUE(DestroyWindow(frame));
}

}  // namespace
