// SPDX-License-Identifier: GPL-3.0-or-later
// The FLC file header and the walk over frame and chunk headers.
#include "flic/flc_format.h"

#include <cstdio>

namespace flic {
namespace {

constexpr std::uint16_t FlcMagic = 0xAF12;
constexpr std::uint16_t ClosedFlags = 3;

std::string Format(const char* format, auto... values) {
    char text[1024];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

bool IsChunkType(std::uint16_t type) {
    switch (type) {
        case Color256:
        case DeltaFlc:
        case Color64:
        case DeltaFli:
        case Black:
        case ByteRun:
        case FliCopy:
        case PostageStamp: return true;
        default: return false;
    }
}

// Whether a chunk header (or, after the last chunk of a frame, a frame header)
// can start at `position`.
bool PlausibleHeaderAt(platform::ByteReader& file, std::uint64_t position, std::uint64_t frameEnd, bool lastOfFrame) {
    const std::uint64_t resume = file.Position();
    std::uint8_t header[ChunkHeaderSize];
    const bool read = file.Seek(position) && file.Read(header, sizeof header);
    file.Seek(resume);
    if (!read) return false;
    const std::uint16_t type = WordAt(header + 4);
    if (lastOfFrame) return type == FrameType;
    const std::uint32_t size = DwordAt(header);
    return IsChunkType(type) && size >= ChunkHeaderSize && position + size <= frameEnd;
}

}  // namespace

std::string ReadHeader(platform::ByteReader& file, const char* baseName, Header& header) {
    std::uint8_t bytes[HeaderSize];
    if (!file.Read(bytes, sizeof bytes)) return "Unable to read Flic header.";
    if (WordAt(bytes + 4) != FlcMagic) return Format("%s is not a Flic file!", baseName);
    if (WordAt(bytes + 14) != ClosedFlags) return Format("%s was not closed properly!", baseName);
    header.frames = WordAt(bytes + 6);
    header.width = WordAt(bytes + 8);
    header.height = WordAt(bytes + 10);
    header.firstFrame = DwordAt(bytes + 80);
    return {};
}

std::uint64_t CopyChunkPadding(platform::ByteReader& file, std::uint64_t position, std::uint32_t size,
                               std::uint64_t frameEnd, bool lastOfFrame) {
    const bool padded = PlausibleHeaderAt(file, position + size + 2, frameEnd, lastOfFrame) ||
                        !PlausibleHeaderAt(file, position + size, frameEnd, lastOfFrame);
    return padded ? 2 : 0;
}

}  // namespace flic
