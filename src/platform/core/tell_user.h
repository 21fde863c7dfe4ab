// SPDX-License-Identifier: GPL-3.0-or-later
// What the person running the player must hear of: a bad setting, no display,
// an unreadable input script, a snapshot that cannot be written.
#pragma once

#include <string>

namespace platform {

// One line on standard error.
void TellUser(const std::string& line);

// Whether standard output is a terminal (where a progress line may go).
bool StandardOutputIsTerminal();

}  // namespace platform
