// SPDX-License-Identifier: GPL-3.0-or-later
// Hooks between the layer's modules.
#pragma once

#include <cstdint>

#include "platform/core/backend.h"
#include "platform/win/win.h"

namespace platform {

// GetTickCount at the start of the run, as on a machine up for a minute.
inline constexpr win::DWORD TickCountAtStart = 0x00010000;

// queue.cpp
void DropMessagesFor(win::HWND hwnd);
// timers.cpp
void KillTimersOf(win::HWND hwnd);
// icons.cpp
const IconImage* FindIcon(win::HICON icon);
// backend.cpp: the run ends (exit status 3) when the clock reaches the limit.
void CheckTimeLimit(std::uint64_t now);
// Called by ExitProcess, in the order registered.
void AtExit(void (*finish)());
// process_start.cpp: whether child pid has ended (or is not there to wait
// for), without reaping it; block waits for the end.
bool ProcessEnded(int pid, bool block);

}  // namespace platform
