// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard, mouse and timer input: the only ways a waiting presentation moves on.
#include "interp/interp_win.h"

void DInterpWin::EvKeyDown(win::UINT key, win::UINT, win::UINT) {
    paused_ = 0;
    if (key == win::VK_ESCAPE) {
        win::PostQuitMessage(0);
        return;
    }
    switch (state_) {
        case InterpState::Running: win::MessageBeep(0xFFFFFFFF); break;
        case InterpState::Movie: CutMovieShort(); break;
        case InterpState::Still:
            win::KillTimer(Handle(), StillTimerId);
            if (HasMedia()) {
                Action next;
                next.kind = ActionKind::Next;
                PerformAction(next);
            }
            state_ = InterpState::Running;
            break;
        case InterpState::Ended: break;
    }
}

void DInterpWin::EvLButtonDown(win::UINT, win::POINT point) {
    paused_ = 0;
    switch (state_) {
        case InterpState::Movie: CutMovieShort(); break;
        case InterpState::Still:
            win::KillTimer(Handle(), StillTimerId);
            for (const HotSpot* spot = hotSpots_; spot; spot = spot->next) {
                if (spot->Contains(point.x, point.y)) {
                    PerformAction(spot->action);
                    return;
                }
            }
            win::SetTimer(Handle(), StillTimerId, static_cast<win::UINT>(stillTimeout_.period), nullptr);
            break;
        default: ShowNotice("Bummer! Unrecognized State!", "Whoah!", win::MB_OK); break;
    }
}

void DInterpWin::EvTimer(win::UINT_PTR id) {
    if (id != StillTimerId) {
        ShowNotice("Unrecognized timer message received.", "Weird", win::MB_OK);
        return;
    }
    win::KillTimer(Handle(), StillTimerId);
    PerformAction(timeoutAction_);
}

void DInterpWin::CutMovieShort() {
    if (HasMedia()) host_.RequestMovieAbort();
    state_ = InterpState::Running;
}
