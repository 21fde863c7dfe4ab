// The real audio device, opened through SDL with exactly the requested
// format; SDL's audio thread asks for each block of the mix.
#pragma once

#include <SDL.h>

#include <memory>

#include "audiolib/output_format.h"

namespace aud {

class SdlOutput {
public:
    using Fill = void (*)(void* user, std::uint8_t* stream, int bytes);

    // Opened and running, or nothing (the reason is in the last error).
    static std::unique_ptr<SdlOutput> Open(const OutputFormat& format, Fill fill, void* user);
    // Closes the device; returns once no block is being filled any more.
    ~SdlOutput();
    SdlOutput(const SdlOutput&) = delete;
    SdlOutput& operator=(const SdlOutput&) = delete;

    void Resume();

private:
    explicit SdlOutput(SDL_AudioDeviceID device) : device_(device) {}
    SDL_AudioDeviceID device_;
};

}  // namespace aud
