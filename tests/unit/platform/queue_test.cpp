// SPDX-License-Identifier: GPL-3.0-or-later
// The message queue: delivery order, the quit request, timers, input messages.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/core/events.h"
#include "platform/core/host_services.h"
#include "platform/core/pacing.h"
#include "platform/win/keys.h"
#include "platform/win/timers.h"
#include "platform/win/win.h"
#include "platform/win/windows.h"

namespace {

using namespace win;

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received;

LRESULT Recorder(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    received.push_back({hwnd, msg, wParam, lParam});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class Queue : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool registered = [] {
            WNDCLASSA wc{0, Recorder, nullptr, nullptr, "QueueTest"};
            return RegisterClassA(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        window_ = Make(nullptr, 0, 0, 200, 100);
        ShowWindow(window_, SW_SHOW);
        SetFocus(window_);
        Drain();
        received.clear();
    }
    void TearDown() override {
        DestroyWindow(window_);
        Drain();
    }

    static HWND Make(HWND parent, int x, int y, int width, int height) {
        return CreateWindowExA(0, "QueueTest", "", WS_POPUP, x, y, width, height, parent, nullptr, nullptr, nullptr);
    }
    // Takes whatever waits, paints included.
    static void Drain() {
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
            if (msg.message == WM_PAINT) ValidateByPainting(msg.hwnd);
    }
    static void ValidateByPainting(HWND hwnd) {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
    }
    // The next message that is not the idle WM_NULL.
    static bool Next(MSG* msg, UINT remove = PM_REMOVE) {
        while (PeekMessageA(msg, nullptr, 0, 0, remove))
            if (msg->message != WM_NULL)
                return true;
            else if (remove == PM_NOREMOVE)
                PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE);
        return false;
    }

    HWND window_ = nullptr;
};

TEST_F(Queue, DeliversPostedThenInputThenQuitThenPaintThenTimers) {
    SetTimer(window_, 9, 10, nullptr);
    Sleep(12);  // the timer is due
    InvalidateRect(window_, nullptr, FALSE);
    PostQuitMessage(7);
    platform::QueueKey(VK_SPACE, true, false);
    PostMessageA(window_, WM_USER + 1, 1, 2);

    const UINT expected[] = {WM_USER + 1, WM_KEYDOWN, WM_QUIT, WM_PAINT, WM_TIMER};
    for (UINT message : expected) {
        MSG msg{};
        ASSERT_TRUE(Next(&msg)) << "waiting for " << message;
        EXPECT_EQ(msg.message, message);
        if (message == WM_QUIT) {
            EXPECT_EQ(msg.wParam, 7u);
        }
        if (message == WM_PAINT) {
            // Paint stays until the window is validated.
            MSG again{};
            ASSERT_TRUE(Next(&again));
            EXPECT_EQ(again.message, WM_PAINT);
            ValidateByPainting(window_);
        }
        if (message == WM_TIMER) {
            EXPECT_EQ(msg.wParam, 9u);
        }
    }
    KillTimer(window_, 9);
}

// A close request from the window system waits its turn behind the input
// that came before it (a RUN delivers all of it at once afterwards).
TEST_F(Queue, ACloseRequestTakesItsTurnAmongTheInput) {
    HWND frame =
        CreateWindowExA(0, "QueueTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(platform::MainFrame(), frame);
    platform::QueueKey(VK_SPACE, true, false);
    platform::RequestClose();
    platform::QueueKey(VK_RETURN, true, false);
    std::vector<std::pair<HWND, UINT>> order;
    MSG msg{};
    while (Next(&msg)) {
        if (msg.message == WM_PAINT)
            ValidateByPainting(msg.hwnd);
        else
            order.emplace_back(msg.hwnd, msg.message);
    }
    EXPECT_EQ(order,
              (std::vector<std::pair<HWND, UINT>>{{window_, WM_KEYDOWN}, {frame, WM_CLOSE}, {window_, WM_KEYDOWN}}));
    DestroyWindow(frame);
    Drain();
}

TEST_F(Queue, TheQuitRequestStaysUntilTakenAndLetsLaterMessagesPass) {
    PostQuitMessage(3);
    MSG msg{};
    ASSERT_TRUE(Next(&msg, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    ASSERT_TRUE(Next(&msg, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT) << "looking does not take it";

    PostMessageA(window_, WM_USER + 2, 0, 0);
    ASSERT_TRUE(Next(&msg));
    EXPECT_EQ(msg.message, WM_USER + 2u) << "posted messages come first";

    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    PostMessageA(window_, WM_USER + 3, 0, 0);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE) << "taken once, the request is gone";
    EXPECT_EQ(msg.message, WM_USER + 3u);
}

TEST_F(Queue, FiltersByWindowAndMessageRange) {
    HWND other = Make(nullptr, 0, 0, 10, 10);
    PostMessageA(other, WM_USER + 5, 0, 0);
    PostMessageA(window_, WM_USER + 6, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, window_, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 6u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 6, WM_USER + 9, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, other);
    DestroyWindow(other);
}

TEST_F(Queue, TimersTickEveryIntervalUntilKilled) {
    struct Case {
        UINT requested, expected;
    } cases[] = {{30, 30}, {1, 10}, {10, 10}};
    for (const auto& c : cases) {
        SetTimer(window_, 4, c.requested, nullptr);
        std::vector<DWORD> ticks;
        MSG msg{};
        while (ticks.size() < 3)
            if (PeekMessageA(&msg, window_, WM_TIMER, WM_TIMER, PM_REMOVE)) ticks.push_back(msg.time);
        EXPECT_EQ(ticks[1] - ticks[0], c.expected) << c.requested;
        EXPECT_EQ(ticks[2] - ticks[1], c.expected) << c.requested;
        EXPECT_TRUE(KillTimer(window_, 4));
        EXPECT_FALSE(KillTimer(window_, 4));
        DWORD until = GetTickCount() + 100;
        while (GetTickCount() < until) EXPECT_FALSE(PeekMessageA(&msg, window_, WM_TIMER, WM_TIMER, PM_REMOVE));
    }
}

TEST(TimerList, ReplacingRestartsWithTheNewInterval) {
    platform::TimerList timers;
    HWND hwnd = reinterpret_cast<HWND>(0x10);
    timers.Set(hwnd, 1, 50, nullptr, 0);
    timers.Set(hwnd, 2, 20, nullptr, 0);
    EXPECT_EQ(timers.NextDue(), 20u);
    timers.Set(hwnd, 1, 5, nullptr, 100);  // replaces, below the minimum
    EXPECT_FALSE(timers.FirstDue(109, nullptr) && timers.FirstDue(109, nullptr)->id == 1);
    auto due = timers.FirstDue(110, nullptr);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->id, 2u) << "the timer due first ticks first";
    timers.Restart(hwnd, 2, 110);
    due = timers.FirstDue(110, nullptr);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->id, 1u);
    EXPECT_EQ(due->interval, 10u);
    timers.KillAll(hwnd);
    EXPECT_FALSE(timers.NextDue());
}

TEST_F(Queue, TimerProceduresRunFromDispatch) {
    static int calls = 0;
    calls = 0;
    SetTimer(window_, 6, 10, [](HWND, UINT message, UINT_PTR id, DWORD) { calls += message == WM_TIMER && id == 6; });
    MSG msg{};
    while (!PeekMessageA(&msg, window_, WM_TIMER, WM_TIMER, PM_REMOVE)) {}
    DispatchMessageA(&msg);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(received.empty()) << "the window procedure is not called";
    KillTimer(window_, 6);
}

TEST_F(Queue, KeysCarryWhatAWindowsProgramUnpacks) {
    // In order: the modifiers held carry over to the rows below.
    struct Case {
        UINT vk;
        bool down, repeat;
        UINT message;
        DWORD lParam;
    } cases[] = {
        {VK_ESCAPE, true, false, WM_KEYDOWN, 0x00010001},
        {VK_ESCAPE, true, true, WM_KEYDOWN, 0x40010001},
        {VK_ESCAPE, false, false, WM_KEYUP, 0xC0010001},
        {'A', true, false, WM_KEYDOWN, 0x001E0001},
        {VK_LEFT, true, false, WM_KEYDOWN, 0x014B0001},
        {VK_F1 + 11, true, false, WM_KEYDOWN, 0x00580001},
        // Alt, keys pressed with it and F10 are system keys ...
        {platform::VK_MENU, true, false, WM_SYSKEYDOWN, 0x20380001},
        {'A', true, false, WM_SYSKEYDOWN, 0x201E0001},
        {platform::VK_MENU, false, false, WM_SYSKEYUP, 0xC0380001},
        {platform::VK_F10, true, false, WM_SYSKEYDOWN, 0x00440001},
        // ... but not with Control held as well (AltGr).
        {platform::VK_CONTROL, true, false, WM_KEYDOWN, 0x001D0001},
        {platform::VK_MENU, true, false, WM_KEYDOWN, 0x20380001},
        {'Q', true, false, WM_KEYDOWN, 0x20100001},
        {platform::VK_MENU, false, false, WM_KEYUP, 0xC0380001},
        {platform::VK_CONTROL, false, false, WM_KEYUP, 0xC01D0001},
    };
    for (const auto& c : cases) {
        platform::QueueKey(c.vk, c.down, c.repeat);
        MSG msg{};
        ASSERT_TRUE(Next(&msg));
        EXPECT_EQ(msg.message, c.message) << std::hex << c.vk;
        EXPECT_EQ(msg.hwnd, window_) << "keys go to the focus window";
        EXPECT_EQ(msg.wParam, c.vk);
        EXPECT_EQ(static_cast<DWORD>(msg.lParam), c.lParam) << std::hex << c.vk;
    }
}

TEST_F(Queue, TranslateMakesCharactersOfCharacterKeys) {
    struct Case {
        UINT vk;
        bool shift;
        int character;  // 0: none
    } cases[] = {{'Q', false, 'q'},        {'Q', true, 'Q'},  {'7', false, '7'},  {VK_RETURN, false, '\r'},
                 {VK_ESCAPE, false, 0x1B}, {VK_F1, false, 0}, {VK_LEFT, false, 0}};
    for (const auto& c : cases) {
        if (c.shift) platform::QueueKey(platform::VK_SHIFT, true, false);
        platform::QueueKey(c.vk, true, false);
        platform::QueueKey(c.vk, false, false);
        if (c.shift) platform::QueueKey(platform::VK_SHIFT, false, false);
        std::vector<int> characters;
        MSG msg{};
        while (Next(&msg)) {
            TranslateMessage(&msg);
            if (msg.message == WM_CHAR) characters.push_back(static_cast<int>(msg.wParam));
        }
        EXPECT_EQ(characters, c.character ? std::vector<int>{c.character} : std::vector<int>{}) << c.vk;
    }
}

TEST_F(Queue, ClicksGoToTheWindowUnderThePoint) {
    HWND child = Make(window_, 100, 50, 50, 30);
    struct Case {
        int x, y;
        HWND target;
        int clientX, clientY;
    } cases[] = {{110, 70, child, 10, 20}, {5, 6, window_, 5, 6}, {199, 99, window_, 199, 99}};
    for (const auto& c : cases) {
        platform::QueueLeftButton(c.x, c.y, true);
        platform::QueueLeftButton(c.x, c.y, false);
        MSG down{}, up{};
        ASSERT_TRUE(Next(&down));
        ASSERT_TRUE(Next(&up));
        EXPECT_EQ(down.message, WM_LBUTTONDOWN);
        EXPECT_EQ(down.wParam, MK_LBUTTON);
        EXPECT_EQ(down.hwnd, c.target);
        EXPECT_EQ(GET_X_LPARAM(down.lParam), c.clientX);
        EXPECT_EQ(GET_Y_LPARAM(down.lParam), c.clientY);
        EXPECT_EQ(up.message, WM_LBUTTONUP);
        EXPECT_EQ(up.wParam, 0u);
    }
    DestroyWindow(child);
}

TEST(Lparam, SignedCoordinatesSurviveThePacking) {
    const int points[][2] = {{0, 0}, {-1, -2}, {32767, -32768}, {640, 480}};
    for (const auto& p : points) {
        LPARAM packed = MAKELPARAM(p[0], p[1]);
        EXPECT_EQ(GET_X_LPARAM(packed), p[0]);
        EXPECT_EQ(GET_Y_LPARAM(packed), p[1]);
    }
}

// The sound service's turn: a WM_NULL every 20 ms while its work runs, none
// once it stops, so that a wait jumps straight to what comes next.
TEST_F(Queue, IdleWorkGetsANullMessageEvery20MsOnlyWhileItRuns) {
    bool running = true;
    platform::SetIdleWork({nullptr, [&] { return running; }});
    std::vector<DWORD> times;
    MSG msg{};
    while (times.size() < 2 && GetMessageA(&msg, nullptr, 0, 0)) {
        ASSERT_EQ(msg.message, WM_NULL);
        EXPECT_EQ(msg.hwnd, window_) << "sent to the focus window";
        times.push_back(msg.time);
    }
    ASSERT_EQ(times.size(), 2u);
    EXPECT_EQ(times[1] - times[0], 20u);

    running = false;
    SetTimer(window_, 3, 500, nullptr);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.time - times[1], 500u);
    KillTimer(window_, 3);
    platform::SetIdleWork({});
}

// Virtual time passes only where the program says it waits, and then jumps.
TEST_F(Queue, OnlyDeclaredWaitsTakeVirtualTime) {
    MSG msg{};
    Sleep(1);  // the peeks of the set-up are behind a wait
    const DWORD start = GetTickCount();
    EXPECT_EQ(GetTickCount(), start) << "reading the clock costs nothing";
    // Peeks between steps of work take no time ...
    for (int line = 0; line < 1000; ++line) ASSERT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetTickCount(), start);
    // ... until they never stop: then each costs a millisecond.
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(GetTickCount(), start + 1);

