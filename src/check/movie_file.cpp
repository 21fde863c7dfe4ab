// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/movie_file.h"

#include <algorithm>

namespace check {
namespace {

using flic::ChunkHeaderSize;
using flic::DwordAt;
using flic::WordAt;

void PutAt(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    out.resize(out.size() + static_cast<std::size_t>(bytes));
    PutAt(out.data() + out.size() - static_cast<std::size_t>(bytes), value, bytes);
}

// Reads a chunk's data from a byte position on; every read is checked.
class ChunkData {
public:
    explicit ChunkData(MovieChunk& chunk) : bytes_(chunk.bytes), next_(ChunkHeaderSize) {}
    std::uint8_t* Take(std::size_t count) {
        if (bytes_.size() - next_ < count) return nullptr;
        std::uint8_t* at = bytes_.data() + next_;
        next_ += count;
        return at;
    }
    bool Byte(std::uint8_t& out) {
        const std::uint8_t* at = Take(1);
        if (at) out = *at;
        return at;
    }
    bool Word(std::uint16_t& out) {
        const std::uint8_t* at = Take(2);
        if (at) out = WordAt(at);
        return at;
    }

private:
    std::vector<std::uint8_t>& bytes_;
    std::size_t next_;
};

bool Literal(ChunkData& data, std::size_t count, const PixelVisitor& visit) {
    std::uint8_t* at = data.Take(count);
    if (!at) return false;
    for (std::size_t i = 0; i < count; ++i) visit(at[i], 1);
    return true;
}

bool ByteRunPixels(ChunkData& data, const MovieFile& movie, const PixelVisitor& visit) {
    for (std::uint32_t y = 0; y < movie.height; ++y) {
        std::uint8_t ignored = 0;
        if (!data.Byte(ignored)) return false;
        for (std::int64_t column = 0; column < movie.width;) {
            std::uint8_t countByte = 0;
            if (!data.Byte(countByte)) return false;
            const auto count = static_cast<std::int8_t>(countByte);
            if (count < 0) {
                if (!Literal(data, static_cast<std::size_t>(-count), visit)) return false;
                column -= count;
            } else {
                std::uint8_t* value = data.Take(1);
                if (!value) return false;
                visit(*value, static_cast<std::uint64_t>(count));
                column += count;
            }
        }
    }
    return true;
}

bool DeltaFlcPixels(ChunkData& data, const PixelVisitor& visit) {
    std::uint16_t lines = 0;
    if (!data.Word(lines)) return false;
    for (std::uint32_t decoded = 0; decoded < lines;) {
        std::uint8_t* opcodeAt = data.Take(2);
        if (!opcodeAt) return false;
        std::uint16_t packets = WordAt(opcodeAt);
        switch (packets >> 14) {
            case 3: continue;
            case 1: return false;
            case 2:
                // The last pixel of the line is the opcode's low byte.
                visit(opcodeAt[0], 1);
                if (!data.Word(packets)) return false;
                break;
            default: break;
        }
        for (std::uint32_t packet = 0; packet < packets; ++packet) {
            std::uint8_t skip = 0, countByte = 0;
            if (!data.Byte(skip) || !data.Byte(countByte)) return false;
            const auto count = static_cast<std::int8_t>(countByte);
            if (count > 0) {
                if (!Literal(data, 2 * static_cast<std::size_t>(count), visit)) return false;
            } else if (count < 0) {
                std::uint8_t* pair = data.Take(2);
                if (!pair) return false;
                visit(pair[0], static_cast<std::uint64_t>(-count));
                visit(pair[1], static_cast<std::uint64_t>(-count));
            }
        }
        ++decoded;
    }
    return true;
}

bool DeltaFliPixels(ChunkData& data, const PixelVisitor& visit) {
    std::uint16_t firstLine = 0, lines = 0;
    if (!data.Word(firstLine) || !data.Word(lines)) return false;
    for (std::uint32_t line = 0; line < lines; ++line) {
        std::uint8_t packets = 0;
        if (!data.Byte(packets)) return false;
        for (unsigned packet = 0; packet < packets; ++packet) {
            std::uint8_t skip = 0, countByte = 0;
            if (!data.Byte(skip) || !data.Byte(countByte)) return false;
            const auto count = static_cast<std::int8_t>(countByte);
            if (count > 0) {
                if (!Literal(data, static_cast<std::size_t>(count), visit)) return false;
            } else if (count < 0) {
                std::uint8_t* value = data.Take(1);
                if (!value) return false;
                visit(*value, static_cast<std::uint64_t>(-count));
            }
        }
    }
    return true;
}

}  // namespace

std::optional<MovieFile> ReadMovie(platform::ByteReader& file) {
    MovieFile movie;
    flic::Header header;
    if (!flic::ReadHeader(file, "", header).empty() || !file.Seek(0) ||
        !file.Read(movie.header.data(), flic::HeaderSize))
        return std::nullopt;
    movie.width = header.width;
    movie.height = header.height;
    if (!file.Seek(header.firstFrame)) return std::nullopt;
    for (std::uint32_t number = 1; number <= header.frames; ++number) {
        MovieFrame& frame = movie.frames.emplace_back();
        const std::uint64_t frameStart = file.Position();
        if (!file.Read(frame.header.data(), frame.header.size()) || WordAt(frame.header.data() + 4) != flic::FrameType)
            return std::nullopt;
        const std::uint64_t frameEnd = frameStart + DwordAt(frame.header.data());
        const std::uint16_t chunks = WordAt(frame.header.data() + 6);
        for (std::uint32_t index = 0; index < chunks; ++index) {
            const std::uint64_t start = file.Position();
            std::uint8_t chunkHeader[ChunkHeaderSize];
            if (!file.Read(chunkHeader, sizeof chunkHeader)) return std::nullopt;
            MovieChunk& chunk = frame.chunks.emplace_back();
            chunk.type = WordAt(chunkHeader + 4);
            const std::uint32_t size = DwordAt(chunkHeader);
            std::uint64_t next = start + size;
            if (chunk.type == flic::FliCopy)
                next += flic::CopyChunkPadding(file, start, size, frameEnd, index + 1 == chunks);
            if (next < start + ChunkHeaderSize || next > file.Size()) return std::nullopt;
            chunk.bytes.resize(static_cast<std::size_t>(next - start));
            if (!file.Seek(start) || !file.Read(chunk.bytes.data(), chunk.bytes.size())) return std::nullopt;
        }
    }
    return movie;
}

std::vector<std::uint8_t> EncodeMovie(const MovieFile& movie) {
    std::vector<std::uint8_t> out(movie.header.begin(), movie.header.end());
    std::uint32_t secondFrame = flic::HeaderSize;
    for (const MovieFrame& frame : movie.frames) {
        const std::size_t start = out.size();
        out.insert(out.end(), frame.header.begin(), frame.header.end());
        PutAt(out.data() + start + 6, static_cast<std::uint32_t>(frame.chunks.size()), 2);
        for (const MovieChunk& chunk : frame.chunks) out.insert(out.end(), chunk.bytes.begin(), chunk.bytes.end());
        PutAt(out.data() + start, static_cast<std::uint32_t>(out.size() - start), 4);
        if (&frame == movie.frames.data()) secondFrame = static_cast<std::uint32_t>(out.size());
    }
    PutAt(out.data(), static_cast<std::uint32_t>(out.size()), 4);
    PutAt(out.data() + 80, flic::HeaderSize, 4);
    PutAt(out.data() + 84, secondFrame, 4);
    return out;
}

bool DrawsPixels(std::uint16_t type) {
    return type == flic::DeltaFlc || type == flic::DeltaFli || type == flic::Black || type == flic::ByteRun ||
           type == flic::FliCopy;
}

bool IsPalette(std::uint16_t type) { return type == flic::Color256 || type == flic::Color64; }

bool VisitPixels(MovieChunk& chunk, const MovieFile& movie, const PixelVisitor& visit) {
    ChunkData data(chunk);
    switch (chunk.type) {
        case flic::ByteRun: return ByteRunPixels(data, movie, visit);
        case flic::DeltaFlc: return DeltaFlcPixels(data, visit);
        case flic::DeltaFli: return DeltaFliPixels(data, visit);
        case flic::FliCopy: return Literal(data, std::size_t{movie.width} * movie.height, visit);
        default: return true;
    }
}

void ApplyPalette(const MovieChunk& chunk, MovieColours& colours) {
    MovieChunk copy = chunk;
    ChunkData data(copy);
    std::uint16_t packets = 0;
    if (!data.Word(packets)) return;
    unsigned index = 0;
    for (std::uint16_t packet = 0; packet < packets; ++packet) {
        std::uint8_t skip = 0, countByte = 0;
        if (!data.Byte(skip) || !data.Byte(countByte)) return;
        index += skip;
        for (unsigned i = 0; i < (countByte ? countByte : 256u); ++i, ++index) {
            const std::uint8_t* rgb = data.Take(3);
            if (!rgb) return;
            if (index < colours.size()) colours[index] = {rgb[0], rgb[1], rgb[2]};
        }
    }
}

MovieChunk PaletteChunk(std::uint16_t type, std::uint8_t first, const std::vector<Rgb>& colours) {
    MovieChunk chunk{type, {}};
    Put(chunk.bytes, static_cast<std::uint32_t>(ChunkHeaderSize + 4 + 3 * colours.size()), 4);
    Put(chunk.bytes, type, 2);
    Put(chunk.bytes, 1, 2);
    chunk.bytes.push_back(first);
    chunk.bytes.push_back(static_cast<std::uint8_t>(colours.size()));  // 0 stands for 256
    for (const Rgb& colour : colours) chunk.bytes.insert(chunk.bytes.end(), {colour.red, colour.green, colour.blue});
    return chunk;
}

MovieChunk FillChunk(const MovieFile& movie, std::uint8_t value) {
    MovieChunk chunk{flic::ByteRun, std::vector<std::uint8_t>(ChunkHeaderSize)};
    for (std::uint32_t y = 0; y < movie.height; ++y) {
        const std::size_t countAt = chunk.bytes.size();
        chunk.bytes.push_back(0);
        std::uint8_t packets = 0;
        for (std::uint32_t left = movie.width; left > 0; ++packets) {
            const std::uint32_t run = std::min<std::uint32_t>(left, 127);
            chunk.bytes.insert(chunk.bytes.end(), {static_cast<std::uint8_t>(run), value});
            left -= run;
        }
        chunk.bytes[countAt] = packets;
    }
    PutAt(chunk.bytes.data(), static_cast<std::uint32_t>(chunk.bytes.size()), 4);
    PutAt(chunk.bytes.data() + 4, flic::ByteRun, 2);
    return chunk;
}

}  // namespace check
