// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/riff_image.h"

namespace {

constexpr std::uint32_t RiffHeaderBytes = 8;  // "RIFF" and the chunk's size

}  // namespace

void FitRiffSizeToImage(unsigned char* data, std::uint32_t size) {
    const std::uint64_t chunkSize = data[4] | data[5] << 8 | data[6] << 16 | std::uint64_t{data[7]} << 24;
    if (chunkSize + RiffHeaderBytes <= size) return;
    const std::uint32_t held = size - RiffHeaderBytes;
    for (int i = 0; i < 4; ++i) data[4 + i] = static_cast<unsigned char>(held >> (8 * i));
}
