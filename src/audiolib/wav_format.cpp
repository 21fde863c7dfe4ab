// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/wav_format.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/core/regular_file.h"

namespace aud {
namespace {

constexpr int MaxChunks = 10000;
constexpr std::uint16_t FormatPcm = 1;
constexpr std::uint16_t FormatFloat = 3;
constexpr std::uint16_t FormatAlaw = 6;
constexpr std::uint16_t FormatMulaw = 7;
constexpr std::uint16_t FormatExtensible = 0xFFFE;

std::uint32_t Le(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

// Walks the chunks of a RIFF WAVE chunk `riffEnd` bytes long; `read` fetches
// bytes at an offset, false when they are not there.
template <typename Read>
std::optional<WavFormat> Walk(std::uint64_t riffEnd, Read read) {
    std::array<std::uint8_t, 16> bytes{};
    if (riffEnd < 12 || !read(0, bytes.data(), 12) || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    WavFormat format;
    bool haveFormat = false;
    std::uint64_t at = 12;
    for (int chunk = 0; chunk < MaxChunks && at + 8 <= riffEnd; ++chunk) {
        if (!read(at, bytes.data(), 8)) return std::nullopt;
        const std::uint64_t size = Le(&bytes[4], 4);
        const std::uint64_t body = at + 8;
        if (std::memcmp(bytes.data(), "fmt ", 4) == 0 && size >= 16 && body + 16 <= riffEnd &&
            read(body, bytes.data(), 16)) {
            format.tag = static_cast<std::uint16_t>(Le(&bytes[0], 2));
            format.channels = static_cast<std::uint16_t>(Le(&bytes[2], 2));
            format.rate = Le(&bytes[4], 4);
            format.bytesPerSecond = Le(&bytes[8], 4);
            format.blockAlign = static_cast<std::uint16_t>(Le(&bytes[12], 2));
            format.bits = static_cast<std::uint16_t>(Le(&bytes[14], 2));
            haveFormat = true;
        } else if (std::memcmp(bytes.data(), "fact", 4) == 0 && size >= 4 && body + 4 <= riffEnd &&
                   read(body, bytes.data(), 4)) {
            format.factFrames = Le(&bytes[0], 4);
        } else if (std::memcmp(bytes.data(), "data", 4) == 0) {
            // A data chunk that runs past the RIFF chunk plays what lies within.
            if (!haveFormat) return std::nullopt;
            format.dataOffset = body;
            format.dataBytes = std::min(size, riffEnd - body);
            return format;
        }
        // Odd-sized chunks are followed by a pad byte.
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<PcmLayout> WavFormat::Pcm() const {
    if (tag != FormatPcm || (bits != 8 && bits != 16) || channels < 1 || channels > MaxChannels ||
        blockAlign != channels * bits / 8 || rate < MinRate || rate > MaxRate) {
        return std::nullopt;
    }
    return PcmLayout{rate, channels, bits == 8 ? SampleType::U8 : SampleType::S16};
}

std::optional<std::uint64_t> WavFormat::Frames() const {
    if (rate == 0 || blockAlign == 0) return std::nullopt;
    const bool plain =
        tag == FormatPcm || tag == FormatFloat || tag == FormatAlaw || tag == FormatMulaw || tag == FormatExtensible;
    if (plain) return dataBytes / blockAlign;
    if (factFrames) return *factFrames;
    if (bytesPerSecond == 0) return std::nullopt;
    return dataBytes * rate / bytesPerSecond;
}

std::optional<std::span<const std::uint8_t>> RiffExtent(const void* image) {
    static constexpr char Riff[] = "RIFF";
    if (!image) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(image);
    // Byte by byte, so that a short image of another kind is not read past its mismatch.
    for (int i = 0; i < 4; ++i) {
        if (bytes[i] != static_cast<std::uint8_t>(Riff[i])) return std::nullopt;
    }
    const std::uint64_t total = std::uint64_t{Le(bytes + 4, 4)} + 8;
    if (total < 12 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return std::nullopt;
    return std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(total));
}

std::optional<WavFormat> ReadWavFormat(std::span<const std::uint8_t> riff,
                                       void (*await)(const void* begin, std::uint64_t length)) {
    return Walk(riff.size(), [&](std::uint64_t at, std::uint8_t* out, std::size_t count) {
        if (at + count > riff.size()) return false;
        if (await) await(riff.data() + at, count);
        std::memcpy(out, riff.data() + at, count);
        return true;
    });
}

std::optional<WavFormat> ReadWavFile(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::OpenRegularFile(path.c_str()), std::fclose);
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0) return std::nullopt;
    return ReadWavStream(file.get(), static_cast<std::uint64_t>(info.st_size));
}

std::optional<WavFormat> ReadWavStream(std::FILE* file, std::uint64_t fileSize) {
    std::array<std::uint8_t, 8> header{};
    if (!file || std::fread(header.data(), 1, 8, file) != 8) return std::nullopt;
    const std::uint64_t riffEnd = std::min<std::uint64_t>(fileSize, std::uint64_t{Le(&header[4], 4)} + 8);
    return Walk(riffEnd, [&](std::uint64_t at, std::uint8_t* out, std::size_t count) {
        return ::fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(out, 1, count, file) == count;
    });
}

}  // namespace aud
