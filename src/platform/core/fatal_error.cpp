// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/fatal_error.h"

void ReportFatalError(const char* text, win::HWND owner, const FatalNotice& notice) {
    win::MessageBoxA(owner, text, notice.caption, notice.boxStyle);
    if (notice.beep) win::MessageBeep(win::MB_ICONEXCLAMATION);
    win::PostQuitMessage(notice.exitCode);
}
