// SPDX-License-Identifier: GPL-3.0-or-later
// The format the output was opened with. Voices and CD audio are brought to
// its rate and channel count as they are mixed; 8-bit output is produced only
// when the mix is stored.
#pragma once

#include <cstdint>

namespace aud {

struct OutputFormat {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;  // 8 (unsigned) or 16 (signed, little-endian)

    std::uint32_t BytesPerFrame() const { return channels * (bits / 8u); }
    bool operator==(const OutputFormat&) const = default;
};

}  // namespace aud
