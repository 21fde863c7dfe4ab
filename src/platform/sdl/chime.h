// SPDX-License-Identifier: GPL-3.0-or-later
// The beep: a short chime of our own, so that it sounds the same on every
// desktop, whatever its sound theme.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/win/win.h"

namespace platform {

// The chime for a beep type: mono samples in [-1, 1] at the rate given.
std::vector<float> ChimeSamples(win::UINT type, int rate);

class Chime {
public:
    // Starts the chime, cutting off one still sounding; silent when no audio
    // device opens.
    void Play(win::UINT type);
    // Lets a chime still sounding finish and closes the device.
    void Finish();

private:
    bool Open();

    SDL_AudioDeviceID device_ = 0;
    bool failed_ = false;
    int rate_ = 0;
    Uint64 latencyMs_ = 0;
    Uint64 endsAt_ = 0;  // SDL ticks
};

}  // namespace platform
