// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/mixer.h"

#include <algorithm>

namespace aud {

void StoreMix(std::span<const std::int32_t> mix, std::uint16_t bits, std::uint8_t* out) {
    for (std::int32_t value : mix) {
        // Rounded, so that resampled sound keeps no offset; 8-bit output keeps the high byte.
        const std::int32_t sample = std::clamp(bits == 8 ? value >> 8 : (value + 128) >> 8, -32768, 32767);
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
    tails_.clear();
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
    tails_.clear();
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

void Mixer::FadeOut(Playback& playback, Feed& feed) {
    Tail tail;
    tail.mix.assign(std::size_t{RampFrames(format_.rate)} * format_.channels, 0);
    playback.SetGain(0, true, format_.rate);
    playback.Mix(feed, format_, tail.mix);
    tails_.push_back(std::move(tail));
}

void Mixer::StartVoice(Voice& voice) {
    StopVoice(voice);
    voice.from = voice.read = voice.sound.Dropped();
    voice.playback.Restart(Gain(voice.volume));
    voice.playing = true;
}

void Mixer::StopVoice(Voice& voice) {
    if (!voice.playing) return;
    SoundFeed feed(voice, format_.rate);
    FadeOut(voice.playback, feed);
    voice.playing = false;
}

void Mixer::PlayCd(std::unique_ptr<CdFeed> feed) {
    StopCd();
    cd_.feed = std::move(feed);
    cd_.playback.Restart(UnityGain);
    cd_.playing = true;
}

void Mixer::StopCd() {
    if (!cd_.playing) return;
    FadeOut(cd_.playback, *cd_.feed);
    cd_.playing = false;
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

std::uint64_t Mixer::FramesUntilNextEvent() {
    std::uint64_t frames = Never;
    for (Voice& voice : voices_) {
        if (!voice.playing) continue;
        frames = std::min(frames, voice.playback.FramesLeft(SoundFeed(voice, format_.rate), format_.rate));
    }
    for (const Timer& timer : timers_) {
        if (!timer.running || timer.periodUs == 0) continue;
        const std::uint64_t dueFrame = (timer.dueUs * format_.rate + 999'999) / 1'000'000;
        frames = std::min(frames, dueFrame > mixedFrames_ ? dueFrame - mixedFrames_ : 0);
    }
    return frames;
}

bool Mixer::Busy() const {
    const auto playing = [](const auto& each) { return each.playing; };
    const auto ticking = [](const Timer& timer) { return timer.running && timer.periodUs != 0; };
    return cd_.playing || !tails_.empty() || std::any_of(voices_.begin(), voices_.end(), playing) ||
           std::any_of(timers_.begin(), timers_.end(), ticking);
}

void Mixer::Mix(std::span<std::int32_t> mix, MixEvents& events) {
    std::fill(mix.begin(), mix.end(), 0);
    for (std::size_t i = 0; i < voices_.size(); ++i) {
        Voice& voice = voices_[i];
        if (!voice.playing) continue;
        SoundFeed feed(voice, format_.rate);
        voice.playback.Mix(feed, format_, mix);
        if (voice.playback.FramesLeft(feed, format_.rate) == 0) {
            voice.playing = false;
            events.ended.push_back({static_cast<AUD_HANDLE>(i + 1), voice.onEnd});
        }
    }
    if (cd_.playing) {
        cd_.playback.Mix(*cd_.feed, format_, mix);
        if (cd_.playback.FramesLeft(*cd_.feed, format_.rate) == 0) {
            cd_.playing = false;
            events.cdEnded = true;
        }
    }
    for (Tail& tail : tails_) {
        const std::size_t count = std::min(mix.size(), tail.mix.size() - tail.at);
        for (std::size_t i = 0; i < count; ++i) mix[i] += tail.mix[tail.at + i];
        tail.at += count;
    }
    std::erase_if(tails_, [](const Tail& tail) { return tail.at == tail.mix.size(); });
    mixedFrames_ += mix.size() / format_.channels;
    const std::uint64_t now = NowUs();
    for (Timer& timer : timers_) {
        if (!timer.running || timer.periodUs == 0) continue;
        for (; timer.dueUs <= now; timer.dueUs += timer.periodUs) events.ticks.push_back({timer.callback, timer.user});
    }
}

}  // namespace aud
