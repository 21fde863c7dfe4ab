// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/progress.h"

#include <cstdio>

#include "platform/core/tell_user.h"

namespace record {

ProgressLine::ProgressLine() : terminal_(platform::StandardOutputIsTerminal()) {}

void ProgressLine::Show(std::uint64_t ms, std::uint64_t frames, std::uint64_t expectedMs, bool last) {
    if (!terminal_) return;
    const Clock::time_point now = Clock::now();
    if (!last && now - lastShown_ < std::chrono::milliseconds(250)) return;
    lastShown_ = now;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    char line[160];
    int length = std::snprintf(line, sizeof line, "\rrecorded %.1f s, %llu frames, %.1f s elapsed",
                               static_cast<double>(ms) / 1000, static_cast<unsigned long long>(frames), elapsed);
    if (!last && ms > 0 && expectedMs > ms && length > 0)
        std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), ", about %.0f s left",
                      elapsed * static_cast<double>(expectedMs - ms) / static_cast<double>(ms));
    std::fputs(line, stdout);
    std::fputs(last ? "\n" : "\033[K", stdout);
    std::fflush(stdout);
}

}  // namespace record
