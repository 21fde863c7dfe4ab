// SPDX-License-Identifier: GPL-3.0-or-later
// What differs between a real window (SDL) and a headless run: the clock,
// where input comes from, the real frame window, presenting, boxes and beeps.
// The backend reports input through events.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/settings.h"
#include "platform/win/win.h"

namespace platform {

class Screen;

struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // rows top to bottom
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual bool Headless() const = 0;
    // Before anything else runs: false when there is nothing to show the
    // presentation on (said on standard error).
    virtual bool Start() = 0;
    // Milliseconds since the run started; reading it changes nothing.
    virtual std::uint64_t Now() const = 0;

    // Hands input that has become due to the layer; every peek asks.
    virtual void PollInput() = 0;
    // The program waits until `due` (none: for ever) or, with forInput,
    // until input arrives or Wake is called.
    virtual void WaitUntil(std::optional<std::uint64_t> due, bool forInput) = 0;
    // From any thread: ends a wait for input.
    virtual void Wake() = 0;

    // The real frame window. Size is its client size.
    virtual bool OpenFrame(const std::string& caption, Size size) = 0;
    virtual void CloseFrame() = 0;
    virtual void ShowFrame(bool maximized) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetIcon(const IconImage& icon) = 0;
    // The client size of the real window (headless: the configured size).
    virtual Size ClientSize() const = 0;

    // Shows the screen; called only when it changed, with the rectangle
    // that changed.
    virtual void Present(const Screen& screen, const win::RECT& changed) = 0;

    // Another program runs and the program waits for its end: returns once
    // process pid has ended, leaving it to be reaped. Nothing of the program
    // runs meanwhile; the real window still answers the window system, its
    // input queued for afterwards. Headless, the wait takes no virtual time.
    virtual void AwaitProcessEnd(int pid) = 0;

    // The button the viewer chose: IDOK, or IDYES or IDNO for MB_YESNO.
    virtual int ShowMessageBox(bool owned, const std::string& caption, const std::string& text, win::UINT style) = 0;
    virtual void Beep(win::UINT type) = 0;
    virtual win::UINT WaveOutDevices() = 0;
    // Last words before the process ends.
    virtual void Shutdown() = 0;
};

std::unique_ptr<Backend> MakeHeadlessBackend(const Settings& settings);
std::unique_ptr<Backend> MakeSdlBackend(const Settings& settings);

// The session's backend, made on first use from the settings.
Backend& TheBackend();

}  // namespace platform
