#include "support/wav_writer.h"

#include <string_view>

namespace test {
namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Put(std::vector<std::uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

}  // namespace

std::vector<std::uint8_t> WavFile::Bytes() const {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    std::vector<std::uint8_t> out;
    Put(out, "RIFF");
    Put(out, 4 + 24 + 8 + dataBytes, 4);
    Put(out, "WAVEfmt ");
    Put(out, 16, 4);
    Put(out, tag, 2);
    Put(out, channels, 2);
    Put(out, rate, 4);
    Put(out, rate * blockAlign, 4);
    Put(out, blockAlign, 2);
    Put(out, bits, 2);
    Put(out, "data");
    Put(out, dataBytes, 4);
    out.resize(out.size() + dataBytes, bits == 8 ? 0x80 : 0);
    return out;
}

}  // namespace test
