// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/sdl_output.h"

#include <algorithm>
#include <bit>
#include <string>

#include "audiolib/last_error.h"

namespace aud {

std::uint16_t BlockFrames(std::uint32_t rate) {
    return static_cast<std::uint16_t>(std::bit_floor(std::clamp(rate / 40, 64u, 32768u)));
}

std::unique_ptr<SdlOutput> SdlOutput::Open(const OutputFormat& format, Fill fill, void* user) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        SetLastError(std::string("no audio device: ") + SDL_GetError());
        return nullptr;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format.rate);
    wanted.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    wanted.channels = static_cast<Uint8>(format.channels);
    wanted.samples = BlockFrames(format.rate);
    wanted.callback = fill;
    wanted.userdata = user;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0) {
        SetLastError(std::string("cannot open the audio device: ") + SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    auto output = std::unique_ptr<SdlOutput>(new SdlOutput(wanted));
    output->device_ = device;
    return output;
}

SdlOutput::~SdlOutput() {
    Pause();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlOutput::Resume() {
    if (device_ == 0) {
        SDL_AudioSpec obtained{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &spec_, &obtained, 0);
        reopenFailed_ = device_ == 0;
        if (reopenFailed_) SetLastError(std::string("cannot open the audio device: ") + SDL_GetError());
    }
    if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

void SdlOutput::Pause() {
    if (const SDL_AudioDeviceID device = device_.exchange(0)) SDL_CloseAudioDevice(device);
}

// A device that would not open again is lost too.
bool SdlOutput::Lost() const {
    const SDL_AudioDeviceID device = device_;
    return reopenFailed_ || (device != 0 && SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED);
}

}  // namespace aud
