// SPDX-License-Identifier: GPL-3.0-or-later
// The headless input script: one timed event per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/settings.h"
#include "platform/win/win.h"

namespace platform {

struct ScriptEvent {
    enum class Kind { Key, Click, Message, Snapshot, Resize, Close };
    std::uint64_t time = 0;  // ms since start
    Kind kind = Kind::Close;
    win::UINT key = 0;      // Key
    int x = 0, y = 0;       // Click
    win::UINT message = 0;  // Message
    win::WPARAM wParam = 0;
    std::string file;  // Snapshot
    Size size;         // Resize
};

struct InputScript {
    std::vector<ScriptEvent> events;  // in file order
    std::vector<std::string> errors;  // one per skipped line
};

InputScript ParseInputScript(std::string_view text);

}  // namespace platform
