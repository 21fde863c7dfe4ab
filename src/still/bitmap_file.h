// SPDX-License-Identifier: GPL-3.0-or-later
// A Windows bitmap file as the slide loader reads it, apart from any window or
// palette: the name it is looked for under, the two headers, and the pixel
// data in any layout a palette bitmap may have. Each step gives the loader's
// own message for what it refuses, so that the player can show it and the
// checker can report it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/win.h"

namespace platform {
class ByteReader;
}

// The 8-bit DIB a slide draws: header, a colour table of palette indices
// 0..255 (DIB_PAL_COLORS) and the pixels, rows bottom-up and padded to 4 bytes.
struct SlidePicture {
    struct Info {
        win::BITMAPINFOHEADER header;
        win::WORD indices[256];
    } info;
    std::vector<std::uint8_t> bits;

    const win::BITMAPINFO* BitmapInfo() const { return reinterpret_cast<const win::BITMAPINFO*>(&info); }
};

namespace bitmap {

// The information block as it follows the file header: header and colour table.
struct InfoBlock {
    win::BITMAPINFOHEADER header;
    win::RGBQUAD colours[256];
};

struct Headers {
    win::BITMAPFILEHEADER file{};
    InfoBlock info{};
    int colours = 0;               // entries of the colour table the picture uses, at most 256
    std::uint64_t dataOffset = 0;  // where the pixel data start
};

// Lets the audio library work between the reads of a long load.
using Serve = std::function<void()>;

// The name a still is loaded from: "bmp" is added when the name has no
// extension, or only a dot.
std::string CompletedName(const char* name);

// Reads and checks the file header and the information block; null when
// they are accepted, otherwise the loader's message.
const char* ReadHeaders(platform::ByteReader& source, Headers& headers, const Serve& serve);

// Reads the pixel data into `*picture`: 8 bits a pixel, rows bottom-up. Null
// when all is read, otherwise the loader's message; `*picture` may then hold
// what was read. Without `picture` the data are only checked: plain data
// that are all there are not read at all.
const char* ReadPixels(platform::ByteReader& source, const Headers& headers, std::unique_ptr<SlidePicture>* picture,
                       const Serve& serve);

// How far the pixels of a picture of `colours` colours are moved up when the
// display keeps `kept` entries at each end of the palette: pictures with few
// colours are moved clear of them, a full table is not moved.
int ColourShift(int colours, int kept);

}  // namespace bitmap
