// SPDX-License-Identifier: GPL-3.0-or-later
// One voice of the mixer: its sound, how it is to be played, and where it stands.
#pragma once

#include <cstdint>
#include <deque>

#include "audiolib/aud32.h"
#include "audiolib/feed.h"
#include "audiolib/playback.h"
#include "audiolib/sound.h"

namespace aud {

inline constexpr std::int32_t FullVolume = 255;

// Volume 0..255 as a gain of 256 = unity, so that full volume adds samples unchanged.
inline float Gain(std::int32_t volume) {
    const std::int32_t rounded = (volume * 256 + 127) / FullVolume;
    return static_cast<float>(rounded);
}

struct Voice {
    bool allocated = false;
    Sound sound;
    std::uint32_t playbackRate = 0;  // rate asked for; 0 = the sound's own
    std::int32_t playCount = 1;      // 0 = without end
    std::int32_t volume = FullVolume;
    bool playing = false;
    AUD_EOS_CALLBACK onEnd = nullptr;
    // Raw data handed over by address or in buffers: its layout.
    std::int32_t rawType = AUD_SAMPLE_TYPE_MONO_16;
    std::uint32_t rawFlags = 0;
    // Streamed buffers not yet played to their end: where each ends, in frames.
    std::deque<std::uint64_t> bufferEnds;
    std::uint32_t buffersLoaded = 0;
    // Frames of the sound handed to the playback, loops counted on, and the
    // frame its current stretch began at.
    std::uint64_t read = 0;
    std::uint64_t from = 0;
    Playback playback;

    // Back to a fresh voice that keeps its allocation and end-of-sample procedure.
    void Reset() {
        Voice fresh;
        fresh.allocated = allocated;
        fresh.onEnd = onEnd;
        *this = std::move(fresh);
    }
};

// A voice's sound as a feed: all its plays as one stretch, so that the
// resampler hears the loops as one continuous signal.
class SoundFeed final : public Feed {
public:
    SoundFeed(Voice& voice, std::uint32_t outputRate);

    std::span<const Stretch> Stretches() const override;
    std::span<const std::uint8_t> Read(std::size_t frames) override;
    // Its one stretch is the last, which a playback never moves past.
    void NextStretch() override {}

    // Source frames of the sound heard so far, loops counted on.
    std::uint64_t Heard(std::uint32_t outputRate) const {
        return voice_.from + voice_.playback.Heard(*this, outputRate);
    }

private:
    Voice& voice_;
    Stretch stretch_;
};

}  // namespace aud
