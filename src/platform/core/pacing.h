// SPDX-License-Identifier: GPL-3.0-or-later
// When the program waits. The player says so (GetMessage, WaitMessage, a
// movie's frame slot, a fade step) and this turns it into the backend's one
// wait-until call; nothing spins on the clock.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// What the program does between messages when a message turns it over (the
// sound service). due: it has something to do now; running: something is
// under way that a headless run turns over at every idle step, as a device
// period would.
struct IdleWork {
    std::function<bool()> due;
    std::function<bool()> running;
};
void SetIdleWork(IdleWork work);

// From any thread: idle work has become due (a sound ended); a program that
// waits wakes up to do it.
void WakeForIdleWork();

// queue.cpp asks these: whether an empty queue gets an idle message now, and
// when the next one would be due.
bool IdleMessageWanted(std::uint64_t now, std::uint64_t lastDelivery);
std::optional<std::uint64_t> NextIdleMessage(std::uint64_t lastDelivery);

// Waits until `due` (the backend's milliseconds; none: for ever) or, with
// forInput, until input arrives first.
void WaitUntil(std::optional<std::uint64_t> due, bool forInput);

}  // namespace platform
