// SPDX-License-Identifier: GPL-3.0-or-later
// How frames of sound are laid out in memory or in a file: the form in which
// voices and CD tracks keep their sound until it is mixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace aud {

enum class SampleType : std::uint8_t {
    U8,   // unsigned 8-bit
    S8,   // signed 8-bit
    S16,  // signed 16-bit little-endian
};

struct PcmLayout {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    SampleType type = SampleType::S16;

    std::size_t FrameBytes() const { return std::size_t{channels} * (type == SampleType::S16 ? 2u : 1u); }
    bool operator==(const PcmLayout&) const = default;
};

// Whole frames of `layout` as float samples on the 16-bit scale (8-bit values
// scaled up by 256), interleaved as they are; `out` holds room for them.
void ToFloat(const PcmLayout& layout, std::span<const std::uint8_t> frames, float* out);

}  // namespace aud
