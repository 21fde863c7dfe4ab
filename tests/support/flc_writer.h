// SPDX-License-Identifier: GPL-3.0-or-later
// FLC movies (magic 0xAF12, 8-bit pixels) for tests and benchmarks: every
// header field settable, chunks made by real encoders or given as raw bytes.
// Chunks are not padded to an even size: the format does not ask for it, and
// a reader that seeks by the chunk size finds the next chunk either way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flic/flc_format.h"

namespace flc {

// Colour indices, width * height of them, rows top to bottom.
using Image = std::vector<std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Chunk {
    std::uint16_t type = 0;
    Bytes data;                         // what follows the 6-byte chunk header
    std::optional<std::uint32_t> size;  // the header's size field; default 6 + data.size()
};

struct Frame {
    std::vector<Chunk> chunks;
    std::uint16_t type = 0xF1FA;
    std::optional<std::uint32_t> size = std::nullopt;  // the header's size field; default the bytes written
};

struct Movie {
    std::uint16_t width = 0, height = 0;
    std::vector<Frame> frames;
    std::uint16_t magic = 0xAF12;
    std::uint16_t flags = 3;
    std::uint32_t speed = 67;
    std::optional<std::uint16_t> frameCount;  // the header's count; default frames.size()
    bool prefix = false;                      // an empty prefix chunk (0xF100) that the first-frame offset passes over
    std::optional<Frame> ringFrame;           // written after the last frame, not counted
};

// The whole file: 128-byte header, then the frames; the file size, first and
// second frame offsets and every frame size are filled in.
Bytes Encode(const Movie& movie);
bool WriteFile(const std::string& path, const Movie& movie);

// Palette chunk of one packet, skip 0; up to 256 colours (count byte 0 for 256).
Chunk Palette(const std::vector<Rgb>& colours, std::uint16_t type = flic::Color256);
// Each packet's skip moves the colour index on from where the previous packet ended.
struct PalettePacket {
    std::uint8_t skip = 0;
    std::vector<Rgb> colours;
};
Chunk PalettePackets(const std::vector<PalettePacket>& packets, std::uint16_t type = flic::Color256);

// Run-length frame: per row a packet count byte (capped at 255), then packets
// of a signed count: positive repeats one byte (runs of 3 or more, at most
// 127), negative copies literal bytes (at most 128).
Chunk ByteRun(const Image& image, int width, int height);
// Word delta: a line count, then per changed line any line-skip words (top
// bits 11), the last-pixel word (top bits 10) when an odd width's last pixel
// changed, and the packet count. Packets hold a skip byte (skips over 255
// first take packets of skip 255 and count 0) and a signed count of pixel
// pairs: positive literal (at most 127), negative one repeated pair (runs of
// 2 or more pairs, at most 128).
Chunk DeltaFlc(const Image& previous, const Image& next, int width, int height);
// Byte delta: first changed row, number of rows up to the last changed one,
// per row a packet count byte, packets of a skip byte and a signed count:
// positive literal (at most 127), negative one repeated byte (runs of 3 or
// more, at most 128). Long skips split as in DeltaFlc. A row that would need
// more than 255 packets is written from its first to its last change as
// literals.
Chunk DeltaLc(const Image& previous, const Image& next, int width, int height);
// Uncompressed frame. Both sizes lay the next chunk right after the pixels;
// Short declares 2 bytes less, as readers that seek 2 bytes further expect.
enum class CopySize { Standard, Short };
Chunk Copy(const Image& image, int width, int height, CopySize size = CopySize::Standard);
Chunk Black();
// Height, width and a translation flag, then the stamp as a run-length chunk.
Chunk PostageStamp(const Image& stamp, int width, int height);

// A playable movie: frame 1 holds the palette and the first image; a ring
// frame takes the last image back to the first. Delta and DeltaLc start with a
// run-length frame; Copy uses CopySize::Short.
enum class Compression { Delta, ByteRun, DeltaLc, Copy };
Movie Animation(int width, int height, const std::vector<Image>& frames, const std::vector<Rgb>& palette,
                Compression compression);

// Frame number `frame` (from 0) of a deterministic animation in colour
// indices below `colours`: a still background whose top and bottom quarters
// never change, a moving box, a flickering stripe and a sliding bar.
Image TestPattern(int width, int height, int frame, int colours);

}  // namespace flc
