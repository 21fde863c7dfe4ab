// SPDX-License-Identifier: GPL-3.0-or-later
// The real audio device, opened through SDL with exactly the requested
// format; SDL's audio thread asks for each block of the mix. A device that
// goes away keeps asking at its pace, into nothing, until it is closed.
// SDL's thread runs on while a device is paused: pausing closes the device,
// and resuming opens it again.
#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>

#include "audiolib/output.h"
#include "audiolib/output_format.h"

namespace aud {

class SdlOutput final : public Output {
public:
    // Opened and paused, or nothing (the reason is in the last error).
    static std::unique_ptr<SdlOutput> Open(const OutputFormat& format, Fill fill, void* user);
    ~SdlOutput() override;
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    void Resume() override;
    void Pause() override;
    bool Lost() const override;

private:
    explicit SdlOutput(const SDL_AudioSpec& spec) : spec_(spec) {}
    SDL_AudioSpec spec_;
    // Paused by one thread while another asks whether it is lost.
    std::atomic<SDL_AudioDeviceID> device_{0};  // 0 while paused
    std::atomic<bool> reopenFailed_{false};
};

// Block length for a rate: about 25 ms, short enough for prompt starts, long enough not to starve.
std::uint16_t BlockFrames(std::uint32_t rate);

}  // namespace aud
