// SPDX-License-Identifier: GPL-3.0-or-later
// Window timers: periodic until killed, at least USER_TIMER_MINIMUM apart.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/win/win.h"

namespace platform {

struct Timer {
    win::HWND hwnd = nullptr;
    win::UINT_PTR id = 0;
    std::uint64_t interval = 0;
    std::uint64_t due = 0;
    win::TIMERPROC procedure = nullptr;
};

class TimerList {
public:
    // Starts or replaces the timer (hwnd, id); the first tick is due one interval from now.
    void Set(win::HWND hwnd, win::UINT_PTR id, win::UINT intervalMs, win::TIMERPROC procedure, std::uint64_t now);
    bool Kill(win::HWND hwnd, win::UINT_PTR id);
    bool Exists(win::HWND hwnd, win::UINT_PTR id) const;
    void KillAll(win::HWND hwnd);

    // The due timer that should tick first (earliest due, then oldest),
    // among those of hwnd (all when hwnd is null).
    std::optional<Timer> FirstDue(std::uint64_t now, win::HWND filter) const;
    // The timer ticked: its next tick is one interval from now.
    void Restart(win::HWND hwnd, win::UINT_PTR id, std::uint64_t now);
    // When the earliest timer is due, if there is one.
    std::optional<std::uint64_t> NextDue() const;

private:
    std::vector<Timer> timers_;  // oldest first
};

TimerList& TheTimers();

}  // namespace platform
