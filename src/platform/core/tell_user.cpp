// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/tell_user.h"

#include <unistd.h>

#include <cstdio>

namespace platform {

void TellUser(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

}  // namespace platform
