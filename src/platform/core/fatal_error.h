// SPDX-License-Identifier: GPL-3.0-or-later
// The one way a fatal error is told: a box, maybe a beep, and the quit request.
#pragma once

#include "platform/win/win.h"

// How a fatal error is told.
struct FatalNotice {
    const char* caption;
    win::UINT boxStyle;
    bool beep;
    int exitCode;
};

// Shows `text` in a box (owned by `owner` when one is given), beeps when the
// notice says so, and requests the quit with the notice's exit code. The
// caller returns; the program ends at the next message loop.
void ReportFatalError(const char* text, win::HWND owner, const FatalNotice& notice);
