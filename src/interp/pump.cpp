// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/pump.h"

#include "interp/globals.h"
#include "platform/win.h"
#include "sound/sound_class.h"

bool PumpMessages() {
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_NOREMOVE)) {
        if (msg.message == win::WM_QUIT) return false;
        if (SoundManager) SoundManager->Service();
        if (!win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) break;
        win::TranslateMessage(&msg);
        win::DispatchMessageA(&msg);
    }
    return true;
}
