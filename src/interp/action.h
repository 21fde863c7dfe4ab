// SPDX-License-Identifier: GPL-3.0-or-later
// What the presentation does next, as scripts write it on DEFAULT, timeout and
// hotspot lines.
#pragma once

#include <cstdint>
#include <string>

enum class ActionKind : std::int32_t { None = 0, Exit = 1, Next = 2, Goto = 3, Dir = 4 };

struct Action {
    ActionKind kind = ActionKind::None;
    std::int32_t line = 0;  // kind Goto: the target line number
    std::string dir;        // kind Dir: the subdirectory, relative to the current one
};

// A period with an action: DEFAULT's seconds, or a still's timeout in milliseconds.
struct Timeout {
    std::int32_t period = 0;
    Action action;
};

enum class InterpState : std::int32_t { Running = 0, Movie = 1, Still = 2, Ended = 3 };
