// SPDX-License-Identifier: GPL-3.0-or-later
// The one line a recording shows on a terminal while it is made: the virtual
// time recorded, the frames, the time elapsed and, when the end is known, an
// estimate of the time left.
#pragma once

#include <chrono>
#include <cstdint>

namespace record {

class ProgressLine {
public:
    ProgressLine();
    // `expectedMs` 0: the end is not known. Shown at most four times a
    // second; the last time always, ending the line.
    void Show(std::uint64_t ms, std::uint64_t frames, std::uint64_t expectedMs, bool last);

private:
    using Clock = std::chrono::steady_clock;
    bool terminal_;
    Clock::time_point started_ = Clock::now();
    Clock::time_point lastShown_;
};

}  // namespace record
