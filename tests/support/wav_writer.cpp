// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/wav_writer.h"

#include <cmath>
#include <numbers>
#include <string_view>

namespace test {
namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Put(std::vector<std::uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

}  // namespace

std::vector<std::uint8_t> WavFile::Header(std::uint32_t dataSize) const {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    std::vector<std::uint8_t> out;
    out.reserve(44);  // also keeps GCC's -Wstringop-overflow from a false alarm on the first insert
    Put(out, "RIFF");
    Put(out, 4 + 24 + 8 + dataSize, 4);
    Put(out, "WAVEfmt ");
    Put(out, 16, 4);
    Put(out, tag, 2);
    Put(out, channels, 2);
    Put(out, rate, 4);
    Put(out, rate * blockAlign, 4);
    Put(out, blockAlign, 2);
    Put(out, bits, 2);
    Put(out, "data");
    Put(out, dataSize, 4);
    return out;
}

std::vector<std::uint8_t> WavFile::Bytes() const {
    std::vector<std::uint8_t> out = Header(dataBytes);
    out.resize(out.size() + dataBytes, bits == 8 ? 0x80 : 0);
    return out;
}

std::vector<std::uint8_t> WavFile::ToneBytes(double hz, std::uint32_t frames) const {
    std::vector<std::uint8_t> out = Header(frames * channels * (bits / 8u));
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        const double value = std::sin(2 * std::numbers::pi * hz * frame / rate);
        for (std::uint16_t c = 0; c < channels; ++c) {
            if (bits == 8)
                out.push_back(static_cast<std::uint8_t>(128 + 60 * value));
            else
                Put(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * value)), 2);
        }
    }
    return out;
}

}  // namespace test
