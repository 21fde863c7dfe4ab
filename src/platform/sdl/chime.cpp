// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sdl/chime.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {
namespace {

constexpr double Seconds = 0.15;
constexpr double Attack = 0.003;  // a softened onset does not click
constexpr double Release = 0.01;

struct Partials {
    double low, high;  // Hz
};

// Each beep type its own pitch: the stop sign lowest, the asterisk highest.
Partials PartialsOf(win::UINT type) {
    if (type == 0xFFFFFFFFu) return {1000.0, 1500.0};
    switch (type & 0xF0) {
        case win::MB_ICONHAND: return {392.0, 466.2};
        case win::MB_ICONQUESTION: return {784.0, 1174.7};
        case win::MB_ICONEXCLAMATION: return {659.3, 987.8};
        case win::MB_ICONASTERISK: return {1046.5, 1568.0};
        default: return {880.0, 1318.5};
    }
}

}  // namespace

std::vector<float> ChimeSamples(win::UINT type, int rate) {
    const Partials partials = PartialsOf(type);
    std::vector<float> samples(static_cast<std::size_t>(std::max(rate, 1) * Seconds));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = std::min({1.0, t / Attack, (Seconds - t) / Release});
        const double low = 0.6 * std::exp(-t / 0.05) * std::sin(2 * std::numbers::pi * partials.low * t);
        const double high = 0.35 * std::exp(-t / 0.03) * std::sin(2 * std::numbers::pi * partials.high * t);
        // Half scale, to sit under music playing at the same time.
        samples[i] = static_cast<float>(0.5 * envelope * (low + high));
    }
    return samples;
}

bool Chime::Open() {
    if (device_ || failed_) return device_ != 0;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failed_ = true;
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 48000;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 1;
    wanted.samples = 1024;
    SDL_AudioSpec obtained{};
    // A device of its own beside the audio library's: PulseAudio, PipeWire
    // and ALSA's dmix mix the two.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!device_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        failed_ = true;
        return false;
    }
    rate_ = obtained.freq;
    latencyMs_ = static_cast<Uint64>(obtained.samples) * 1000 / static_cast<Uint64>(std::max(obtained.freq, 1));
    return true;
}

void Chime::Play(win::UINT type) {
    if (!Open()) return;
    const std::vector<float> samples = ChimeSamples(type, rate_);
    SDL_ClearQueuedAudio(device_);
    if (SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size() * sizeof(float))) != 0) return;
    SDL_PauseAudioDevice(device_, 0);
    endsAt_ = SDL_GetTicks64() + static_cast<Uint64>(Seconds * 1000) + 2 * latencyMs_;
}

void Chime::Finish() {
    if (!device_) return;
    const Uint64 now = SDL_GetTicks64();
    if (endsAt_ > now) SDL_Delay(static_cast<Uint32>(endsAt_ - now));
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    device_ = 0;
}

}  // namespace platform
