// The format the output was opened with. Voices and CD audio are converted to
// its rate and channel count once, as signed 16-bit samples, so mixing never
// resamples; 8-bit output is produced only when the mix is stored.
#pragma once

#include <cstdint>
#include <vector>

namespace aud {

struct OutputFormat {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;  // 8 (unsigned) or 16 (signed, little-endian)

    std::uint32_t BytesPerFrame() const { return channels * (bits / 8u); }
    bool operator==(const OutputFormat&) const = default;
};

// Interleaved signed 16-bit samples at the output's rate and channel count.
using Samples = std::vector<std::int16_t>;

}  // namespace aud
