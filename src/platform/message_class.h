// SPDX-License-Identifier: GPL-3.0-or-later
// The one way a fatal error is told: a box, maybe a beep, and the quit request.
#pragma once

#include "platform/win.h"

// How a fatal error is told.
struct FatalNotice {
    const char* caption;
    win::UINT boxStyle;
    bool beep;
    int exitCode;
};

// The player's own fatal errors.
inline constexpr FatalNotice PlayerFatalNotice{"Fatal Error", win::MB_OK | win::MB_ICONEXCLAMATION, true, 1};

// Shows `text` in a box (owned by `owner` when one is given), beeps when the
// notice says so, and requests the quit with the notice's exit code. The
// caller returns; the program ends at the next message loop.
void ReportFatalError(const char* text, win::HWND owner, const FatalNotice& notice);

// The fatal-error reporter of the player's parts.
class MessageClass {
public:
    void FatalError(const char* text, win::HWND owner = nullptr) { ReportFatalError(text, owner, PlayerFatalNotice); }
};

// The run's reporter, made by static initialisation after the sound manager.
extern MessageClass* ErrorReporter;
