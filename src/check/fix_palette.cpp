// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/fix_palette.h"

#include <libimagequant.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "check/colours.h"
#include "check/palette_fit.h"
#include "platform/core/byte_reader.h"
#include "still/bitmap_file.h"

namespace check {
namespace {

void NothingToServe() {}

constexpr std::uint32_t FileHeaderSize = 14, InfoHeaderSize = 40;

// The picture as colours, rows bottom-up without padding, and what of its
// file the copy keeps.
struct Picture {
    win::BITMAPINFOHEADER header{};
    int width = 0, rows = 0;
    std::vector<Rgb> pixels;
};

// The picture as entries: indices into `colours`, rows bottom-up without padding.
struct Indexed {
    std::vector<Rgb> colours;
    std::vector<std::uint8_t> pixels;
};

template <typename T, auto destroy>
using Owned = std::unique_ptr<T, decltype([](T* object) { destroy(object); })>;

std::string ReadPalettePicture(platform::ByteReader& file, Picture& picture) {
    bitmap::Headers headers;
    std::unique_ptr<SlidePicture> slide;
    const char* error = bitmap::ReadHeaders(file, headers, NothingToServe);
    picture.header = headers.info.header;
    if (!error) error = bitmap::ReadPixels(file, headers, &slide, NothingToServe);
    if (error) return error;
    // The loader turns every layout into 8-bit rows, bottom-up; pixel values
    // beyond the table show black.
    picture.width = slide->info.header.biWidth;
    picture.rows = slide->info.header.biHeight;
    const std::size_t stride = (static_cast<std::size_t>(picture.width) + 3) / 4 * 4;
    for (int row = 0; row < picture.rows; ++row)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t value =
                slide->bits[static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(x)];
            const win::RGBQUAD quad = value < headers.colours ? headers.info.colours[value] : win::RGBQUAD{};
            picture.pixels.push_back({quad.rgbRed, quad.rgbGreen, quad.rgbBlue});
        }
    return {};
}

// An uncompressed 24-bit picture, which the player does not load.
std::string ReadTrueColourPicture(platform::ByteReader& file, Picture& picture) {
    win::BITMAPFILEHEADER fileHeader{};
    win::BITMAPINFOHEADER& header = picture.header;
    if (!file.Seek(0) || !file.Read(&fileHeader, FileHeaderSize) || !file.Read(&header, InfoHeaderSize))
        return "Unable to read bitmap header";
    if (header.biBitCount != 24 || header.biCompression != win::BI_RGB || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biWidth > 65535 || header.biHeight > 65535 || header.biHeight < -65535)
        return "a true-colour picture of a kind not supported: only uncompressed 24-bit pictures are";
    picture.width = header.biWidth;
    picture.rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> row(stride);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.rows));
    if (!file.Seek(fileHeader.bfOffBits)) return "Error reading bitmap data";
    for (int stored = 0; stored < picture.rows; ++stored) {
        if (!file.Read(row.data(), stride)) return "Error reading bitmap data";
        const int bottomUp = header.biHeight < 0 ? picture.rows - 1 - stored : stored;
        Rgb* pixels =
            picture.pixels.data() + static_cast<std::size_t>(bottomUp) * static_cast<std::size_t>(picture.width);
        for (std::size_t x = 0; x < static_cast<std::size_t>(picture.width); ++x)
            pixels[x] = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    }
    return {};
}

// Each colour gets an entry of its own while they fit; false when they do not.
bool IndexExactly(const Picture& picture, Indexed& indexed) {
    std::map<Rgb, std::uint8_t> entries;
    indexed.pixels.reserve(picture.pixels.size());
    for (const Rgb& colour : picture.pixels) {
        const auto [at, added] = entries.emplace(colour, static_cast<std::uint8_t>(indexed.colours.size()));
        if (added) {
            if (indexed.colours.size() == FreeEntries) return false;
            indexed.colours.push_back(colour);
        }
        indexed.pixels.push_back(at->second);
    }
    return true;
}

// Quantizes to `FreeEntries` colours; no dithering, as pictures of up to
// 256 colours are mostly flat areas that dithering would speckle.
bool Reduce(const Picture& picture, Indexed& indexed) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(picture.pixels.size() * 4);
    for (const Rgb& colour : picture.pixels) rgba.insert(rgba.end(), {colour.red, colour.green, colour.blue, 255});
    const Owned<liq_attr, liq_attr_destroy> attributes(liq_attr_create());
    if (!attributes || liq_set_max_colors(attributes.get(), FreeEntries) != LIQ_OK) return false;
    const Owned<liq_image, liq_image_destroy> image(
        liq_image_create_rgba(attributes.get(), rgba.data(), picture.width, picture.rows, 0));
    liq_result* made = nullptr;
    if (!image || liq_image_quantize(image.get(), attributes.get(), &made) != LIQ_OK) return false;
    const Owned<liq_result, liq_result_destroy> result(made);
    liq_set_dithering_level(result.get(), 0);
    indexed.pixels.resize(picture.pixels.size());
    if (liq_write_remapped_image(result.get(), image.get(), indexed.pixels.data(), indexed.pixels.size()) != LIQ_OK)
        return false;
    const liq_palette* palette = liq_get_palette(result.get());
    indexed.colours.clear();
    for (unsigned i = 0; i < palette->count; ++i)
        indexed.colours.push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    return true;
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One row in run-length form: runs of one value, and stretches of three or
// more values that repeat nothing as literals.
void PutRunLengthRow(std::vector<std::uint8_t>& out, const std::uint8_t* row, int width) {
    for (int x = 0; x < width;) {
        int run = 1;
        while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
        if (run > 1) {
            out.insert(out.end(), {static_cast<std::uint8_t>(run), row[x]});
            x += run;
            continue;
        }
        int end = x + 1;
        while (end < width && end - x < 255 && !(end + 1 < width && row[end] == row[end + 1])) ++end;
        const int count = end - x;
        if (count < 3) {
            for (; x < end; ++x) out.insert(out.end(), {1, row[x]});
            continue;
        }
        out.insert(out.end(), {0, static_cast<std::uint8_t>(count)});
        out.insert(out.end(), row + x, row + end);
        if (count % 2) out.push_back(0);
        x = end;
    }
}

