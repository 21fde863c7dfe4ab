// SPDX-License-Identifier: GPL-3.0-or-later
// The FLC file as the movie player reads it, apart from any window: the file
// header and the frame and chunk headers. Messages are the player's own, so
// that the player can show them and the checker can report them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/byte_reader.h"

namespace flic {

inline constexpr std::size_t HeaderSize = 128, FrameHeaderSize = 16, ChunkHeaderSize = 6;
inline constexpr std::uint16_t FrameType = 0xF1FA;
// Larger frames are refused like a failed allocation: no movie is that big,
// and every frame costs a pass over its buffer.
inline constexpr std::uint64_t MaxFrameBytes = std::uint64_t{64} << 20;

enum ChunkType : std::uint16_t {
    Color256 = 4,
    DeltaFlc = 7,
    Color64 = 11,
    DeltaFli = 12,
    Black = 13,
    ByteRun = 15,
    FliCopy = 16,
    PostageStamp = 18,
};

inline std::uint16_t WordAt(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }
inline std::uint32_t DwordAt(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(WordAt(bytes)) | static_cast<std::uint32_t>(WordAt(bytes + 2)) << 16;
}

struct Header {
    std::uint16_t frames = 0;
    std::uint16_t width = 0, height = 0;
    std::uint32_t firstFrame = 0;  // file position of frame 1
};

// Reads and checks the file header at the reader's position; empty when it
// is accepted, otherwise the player's message, which names `baseName`.
std::string ReadHeader(platform::ByteReader& file, const char* baseName, Header& header);

// Bytes of one row of the frame buffer: the width rounded up to 4.
inline std::uint64_t FrameStride(std::uint32_t width) { return (std::uint64_t{width} + 3) / 4 * 4; }

// Where the chunk after an uncompressed (FLI_COPY) chunk at `position` of
// `size` bytes begins, past position + size: the player's own files put it 2
// bytes further, files with the published size right there. `frameEnd` is
// where the frame header says the frame ends; the last chunk of a frame is
// followed by a frame header. Leaves the reader where it was.
std::uint64_t CopyChunkPadding(platform::ByteReader& file, std::uint64_t position, std::uint32_t size,
                               std::uint64_t frameEnd, bool lastOfFrame);

}  // namespace flic
