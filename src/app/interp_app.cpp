// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/interp_app.h"

#include <memory>

#include "interp/interp_win.h"

void DInterpApp::InitMainWindow() {
    auto frame = std::make_unique<framework::FrameWindow>("Corvanta", std::make_unique<DInterpWin>(host_));
    frame->SetIcon(win::LoadIconA(win::GetModuleHandleA(nullptr), win::MAKEINTRESOURCEA(ProgramIconId)));
    SetMainWindow(std::move(frame));
    SetShowCommand(win::SW_SHOWMAXIMIZED);
}
