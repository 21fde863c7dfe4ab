// SPDX-License-Identifier: GPL-3.0-or-later
// A movie as the player's frame loop walks it, kept as the bytes of each
// chunk, so that its colours can be counted and its pixels remapped in place
// without decoding or encoding a frame.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "check/colours.h"
#include "flic/flc_format.h"
#include "platform/core/byte_reader.h"

namespace check {

using MovieColours = std::array<Rgb, 256>;

struct MovieChunk {
    std::uint16_t type = 0;
    // The chunk header, its data and the bytes the player passes over after them.
    std::vector<std::uint8_t> bytes;
};

struct MovieFrame {
    std::array<std::uint8_t, flic::FrameHeaderSize> header{};
    std::vector<MovieChunk> chunks;
};

struct MovieFile {
    std::array<std::uint8_t, flic::HeaderSize> header{};
    std::uint16_t width = 0, height = 0;
    std::vector<MovieFrame> frames;  // those the header counts
};

// The frames as the player walks them; nullopt when the walk fails (the
// player's decoder says why).
std::optional<MovieFile> ReadMovie(platform::ByteReader& file);

// The file: the header with its sizes and frame offsets brought up to date,
// then the frames, each chunk as it is held.
std::vector<std::uint8_t> EncodeMovie(const MovieFile& movie);

bool DrawsPixels(std::uint16_t type);
bool IsPalette(std::uint16_t type);

// Calls `visit` for each byte of a pixel chunk that becomes a pixel value,
// with the number of pixels it draws; `visit` may change the byte. A black
// chunk has no such byte. False when the chunk ends before its data do.
using PixelVisitor = std::function<void(std::uint8_t& value, std::uint64_t pixels)>;
bool VisitPixels(MovieChunk& chunk, const MovieFile& movie, const PixelVisitor& visit);

// The colours after a palette chunk, entries it does not name kept.
void ApplyPalette(const MovieChunk& chunk, MovieColours& colours);
// A palette chunk of `type` naming entries from `first` on.
MovieChunk PaletteChunk(std::uint16_t type, std::uint8_t first, const std::vector<Rgb>& colours);
// A run-length chunk that fills the frame with one value.
MovieChunk FillChunk(const MovieFile& movie, std::uint8_t value);

}  // namespace check
