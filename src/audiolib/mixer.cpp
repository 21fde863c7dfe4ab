#include "audiolib/mixer.h"

#include <algorithm>

namespace aud {
namespace {

// Volume 0..255 as a factor of 256, so that full volume adds samples unchanged.
std::int32_t Gain(std::int32_t volume) { return (std::clamp(volume, 0, kFullVolume) * 256 + 127) / kFullVolume; }

std::size_t LengthOf(const Voice& voice, std::uint16_t channels) { return voice.samples.size() / channels; }

// Moves a voice that reached its end back to the start when plays remain.
bool Rewind(Voice& voice, std::uint64_t length16) {
    if (voice.playCount != 0 && voice.playsStarted >= voice.playCount) return false;
    voice.position -= length16;
    ++voice.playsStarted;
    return true;
}

void MixUnitStep(Voice& voice, std::uint16_t channels, std::span<std::int32_t> mix, std::int32_t gain) {
    const std::size_t length = LengthOf(voice, channels);
    const std::uint64_t length16 = std::uint64_t{length} << 16;
    const std::size_t frames = mix.size() / channels;
    std::size_t done = 0;
    while (done < frames) {
        if (voice.position >= length16 && !Rewind(voice, length16)) return;
        const std::size_t at = static_cast<std::size_t>(voice.position >> 16);
        const std::size_t run = std::min(frames - done, length - at);
        const std::int16_t* source = voice.samples.data() + at * channels;
        std::int32_t* target = mix.data() + done * channels;
        for (std::size_t i = 0; i < run * channels; ++i) target[i] += source[i] * gain;
        voice.position += std::uint64_t{run} << 16;
        done += run;
    }
}

void MixInterpolated(Voice& voice, std::uint16_t channels, std::span<std::int32_t> mix, std::int32_t gain) {
    const std::size_t length = LengthOf(voice, channels);
    const std::uint64_t length16 = std::uint64_t{length} << 16;
    const std::size_t frames = mix.size() / channels;
    for (std::size_t done = 0; done < frames; ++done) {
        while (voice.position >= length16) {
            if (!Rewind(voice, length16)) return;
        }
        const std::size_t at = static_cast<std::size_t>(voice.position >> 16);
        const std::size_t next = at + 1 < length ? at + 1 : at;
        const std::int64_t fraction = voice.position & 0xFFFF;
        for (std::uint16_t c = 0; c < channels; ++c) {
            const std::int64_t a = voice.samples[at * channels + c];
            const std::int64_t b = voice.samples[next * channels + c];
            const auto value = static_cast<std::int32_t>(a + (((b - a) * fraction) >> 16));
            mix[done * channels + c] += value * gain;
        }
        voice.position += voice.step;
    }
}

}  // namespace

std::uint64_t FramesUntilEnd(const Voice& voice, std::uint16_t channels) {
    if (voice.playCount == 0) return Mixer::kNever;
    const std::uint64_t length16 = std::uint64_t{LengthOf(voice, channels)} << 16;
    const std::uint64_t laterPlays = static_cast<std::uint64_t>(std::max(0, voice.playCount - voice.playsStarted));
    const std::uint64_t left = laterPlays * length16 + (length16 > voice.position ? length16 - voice.position : 0);
    return (left + voice.step - 1) / voice.step;
}

bool MixVoice(Voice& voice, std::uint16_t channels, std::span<std::int32_t> mix) {
    const std::int32_t gain = Gain(voice.volume);
    if (voice.step == kUnitStep && (voice.position & 0xFFFF) == 0) {
        MixUnitStep(voice, channels, mix, gain);
    } else {
        MixInterpolated(voice, channels, mix, gain);
    }
    while (!voice.bufferEnds.empty() && voice.position >= voice.bufferEnds.front() << 16) voice.bufferEnds.pop_front();
    const std::uint64_t length16 = std::uint64_t{LengthOf(voice, channels)} << 16;
    if (voice.position < length16 || Rewind(voice, length16)) return false;
    voice.playing = false;
    return true;
}

void StoreMix(std::span<const std::int32_t> mix, std::uint16_t bits, std::uint8_t* out) {
    for (std::int32_t value : mix) {
        const std::int32_t sample = std::clamp(value >> 8, -32768, 32767);
        if (bits == 8) {
            *out++ = static_cast<std::uint8_t>((sample >> 8) + 128);
        } else {
            *out++ = static_cast<std::uint8_t>(sample & 0xFF);
            *out++ = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
        }
    }
}

void Mixer::Start(const OutputFormat& format, std::uint64_t startFrame) {
    voices_ = {};
    cd_ = {};
    format_ = format;
    mixedFrames_ = startFrame;
    running_ = true;
    for (Timer& timer : timers_) {
        if (timer.running) StartTimer(timer);
    }
}

void Mixer::Stop() {
    running_ = false;
    voices_ = {};
    cd_ = {};
    timers_ = {};
}

AUD_HANDLE Mixer::AllocateVoice() {
    for (std::size_t i = 0; i < voices_.size(); ++i) {
        if (!voices_[i].allocated) {
            voices_[i].allocated = true;
            return static_cast<AUD_HANDLE>(i + 1);
        }
    }
    return 0;
}

Voice* Mixer::FindVoice(AUD_HANDLE handle) {
    if (!running_ || handle == 0 || handle > voices_.size() || !voices_[handle - 1].allocated) return nullptr;
    return &voices_[handle - 1];
}

AUD_HANDLE Mixer::RegisterTimer(AUD_TIMER_CALLBACK callback) {
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        if (!timers_[i].registered) {
            timers_[i] = Timer{.registered = true, .callback = callback};
            return static_cast<AUD_HANDLE>(i + 1);
        }
    }
    return 0;
}

