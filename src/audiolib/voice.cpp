// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/voice.h"

#include <algorithm>

namespace aud {
namespace {

// The resampler takes ratios up to 256 either way.
constexpr std::uint32_t MaxRatio = 256;

}  // namespace

SoundFeed::SoundFeed(Voice& voice, std::uint32_t outputRate) : voice_(voice) {
    const Sound& sound = voice.sound;
    const std::uint64_t length = sound.Frames();
    stretch_.layout = sound.Layout();
    const std::uint32_t rate = voice.playbackRate ? voice.playbackRate : stretch_.layout.rate;
    stretch_.rate = std::clamp(rate, std::max(outputRate / MaxRatio, 1u), outputRate * MaxRatio);
    if (voice.playCount == 0 && length > 0) {
        stretch_.frames = Stretch::Endless;
    } else {
        const std::uint64_t total = static_cast<std::uint64_t>(std::max(voice.playCount, 1)) * length;
        stretch_.frames = total - std::min(voice.from, total);
    }
}

std::span<const Stretch> SoundFeed::Stretches() const { return {&stretch_, 1}; }

std::span<const std::uint8_t> SoundFeed::Read(std::size_t frames) {
    Sound& sound = voice_.sound;
    const std::uint64_t length = sound.Frames();
    const std::uint64_t end = stretch_.frames == Stretch::Endless ? Stretch::Endless : voice_.from + stretch_.frames;
    if (length == 0 || voice_.read >= end) return {};
    const std::uint64_t at = voice_.read % length;
    // A stream that let its played frames go does not loop back to them.
    if (at < sound.Dropped()) return {};
    const std::uint64_t count = std::min<std::uint64_t>({frames, length - at, end - voice_.read});
    voice_.read += count;
    return sound.Read(at, count);
}

}  // namespace aud
