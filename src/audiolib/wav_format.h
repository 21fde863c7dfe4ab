// SPDX-License-Identifier: GPL-3.0-or-later
// What a WAV file holds, read from its chunks without decoding the sound:
// from an image in memory or from a file, never past its RIFF chunk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>

#include "audiolib/pcm_layout.h"

namespace aud {

// Rates a sound may have or be played at.
inline constexpr std::uint32_t MinRate = 1000;
inline constexpr std::uint32_t MaxRate = 768000;
inline constexpr std::uint16_t MaxChannels = 8;

struct WavFormat {
    std::uint16_t tag = 0;  // 1 = PCM
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::optional<std::uint32_t> factFrames;
    std::uint64_t dataOffset = 0;  // from the start of the file
    std::uint64_t dataBytes = 0;   // as much of the data chunk as lies within the RIFF chunk

    // The layout when the data is 8- or 16-bit PCM that can be played as it lies.
    std::optional<PcmLayout> Pcm() const;
    // How many frames the data holds; nothing when that cannot be told.
    std::optional<std::uint64_t> Frames() const;
};

// The bytes of a WAV image in memory: its RIFF chunk, whose size the header
// gives; nothing past it is read. Empty when the header is not that of a RIFF
// WAVE image.
std::optional<std::span<const std::uint8_t>> RiffExtent(const void* image);

// The format and data chunks of a RIFF chunk in memory, or of a file. `await`,
// when given, is called before each read of the memory with what it reads.
std::optional<WavFormat> ReadWavFormat(std::span<const std::uint8_t> riff,
                                       void (*await)(const void* begin, std::uint64_t length) = nullptr);
std::optional<WavFormat> ReadWavFile(const std::filesystem::path& path);
// The same from an open stream of fileSize bytes, read from its start.
std::optional<WavFormat> ReadWavStream(std::FILE* file, std::uint64_t fileSize);

}  // namespace aud