// The pixels as the copy stores them: entries raised to the free ones, rows
// padded to 4 bytes in the original's row order, or run-length rows when the
// original was compressed.
std::vector<std::uint8_t> PixelData(const Picture& picture, const Indexed& indexed, bool runLength) {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width));
    const std::size_t stride = (row.size() + 3) / 4 * 4;
    const bool topDown = picture.header.biHeight < 0;
    for (int stored = 0; stored < picture.rows; ++stored) {
        const int from = topDown ? picture.rows - 1 - stored : stored;
        const auto pixels = indexed.pixels.begin() + static_cast<std::ptrdiff_t>(from) * picture.width;
        for (int x = 0; x < picture.width; ++x) row[x] = static_cast<std::uint8_t>(FirstFreeEntry + pixels[x]);
        if (runLength) {
            PutRunLengthRow(data, row.data(), picture.width);
            data.insert(data.end(), {0, static_cast<std::uint8_t>(stored + 1 == picture.rows ? 1 : 0)});
        } else {
            data.insert(data.end(), row.begin(), row.end());
            data.resize(data.size() + stride - row.size());
        }
    }
    return data;
}

std::vector<std::uint8_t> Encode(const Picture& picture, const Indexed& indexed) {
    const win::BITMAPINFOHEADER& original = picture.header;
    const bool runLength = original.biCompression == win::BI_RLE8 || original.biCompression == win::BI_RLE4;
    const std::vector<std::uint8_t> data = PixelData(picture, indexed, runLength);
    constexpr std::uint32_t DataOffset = FileHeaderSize + InfoHeaderSize + 256 * 4;
    std::vector<std::uint8_t> out;
    out.reserve(DataOffset + data.size());
    Put(out, 0x4D42, 2);
    Put(out, DataOffset + static_cast<std::uint32_t>(data.size()), 4);
    Put(out, 0, 4);
    Put(out, DataOffset, 4);
    Put(out, InfoHeaderSize, 4);
    Put(out, static_cast<std::uint32_t>(original.biWidth), 4);
    Put(out, static_cast<std::uint32_t>(original.biHeight), 4);
    Put(out, 1, 2);
    Put(out, 8, 2);
    Put(out, runLength ? win::BI_RLE8 : win::BI_RGB, 4);
    Put(out, static_cast<std::uint32_t>(data.size()), 4);
    Put(out, static_cast<std::uint32_t>(original.biXPelsPerMeter), 4);
    Put(out, static_cast<std::uint32_t>(original.biYPelsPerMeter), 4);
    Put(out, 256, 4);
    Put(out, 0, 4);
    for (int entry = 0; entry < 256; ++entry) {
        const int colour = entry - FirstFreeEntry;
        win::RGBQUAD quad{};
        if (entry < FirstFreeEntry || entry >= FirstFreeEntry + FreeEntries) {
            quad = KeptColour(Display::Static, entry);
        } else if (colour < static_cast<int>(indexed.colours.size())) {
            const Rgb& rgb = indexed.colours[static_cast<std::size_t>(colour)];
            quad = {rgb.blue, rgb.green, rgb.red, 0};
        }
        out.insert(out.end(), {quad.rgbBlue, quad.rgbGreen, quad.rgbRed, 0});
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

}  // namespace

bool WriteCopy(const std::filesystem::path& out, const std::vector<std::uint8_t>& bytes) {
    std::ofstream output(out, std::ios::binary);
    return output.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())) &&
           output.flush();
}

PaletteFix FixPalette(const std::filesystem::path& in, const std::filesystem::path& out) {
    PaletteFix fix;
    const auto file = platform::ByteReader::Open(in.c_str());
    if (!file) {
        fix.error = in.string() + ": cannot be read";
        return fix;
    }
    Picture picture;
    std::string error = ReadPalettePicture(*file, picture);
    if (picture.header.biBitCount == 24) error = ReadTrueColourPicture(*file, picture);
    if (!error.empty()) {
        fix.error = in.string() + ": " + error;
        return fix;
    }

    Indexed indexed;
    if (!IndexExactly(picture, indexed)) {
        fix.reduced = true;
        if (!Reduce(picture, indexed)) {
            fix.error = in.string() + ": the colours could not be reduced";
            return fix;
        }
    }
    fix.colours = static_cast<int>(fix.reduced ? std::set<Rgb>(picture.pixels.begin(), picture.pixels.end()).size()
                                               : indexed.colours.size());
    const std::vector<std::uint8_t> bytes = Encode(picture, indexed);
    if (!WriteCopy(out, bytes)) fix.error = out.string() + ": cannot be written";
    return fix;
}

}  // namespace check
