// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win/timers.h"

#include <algorithm>

#include "platform/core/backend.h"
#include "platform/core/session.h"
#include "platform/win/internal.h"
#include "platform/win/windows.h"

namespace platform {

void TimerList::Set(win::HWND hwnd, win::UINT_PTR id, win::UINT intervalMs, win::TIMERPROC procedure,
                    std::uint64_t now) {
    std::uint64_t interval = std::max(intervalMs, win::USER_TIMER_MINIMUM);
    for (Timer& timer : timers_) {
        if (timer.hwnd == hwnd && timer.id == id) {
            timer.interval = interval;
            timer.due = now + interval;
            timer.procedure = procedure;
            return;
        }
    }
    timers_.push_back({hwnd, id, interval, now + interval, procedure});
}

bool TimerList::Kill(win::HWND hwnd, win::UINT_PTR id) {
    auto found = std::find_if(timers_.begin(), timers_.end(),
                              [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
    if (found == timers_.end()) return false;
    timers_.erase(found);
    return true;
}

bool TimerList::Exists(win::HWND hwnd, win::UINT_PTR id) const {
    return std::any_of(timers_.begin(), timers_.end(),
                       [&](const Timer& timer) { return timer.hwnd == hwnd && timer.id == id; });
}

void TimerList::KillAll(win::HWND hwnd) {
    std::erase_if(timers_, [&](const Timer& timer) { return timer.hwnd == hwnd; });
}

std::optional<Timer> TimerList::FirstDue(std::uint64_t now, win::HWND filter) const {
    const Timer* first = nullptr;
    for (const Timer& timer : timers_) {
        if (timer.due > now || (filter && timer.hwnd != filter)) continue;
        if (!first || timer.due < first->due) first = &timer;
    }
    return first ? std::optional<Timer>(*first) : std::nullopt;
}

void TimerList::Restart(win::HWND hwnd, win::UINT_PTR id, std::uint64_t now) {
    for (Timer& timer : timers_)
        if (timer.hwnd == hwnd && timer.id == id) timer.due = now + timer.interval;
}

std::optional<std::uint64_t> TimerList::NextDue() const {
    std::optional<std::uint64_t> next;
    for (const Timer& timer : timers_)
        if (!next || timer.due < *next) next = timer.due;
    return next;
}

namespace {

struct TimerState {
    TimerList timers;
    win::UINT_PTR lastThreadTimer = 0x7FF0;
};

TimerState& State() { return CurrentSession().Part<TimerState>(); }

}  // namespace

TimerList& TheTimers() { return State().timers; }

void KillTimersOf(win::HWND hwnd) { TheTimers().KillAll(hwnd); }

}  // namespace platform

namespace win {

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    if (hwnd && !platform::FindWindowData(hwnd)) return 0;
    if (!hwnd && !platform::TheTimers().Exists(nullptr, id)) {
        // A new timer without a window gets a number of its own.
        id = ++platform::State().lastThreadTimer;
    }
    platform::TheTimers().Set(hwnd, id, elapseMs, proc, platform::TheBackend().Now());
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) { return platform::TheTimers().Kill(hwnd, id) ? TRUE : FALSE; }

}  // namespace win
