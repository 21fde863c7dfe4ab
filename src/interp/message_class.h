// SPDX-License-Identifier: GPL-3.0-or-later
// The fatal-error reporter of the player's parts.
#pragma once

#include "platform/core/fatal_error.h"

// The player's own fatal errors.
inline constexpr FatalNotice PlayerFatalNotice{"Fatal Error", win::MB_OK | win::MB_ICONEXCLAMATION, true, 1};

class MessageClass {
public:
    void FatalError(const char* text, win::HWND owner = nullptr) { ReportFatalError(text, owner, PlayerFatalNotice); }
};
