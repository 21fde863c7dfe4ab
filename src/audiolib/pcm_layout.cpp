// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/pcm_layout.h"

namespace aud {

void ToFloat(const PcmLayout& layout, std::span<const std::uint8_t> frames, float* out) {
    const std::size_t samples = frames.size() / layout.FrameBytes() * layout.channels;
    const std::uint8_t* in = frames.data();
    switch (layout.type) {
        case SampleType::U8:
            for (std::size_t i = 0; i < samples; ++i) out[i] = static_cast<float>((in[i] - 128) * 256);
            break;
        case SampleType::S8:
            for (std::size_t i = 0; i < samples; ++i)
                out[i] = static_cast<float>(static_cast<std::int8_t>(in[i]) * 256);
            break;
        case SampleType::S16:
            // Byte by byte: the data may sit at an odd address.
            for (std::size_t i = 0; i < samples; ++i) {
                out[i] = static_cast<float>(static_cast<std::int16_t>(in[2 * i] | in[2 * i + 1] << 8));
            }
            break;
    }
}

}  // namespace aud
