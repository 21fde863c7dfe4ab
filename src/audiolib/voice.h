// One voice of the mixer: a converted sound, where it plays and how often.
#pragma once

#include <cstdint>
#include <deque>

#include "audiolib/aud32.h"
#include "audiolib/output_format.h"

namespace aud {

inline constexpr std::uint32_t kUnitStep = 1u << 16;  // positions and steps are 16.16 fixed point
inline constexpr std::int32_t kFullVolume = 255;

struct Voice {
    bool allocated = false;
    Samples samples;
    std::uint64_t position = 0;      // in frames, 16.16
    std::uint32_t step = kUnitStep;  // frames advanced per output frame, 16.16
    std::uint32_t sourceRate = 0;    // rate of the sound before conversion; 0 = no sound
    std::uint32_t playbackRate = 0;  // rate asked for; 0 = the sound's own
    std::int32_t playCount = 1;      // 0 = without end
    std::int32_t playsStarted = 0;
    std::int32_t volume = kFullVolume;
    bool playing = false;
    AUD_EOS_CALLBACK onEnd = nullptr;
    // Raw data handed over by address or in buffers: its layout.
    std::int32_t rawType = AUD_SAMPLE_TYPE_MONO_16;
    std::uint32_t rawFlags = 0;
    // Streamed buffers not yet played to their end: where each ends, in frames.
    std::deque<std::uint64_t> bufferEnds;
    std::uint32_t buffersLoaded = 0;

    // Back to a fresh voice that keeps its allocation and end-of-sample procedure.
    void Reset() {
        Voice fresh;
        fresh.allocated = allocated;
        fresh.onEnd = onEnd;
        *this = std::move(fresh);
    }
};

}  // namespace aud