    struct Step {
        std::function<void()> wait;
        DWORD elapsed;
    } steps[] = {
        {[] { Sleep(67); }, 67},
        {[] { EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), WAIT_TIMEOUT); }, 40},
        {[&] {
             SetTimer(window_, 4, 250, nullptr);
             WaitMessage();
             KillTimer(window_, 4);
         },
         250},
        {[&] {
             PostMessageA(window_, WM_USER, 0, 0);
             EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), WAIT_OBJECT_0);
             Drain();
         },
         0},
    };
    for (const auto& step : steps) {
        const DWORD before = GetTickCount();
        step.wait();
        EXPECT_EQ(GetTickCount() - before, step.elapsed);
    }
}

TEST_F(Queue, DestroyTellsTheWindowThenItsChildrenAndDropsTheirMessages) {
    HWND parent = Make(nullptr, 0, 0, 10, 10);
    HWND child = Make(parent, 0, 0, 5, 5);
    PostMessageA(child, WM_USER + 7, 0, 0);
    received.clear();
    EXPECT_TRUE(DestroyWindow(parent));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].hwnd, parent);
    EXPECT_EQ(received[0].message, WM_DESTROY);
    EXPECT_EQ(received[1].hwnd, child);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(PostMessageA(child, WM_USER, 0, 0));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE));
    EXPECT_EQ(SendMessageA(child, WM_USER, 0, 0), 0);
}

TEST_F(Queue, MoveSendsTheNewSizeAndAsksForPaint) {
    HWND child = Make(window_, 0, 0, 5, 5);
    Drain();
    received.clear();
    EXPECT_TRUE(MoveWindow(child, 10, 20, 30, 40, TRUE));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, WM_SIZE);
    EXPECT_EQ(received[0].lParam, MAKELPARAM(30, 40));
    RECT rect{};
    GetClientRect(child, &rect);
    EXPECT_EQ(rect.right, 30);
    EXPECT_EQ(rect.bottom, 40);
    MSG msg{};
    ASSERT_TRUE(Next(&msg));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_EQ(msg.hwnd, child);
    DispatchMessageA(&msg);  // the default handling validates
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    DestroyWindow(child);
}

TEST(Clock, TheHostClockIsTheTickCountFromItsStart) {
    const DWORD ticks = GetTickCount();
    EXPECT_EQ(corvanta_host_now_ms() + 0x00010000u, ticks);
    EXPECT_EQ(corvanta_host_headless(), 1);
}

}  // namespace
