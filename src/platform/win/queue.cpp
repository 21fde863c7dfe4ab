// SPDX-License-Identifier: GPL-3.0-or-later
// The thread's message queue. Delivery order as on Windows: posted messages,
// input, the quit request, paint, timers; a WM_NULL gives idle work its turn.
#include <deque>
#include <optional>
#include <set>

#include "platform/core/backend.h"
#include "platform/core/events.h"
#include "platform/core/pacing.h"
#include "platform/core/session.h"
#include "platform/win/internal.h"
#include "platform/win/keys.h"
#include "platform/win/timers.h"
#include "platform/win/windows.h"

namespace platform {
namespace {

using win::HWND;
using win::MSG;
using win::UINT;

struct InputEvent {
    UINT message = 0;
    win::WPARAM wParam = 0;
    win::LPARAM lParam = 0;  // keys only
    bool mouse = false;
    win::POINT point{};    // screen point of a mouse event
    bool toFrame = false;  // a close request for the main frame
};

struct QueueState {
    std::deque<MSG> posted;
    std::deque<InputEvent> input;
    bool quitPending = false;
    int quitCode = 0;
    std::uint64_t lastDelivery = 0;
    win::POINT cursor{};
    std::set<UINT> keysDown;
    // Modifiers as the input arrived, for telling system keys apart.
    bool altDown = false;
    bool controlDown = false;
};

QueueState& State() { return CurrentSession().Part<QueueState>(); }

struct Filter {
    HWND hwnd;
    UINT first, last;
    bool Accepts(HWND target, UINT message) const {
        if (hwnd && target != hwnd) return false;
        return (first == 0 && last == 0) || (message >= first && message <= last);
    }
};

MSG MakeMessage(HWND hwnd, UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    return {hwnd,          message, wParam, lParam, static_cast<win::DWORD>(TickCountAtStart + TheBackend().Now()),
            State().cursor};
}

// Where an input event goes now; null when no window can take it.
HWND InputTarget(const InputEvent& event, win::LPARAM* lParam) {
    if (event.toFrame) {
        *lParam = 0;
        return MainFrame();
    }
    if (!event.mouse) {
        *lParam = event.lParam;
        return KeyTarget();
    }
    win::POINT client{};
    HWND hwnd = WindowAt(event.point, &client);
    *lParam = win::MAKELPARAM(client.x, client.y);
    return hwnd;
}

bool TakePosted(const Filter& filter, bool remove, MSG* out) {
    auto& posted = State().posted;
    for (auto it = posted.begin(); it != posted.end(); ++it) {
        if (!filter.Accepts(it->hwnd, it->message)) continue;
        *out = *it;
        if (remove) posted.erase(it);
        return true;
    }
    return false;
}

bool TakeInput(const Filter& filter, bool remove, MSG* out) {
    auto& state = State();
    for (auto it = state.input.begin(); it != state.input.end();) {
        win::LPARAM lParam = 0;
        HWND target = InputTarget(*it, &lParam);
        if (!target) {
            it = state.input.erase(it);  // nobody to take it
            continue;
        }
        if (!filter.Accepts(target, it->message)) {
            ++it;
            continue;
        }
        *out = MakeMessage(target, it->message, it->wParam, lParam);
        if (it->mouse) out->pt = it->point;
        if (remove) {
            if (it->mouse) state.cursor = it->point;
            if (it->message == win::WM_KEYDOWN || it->message == win::WM_SYSKEYDOWN)
                state.keysDown.insert(static_cast<UINT>(it->wParam));
            if (it->message == win::WM_KEYUP || it->message == win::WM_SYSKEYUP)
                state.keysDown.erase(static_cast<UINT>(it->wParam));
            state.input.erase(it);
        }
        return true;
    }
    return false;
}

bool TakeTimer(const Filter& filter, bool remove, MSG* out) {
    auto& timers = TheTimers();
    std::uint64_t now = TheBackend().Now();
    auto timer = timers.FirstDue(now, filter.hwnd);
    if (!timer || !filter.Accepts(timer->hwnd, win::WM_TIMER)) return false;
    *out = MakeMessage(timer->hwnd, win::WM_TIMER, timer->id, reinterpret_cast<win::LPARAM>(timer->procedure));
    if (remove) timers.Restart(timer->hwnd, timer->id, now);
    return true;
}

bool Retrieve(const Filter& filter, bool remove, MSG* out) {
    auto& state = State();
    if (TakePosted(filter, remove, out) || TakeInput(filter, remove, out)) return true;
    if (state.quitPending) {
        *out = MakeMessage(nullptr, win::WM_QUIT, static_cast<win::WPARAM>(state.quitCode), 0);
        if (remove) state.quitPending = false;
        return true;
    }
    if (HWND hwnd = WindowToPaint(filter.hwnd); hwnd && filter.Accepts(hwnd, win::WM_PAINT)) {
        *out = MakeMessage(hwnd, win::WM_PAINT, 0, 0);  // stays until the window is validated
        return true;
    }
    return TakeTimer(filter, remove, out);
}

bool IdleMessageWaits(HWND target) {
    for (const MSG& msg : State().posted)
        if (msg.message == win::WM_NULL && msg.hwnd == target) return true;
    return false;
}

// How long a peek that finds nothing waits: not at all, until a message
// arrives, or until a message arrives or the deadline passes.
struct Wait {
    bool waits = false;
    std::optional<std::uint64_t> deadline;
};

win::BOOL Peek(MSG* msg, HWND hwnd, UINT first, UINT last, bool remove, Wait wait) {
    if (!msg) return win::FALSE;
    auto& state = State();
    auto& backend = TheBackend();
    Filter filter{hwnd, first, last};
    backend.PollInput();
    bool found = Retrieve(filter, remove, msg);
    if (!found && IdleMessageWanted(backend.Now(), state.lastDelivery)) {
        HWND target = KeyTarget();
        if (!IdleMessageWaits(target)) state.posted.push_back(MakeMessage(target, win::WM_NULL, 0, 0));
        found = Retrieve(filter, remove, msg);
    }
    if (!found) {
        if (wait.waits) {
            std::optional<std::uint64_t> due = wait.deadline;
            for (auto next : {TheTimers().NextDue(), NextIdleMessage(state.lastDelivery)})
                if (next && (!due || *next < *due)) due = next;
            WaitUntil(due, true);
        }
        return win::FALSE;
    }
    state.lastDelivery = backend.Now();
    return win::TRUE;
}

}  // namespace

void DropMessagesFor(HWND hwnd) {
    std::erase_if(State().posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
}

void QueueKey(UINT vk, bool down, bool repeat) {
    auto& state = State();
    if (vk == VK_MENU) state.altDown = down;
    if (vk == VK_CONTROL) state.controlDown = down;
    // As on Windows: Alt itself, F10 and keys pressed with Alt are system
    // keys, unless Control is held too (AltGr characters).
    const bool altHeld = state.altDown;
    const bool system = !state.controlDown && (altHeld || vk == VK_MENU || vk == VK_F10);
    const UINT message =
        system ? (down ? win::WM_SYSKEYDOWN : win::WM_SYSKEYUP) : (down ? win::WM_KEYDOWN : win::WM_KEYUP);
    state.input.push_back({message, vk, KeyLParam(vk, down, repeat, altHeld), false, {}});
}

void QueueLeftButton(int x, int y, bool down) {
    State().input.push_back(
        {down ? win::WM_LBUTTONDOWN : win::WM_LBUTTONUP, down ? win::MK_LBUTTON : 0, 0, true, {x, y}});
}

// As the close button's click on Windows, the request takes its turn among
// the input, so keys given before it are handled first.
void RequestClose() {
    if (MainFrame()) State().input.push_back({win::WM_CLOSE, 0, 0, false, {}, true});
}

void PostToPresentation(UINT message, win::WPARAM wParam) {
    HWND target = PresentationWindow();
    if (!target) target = KeyTarget();
    if (target) win::PostMessageA(target, message, wParam, 0);
}

}  // namespace platform

namespace win {

using platform::State;

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !platform::FindWindowData(hwnd)) return FALSE;
    State().posted.push_back(platform::MakeMessage(hwnd, msg, wParam, lParam));
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const platform::WindowData* window = platform::FindWindowData(hwnd);
    if (!window) return 0;
    WNDPROC procedure = window->procedure;  // the window may be gone when it returns
    return procedure(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    State().quitPending = true;
    State().quitCode = exitCode;
}

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    return platform::Peek(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0, {});
}

BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) return -1;
    while (!platform::Peek(msg, hwnd, filterMin, filterMax, true, {true, std::nullopt})) {}
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage() {
    MSG msg;
    platform::Peek(&msg, nullptr, 0, 0, false, {true, std::nullopt});
    return TRUE;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
    if (count != 0) return WAIT_FAILED;
    MSG msg;
    auto& backend = platform::TheBackend();
    std::optional<std::uint64_t> deadline;
    if (milliseconds != INFINITE) deadline = backend.Now() + milliseconds;
    if (platform::Peek(&msg, nullptr, 0, 0, false, {true, deadline})) return WAIT_OBJECT_0;
    return deadline && backend.Now() >= *deadline ? WAIT_TIMEOUT : WAIT_OBJECT_0;
}

void Sleep(DWORD milliseconds) {
    auto& backend = platform::TheBackend();
    platform::WaitUntil(backend.Now() + milliseconds, false);
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP)) return FALSE;
    if (msg->message == WM_KEYDOWN) {
        bool shift = State().keysDown.count(platform::VK_SHIFT) != 0;
        if (char c = platform::KeyCharacter(static_cast<UINT>(msg->wParam), shift)) {
            // Taken before anything else that waits, as Windows does.
            State().posted.push_front(
                platform::MakeMessage(msg->hwnd, WM_CHAR, static_cast<unsigned char>(c), msg->lParam));
        }
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto procedure = reinterpret_cast<TIMERPROC>(msg->lParam);
        procedure(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

}  // namespace win
