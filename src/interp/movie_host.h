// SPDX-License-Identifier: GPL-3.0-or-later
// A movie of the presentation window reaches the window's host and its
// message pump.
#pragma once

#include "flic/flc_window.h"
#include "interp/interp_host.h"

class WindowMovieHost final : public MovieHost {
public:
    explicit WindowMovieHost(InterpHost& host) : host_(host) {}

    void FatalError(const char* text) override;
    bool PumpMessages() override;
    bool TakeAbort() override;
    void Serve() override;
    win::DWORD Ticks() override;
    void WaitForMessage(win::DWORD milliseconds) override;
    bool AttachMovieSound(const char* path) override;
    void StartMovieSound() override;
    void DropUnstartedMovieSound() override;

private:
    InterpHost& host_;
};
