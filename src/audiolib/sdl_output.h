// The real audio device, opened through SDL with exactly the requested
// format; SDL's audio thread asks for each block of the mix. A device that
// goes away keeps asking at its pace, into nothing, until it is closed.
#pragma once

#include <SDL.h>

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
    bool Lost() const override;

private:
    explicit SdlOutput(SDL_AudioDeviceID device) : device_(device) {}
    SDL_AudioDeviceID device_;
};

// Block length for a rate: about 25 ms, short enough for prompt starts, long enough not to starve.
std::uint16_t BlockFrames(std::uint32_t rate);

}  // namespace aud
