#include "audiolib/wav_duration.h"

#include <array>
#include <cstring>
#include <fstream>

namespace aud {
namespace {

constexpr int kMaxChunks = 10000;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatAlaw = 6;
constexpr std::uint16_t kFormatMulaw = 7;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t Le(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

bool Read(std::ifstream& in, std::uint64_t at, std::uint8_t* bytes, std::size_t count) {
    in.seekg(static_cast<std::streamoff>(at));
    return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count)));
}

}  // namespace

std::optional<WavDuration> ReadWavDuration(const std::filesystem::path& path) {
    std::error_code error;
    const std::uint64_t fileSize = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    std::array<std::uint8_t, 16> bytes{};
    if (error || !in || !Read(in, 0, bytes.data(), 12) || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    const std::uint64_t riffEnd = std::min<std::uint64_t>(fileSize, std::uint64_t{Le(&bytes[4], 4)} + 8);
    std::uint16_t tag = 0, blockAlign = 0;
    std::uint32_t rate = 0, bytesPerSecond = 0;
    std::optional<std::uint32_t> factFrames;
    std::optional<std::uint64_t> dataBytes;
    std::uint64_t at = 12;
    for (int chunk = 0; chunk < kMaxChunks && at + 8 <= riffEnd && !dataBytes; ++chunk) {
        if (!Read(in, at, bytes.data(), 8)) return std::nullopt;
        const std::uint64_t size = Le(&bytes[4], 4);
        const std::uint64_t body = at + 8;
        if (std::memcmp(bytes.data(), "fmt ", 4) == 0 && size >= 16 && Read(in, body, bytes.data(), 16)) {
            tag = static_cast<std::uint16_t>(Le(&bytes[0], 2));
            rate = Le(&bytes[4], 4);
            bytesPerSecond = Le(&bytes[8], 4);
            blockAlign = static_cast<std::uint16_t>(Le(&bytes[12], 2));
        } else if (std::memcmp(bytes.data(), "fact", 4) == 0 && size >= 4 && Read(in, body, bytes.data(), 4)) {
            factFrames = Le(&bytes[0], 4);
        } else if (std::memcmp(bytes.data(), "data", 4) == 0) {
            dataBytes = std::min(size, riffEnd - body);
        }
        at = body + size + (size & 1);
    }
    if (!dataBytes || rate == 0 || blockAlign == 0) return std::nullopt;
    const bool plain = tag == kFormatPcm || tag == kFormatFloat || tag == kFormatAlaw || tag == kFormatMulaw ||
                       tag == kFormatExtensible;
    if (plain) return WavDuration{*dataBytes / blockAlign, rate};
    if (factFrames) return WavDuration{*factFrames, rate};
    if (bytesPerSecond == 0) return std::nullopt;
    return WavDuration{*dataBytes * rate / bytesPerSecond, rate};
}

}  // namespace aud
