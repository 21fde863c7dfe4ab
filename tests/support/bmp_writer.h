// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap files for tests: crafted ones, with every header field settable, and
// ones made and decoded by the image tool (ImageMagick's convert), which gives
// an independent view of what a file holds.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

// The fields of a bitmap file. Sizes and offsets left at Computed are
// computed from the colours and pixel data; every other field is written as
// given. The pixel data follow the colour table after `gap` filler bytes.
struct BmpFile {
    static constexpr std::uint32_t Computed = 0xFFFFFFFF;
    std::uint16_t type = 0x4D42;
    std::uint32_t offBits = Computed;
    std::uint32_t gap = 0;
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = Computed;
    std::uint32_t clrUsed = 0;
    std::vector<Rgb> colours;          // the colour table
    std::vector<std::uint8_t> pixels;  // the pixel data as stored

    std::vector<std::uint8_t> Bytes() const;
};

// Packs pixels (one value per pixel, rows top to bottom) into stored rows of
// `bitCount` bits per pixel, padded to 4 bytes, bottom-up unless topDown.
std::vector<std::uint8_t> PackRows(const std::vector<std::uint8_t>& pixels, int width, int height, int bitCount,
                                   bool topDown = false);

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

// Runs the image tool to write a Windows 3 bitmap: `convert ARGS BMP3:OUTPUT`.
// False when it failed.
bool MakeBmpWithTool(const std::string& args, const std::filesystem::path& output);

// The tool's decode of a picture file: RGB per pixel, rows top to bottom.
struct ToolImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
ToolImage DecodeWithTool(const std::filesystem::path& picture);

}  // namespace test
