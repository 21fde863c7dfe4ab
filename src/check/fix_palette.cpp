#include "check/fix_palette.h"

#include <libimagequant.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "check/palette_fit.h"
#include "platform/byte_reader.h"
#include "still/bitmap_file.h"

namespace check {
namespace {

void NothingToServe() {}

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    auto operator<=>(const Rgb&) const = default;
};

// The picture as colours: indices into `colours`, rows bottom-up without padding.
struct Indexed {
    std::vector<Rgb> colours;
    std::vector<std::uint8_t> pixels;
};

template <typename T, auto destroy>
using Owned = std::unique_ptr<T, decltype([](T* object) { destroy(object); })>;

// Each colour the pixels use gets an entry of its own, in the order of the
// file's table; pixel values beyond the table show black.
Indexed UsedColours(const bitmap::Headers& headers, const std::vector<std::uint8_t>& pixels) {
    std::array<bool, 256> used{};
    for (const std::uint8_t pixel : pixels) used[pixel] = true;
    Indexed indexed;
    std::map<Rgb, std::uint8_t> entries;
    std::array<std::uint8_t, 256> entryOf{};
    for (int value = 0; value < 256; ++value) {
        if (!used[value]) continue;
        const win::RGBQUAD quad = value < headers.colours ? headers.info.colours[value] : win::RGBQUAD{};
        const Rgb colour{quad.rgbRed, quad.rgbGreen, quad.rgbBlue};
        const auto [at, added] = entries.emplace(colour, static_cast<std::uint8_t>(indexed.colours.size()));
        if (added) indexed.colours.push_back(colour);
        entryOf[value] = at->second;
    }
    indexed.pixels.reserve(pixels.size());
    for (const std::uint8_t pixel : pixels) indexed.pixels.push_back(entryOf[pixel]);
    return indexed;
}

// Quantizes to `FreeEntries` colours; no dithering, as pictures of up to
// 256 colours are mostly flat areas that dithering would speckle.
bool Reduce(Indexed& indexed, int width, int rows) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(indexed.pixels.size() * 4);
    for (const std::uint8_t pixel : indexed.pixels) {
        const Rgb& colour = indexed.colours[pixel];
        rgba.insert(rgba.end(), {colour.red, colour.green, colour.blue, 255});
    }
    const Owned<liq_attr, liq_attr_destroy> attributes(liq_attr_create());
    if (!attributes || liq_set_max_colors(attributes.get(), FreeEntries) != LIQ_OK) return false;
    const Owned<liq_image, liq_image_destroy> image(liq_image_create_rgba(attributes.get(), rgba.data(), width, rows, 0));
    liq_result* made = nullptr;
    if (!image || liq_image_quantize(image.get(), attributes.get(), &made) != LIQ_OK) return false;
    const Owned<liq_result, liq_result_destroy> result(made);
    liq_set_dithering_level(result.get(), 0);
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

std::vector<std::uint8_t> Encode(const win::BITMAPINFOHEADER& original, const Indexed& indexed, int width, int rows) {
    constexpr std::uint32_t DataOffset = 14 + 40 + 256 * 4;
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * rows);
    std::vector<std::uint8_t> out;
    out.reserve(DataOffset + imageSize);
    Put(out, 0x4D42, 2);
    Put(out, DataOffset + imageSize, 4);
    Put(out, 0, 4);
    Put(out, DataOffset, 4);
    Put(out, 40, 4);
    Put(out, static_cast<std::uint32_t>(original.biWidth), 4);
    Put(out, static_cast<std::uint32_t>(original.biHeight), 4);
    Put(out, 1, 2);
    Put(out, 8, 2);
    Put(out, win::BI_RGB, 4);
    Put(out, imageSize, 4);
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
    // The picture's rows are bottom-up; a top-down file stays top-down.
    const bool topDown = original.biHeight < 0;
    for (int row = 0; row < rows; ++row) {
        const int from = topDown ? rows - 1 - row : row;
        const auto pixels = indexed.pixels.begin() + static_cast<std::ptrdiff_t>(from) * width;
        for (int x = 0; x < width; ++x) out.push_back(static_cast<std::uint8_t>(FirstFreeEntry + pixels[x]));
        out.resize(out.size() + stride - width);
    }
    return out;
}

}  // namespace

PaletteFix FixPalette(const std::filesystem::path& in, const std::filesystem::path& out) {
    PaletteFix fix;
    const auto file = platform::ByteReader::Open(in.c_str());
    if (!file) {
        fix.error = in.string() + ": cannot be read";
        return fix;
    }
    bitmap::Headers headers;
    std::unique_ptr<SlidePicture> picture;
    const char* error = bitmap::ReadHeaders(*file, headers, NothingToServe);
    if (!error) error = bitmap::ReadPixels(*file, headers, &picture, NothingToServe);
    if (error) {
        fix.error = in.string() + ": " + error;
        return fix;
    }
    const win::BITMAPINFOHEADER& header = picture->info.header;
    const int width = header.biWidth;
    const int rows = header.biHeight;
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * rows);
    for (int row = 0; row < rows; ++row) {
        const auto start = picture->bits.begin() + static_cast<std::ptrdiff_t>(row * stride);
        pixels.insert(pixels.end(), start, start + width);
    }

    Indexed indexed = UsedColours(headers, pixels);
    fix.colours = static_cast<int>(indexed.colours.size());
    if (fix.colours > FreeEntries) {
        fix.reduced = true;
        if (!Reduce(indexed, width, rows)) {
            fix.error = in.string() + ": the colours could not be reduced";
            return fix;
        }
    }
    const std::vector<std::uint8_t> bytes = Encode(headers.info.header, indexed, width, rows);
    std::ofstream output(out, std::ios::binary);
    if (!output.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())) ||
        !output.flush())
        fix.error = out.string() + ": cannot be written";
    return fix;
}

}  // namespace check
