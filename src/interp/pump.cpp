// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/pump.h"

#include "interp/interp_host.h"
#include "platform/win/win.h"

bool PumpMessages(InterpHost& host) {
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_NOREMOVE)) {
        if (msg.message == win::WM_QUIT) return false;
        host.ServiceSound();
        if (!win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) break;
        win::TranslateMessage(&msg);
        win::DispatchMessageA(&msg);
    }
    return true;
}
