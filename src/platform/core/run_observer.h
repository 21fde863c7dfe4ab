// SPDX-License-Identifier: GPL-3.0-or-later
// Lets a tool outside the player watch a headless run: every present with its
// virtual time, and the run's end once everything else has finished (the
// audio library's render included).
#pragma once

#include <cstdint>

namespace platform {

class Screen;

class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void Presented(const Screen& screen, std::uint64_t ms) = 0;
    // Returns the exit status the process ends with.
    virtual int Ended(int exitCode, std::uint64_t ms) = 0;
};

// One observer at most; null stops observing. Not owned.
void ObserveRun(RunObserver* observer);
RunObserver* TheRunObserver();

}  // namespace platform
