// SPDX-License-Identifier: GPL-3.0-or-later
// WAV files for tests and benchmarks: a RIFF WAVE header, a 16-byte format
// chunk with the fields given, and a data chunk of silence or of a tone.
#pragma once

#include <cstdint>
#include <vector>

namespace test {

struct WavFile {
    std::uint16_t tag = 1;  // 1 = PCM
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t bits = 16;
    std::uint32_t dataBytes = 64;

    std::vector<std::uint8_t> Bytes() const;
    // `frames` frames of a sine at `hz`, alike in every channel, at about a
    // quarter of full scale; dataBytes is not used.
    std::vector<std::uint8_t> ToneBytes(double hz, std::uint32_t frames) const;

private:
    std::vector<std::uint8_t> Header(std::uint32_t dataSize) const;
};

}  // namespace test
