// SPDX-License-Identifier: GPL-3.0-or-later
// Where a playback gets its frames: stretch after stretch, each in one layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "audiolib/pcm_layout.h"

namespace aud {

struct Stretch {
    static constexpr std::uint64_t Endless = UINT64_MAX;

    PcmLayout layout;
    std::uint32_t rate = 0;    // frames a second it is played at
    std::uint64_t frames = 0;  // Endless: without end
};

class Feed {
public:
    // The stretches still to play, the one being read first.
    virtual std::span<const Stretch> Stretches() const = 0;
    // Up to `frames` further frames of the current stretch; empty once it has been read whole.
    virtual std::span<const std::uint8_t> Read(std::size_t frames) = 0;
    // Reading goes on with the next stretch.
    virtual void NextStretch() = 0;

protected:
    ~Feed() = default;
};

}  // namespace aud
