// SPDX-License-Identifier: GPL-3.0-or-later
// Turns a feed into output frames as it is mixed: resampled by libsoxr when
// its rate is not the output's (one continuous stream per stretch, so loops
// have no seam), scaled by a gain that ramps instead of jumping, and faded
// out over its last few milliseconds, so that nothing ends in a click.
#pragma once

#include <soxr.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "audiolib/feed.h"
#include "audiolib/output_format.h"

namespace aud {

inline constexpr std::uint64_t Never = UINT64_MAX;
inline constexpr float UnityGain = 256;

// Frames over which gains ramp and sounds fade out: about 5 ms.
std::uint32_t RampFrames(std::uint32_t outputRate);
// Output frames a stretch lasts at the output rate; Never when endless.
std::uint64_t OutputFrames(const Stretch& stretch, std::uint32_t outputRate);

class Playback {
public:
    // From the start of a feed, at `gain` at once.
    void Restart(float gain);
    // Ramps to `gain` from the next frame mixed; at once when `ramp` is false.
    void SetGain(float gain, bool ramp, std::uint32_t outputRate);

    // Output frames until the feed's end; Never when endless.
    std::uint64_t FramesLeft(const Feed& feed, std::uint32_t outputRate) const;
    // Output frames since the restart.
    std::uint64_t Produced() const { return produced_; }
    // Frames of the current stretch heard so far.
    std::uint64_t Heard(const Feed& feed, std::uint32_t outputRate) const;

    // Adds the next frames of the feed into `mix` (256 = unity) until it is
    // full or the feed has ended.
    void Mix(Feed& feed, const OutputFormat& output, std::span<std::int32_t> mix);

private:
    struct SoxrDelete {
        void operator()(soxr_t resampler) const { soxr_delete(resampler); }
    };
    struct Resampler {
        std::unique_ptr<::soxr, SoxrDelete> stream;
        Stretch stretch;  // the rates and layout it was made for
        std::uint32_t outputRate = 0;
        bool clear = false;
    };

    static std::size_t Input(void* self, soxr_in_t* data, std::size_t requested);
    // Fills rendered_ with `frames` frames of the stretch at the output rate.
    void Render(Feed& feed, const Stretch& stretch, std::uint32_t outputRate, std::size_t frames);
    bool PrepareResampler(const Stretch& stretch, std::uint32_t outputRate);
    void Add(std::uint16_t sourceChannels, const OutputFormat& output, std::span<std::int32_t> mix,
             std::uint64_t framesLeft);

    std::uint64_t produced_ = 0;   // output frames since the restart
    std::uint64_t inStretch_ = 0;  // of them in the current stretch
    float gain_ = UnityGain;
    float target_ = UnityGain;
    float step_ = 0;
    std::uint32_t rampLeft_ = 0;
    Resampler resampler_;
    Feed* feeding_ = nullptr;  // the feed the resampler reads, while it runs
    std::vector<float> input_;
    std::vector<float> rendered_;
};

}  // namespace aud