Timer* Mixer::FindTimer(AUD_HANDLE handle) {
    if (handle == 0 || handle > timers_.size() || !timers_[handle - 1].registered) return nullptr;
    return &timers_[handle - 1];
}

void Mixer::StartTimer(Timer& timer) {
    timer.running = true;
    timer.dueUs = NowUs() + timer.periodUs;
}

std::uint64_t Mixer::NowUs() const { return format_.rate ? mixedFrames_ * 1'000'000 / format_.rate : 0; }

std::uint64_t Mixer::FramesUntilNextEvent() const {
    std::uint64_t frames = kNever;
    for (const Voice& voice : voices_) {
        if (voice.playing) frames = std::min(frames, FramesUntilEnd(voice, format_.channels));
    }
    for (const Timer& timer : timers_) {
        if (!timer.running || timer.periodUs == 0) continue;
        const std::uint64_t dueFrame = (timer.dueUs * format_.rate + 999'999) / 1'000'000;
        frames = std::min(frames, dueFrame > mixedFrames_ ? dueFrame - mixedFrames_ : 0);
    }
    return frames;
}

void Mixer::Mix(std::span<std::int32_t> mix, MixEvents& events) {
    std::fill(mix.begin(), mix.end(), 0);
    for (std::size_t i = 0; i < voices_.size(); ++i) {
        Voice& voice = voices_[i];
        if (voice.playing && MixVoice(voice, format_.channels, mix)) {
            events.ended.push_back({static_cast<AUD_HANDLE>(i + 1), voice.onEnd});
        }
    }
    if (cd_.playing) MixVoice(cd_, format_.channels, mix);
    mixedFrames_ += mix.size() / format_.channels;
    const std::uint64_t now = NowUs();
    for (Timer& timer : timers_) {
        if (!timer.running || timer.periodUs == 0) continue;
        for (; timer.dueUs <= now; timer.dueUs += timer.periodUs) events.ticks.push_back({timer.callback, timer.user});
    }
}

}  // namespace aud
