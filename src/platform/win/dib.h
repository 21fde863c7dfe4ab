// SPDX-License-Identifier: GPL-3.0-or-later
// Copying 8-bit device-independent bitmaps onto the screen surface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/win/win.h"

namespace platform {

class Screen;

// The parts of a BITMAPINFO the layer draws: 8-bit, uncompressed only.
struct DibLayout {
    int width = 0;
    int height = 0;  // rows, always positive
    bool bottomUp = true;
    std::size_t stride = 0;  // bytes per row, a multiple of 4
    int colours = 0;         // entries in the colour table
};
std::optional<DibLayout> ReadDibLayout(const win::BITMAPINFO* info);

// The header of a bottom-up 8-bit uncompressed DIB of all 256 colours, the
// kind the player draws: stills and movie frames.
win::BITMAPINFOHEADER EightBitDibHeader(std::uint32_t width, std::uint32_t height, std::uint64_t imageBytes);

// The rows a bitmap's buffer holds: `count` rows from `first` (as the
// bitmap counts them: from the bottom for bottom-up bitmaps).
struct DibBand {
    const std::uint8_t* bits = nullptr;
    int first = 0;
    int count = 0;
};

// One axis of a copy: destination start and extent, source start and
// extent; extents of opposite signs mirror.
struct Span {
    long long destStart, destExtent, sourceStart, sourceExtent;
};

// Copies with nearest-neighbour sampling, pixel values translated through
// `lookup`, clipped to `clip` (surface coordinates) and to the source
// bitmap. Source y is in top-down rows of the bitmap.
void CopyDib(Screen& screen, const win::RECT& clip, const DibLayout& layout, const DibBand& band,
             const std::array<std::uint8_t, 256>& lookup, const Span& x, const Span& y);

}  // namespace platform
