// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap file as the slide loader reads it: file name completion, the two
// headers, and the pixel data in any layout a palette bitmap may have.
#include "still/bitmap_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include "platform/core/byte_reader.h"
#include "platform/win/dib.h"
#include "still/bitmap_pixels.h"

static_assert(std::endian::native == std::endian::little, "bitmap headers are read as they lie in the file");

namespace bitmap {
namespace {

constexpr win::WORD BitmapType = 0x4D42;  // "BM"
constexpr std::size_t BlockSize = 8192;
constexpr int PaletteSize = 256;

// An RLE picture may be larger than its data, but not without bound: up to
// this size it is always taken, beyond it at most this many bytes per data byte.
constexpr std::uint64_t RleFreeBytes = std::uint64_t{4} << 20;
constexpr std::uint64_t RleMaxExpansion = 256;
// As for a movie's frame: more is a hostile header, never read.
constexpr std::uint64_t MaxPictureBytes = std::uint64_t{64} << 20;

constexpr const char* InfoReadError = "Unable to read bitmap information";
constexpr const char* BlockReadError = "Error in read of .BMP file into memory";
constexpr const char* LastReadError = "Error in last read of .BMP file into memory";

// Shapes of palette bitmaps the loader can show.
bool IsKnownLayout(const win::BITMAPINFOHEADER& header) {
    switch (header.biCompression) {
        case win::BI_RGB: return header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8;
        case win::BI_RLE8: return header.biBitCount == 8;
        case win::BI_RLE4: return header.biBitCount == 4;
        default: return false;
    }
}

// Bytes of the source from `offset` to its end. Leaves the source at `offset`,
// or at its end when that comes first: reads from there fail as from beyond it.
std::uint64_t BytesFrom(platform::ByteReader& source, std::uint64_t offset) {
    const std::uint64_t size = source.Size();
    if (!source.Seek(std::min(offset, size))) return 0;
    return size > offset ? size - offset : 0;
}

// Reads `count` bytes in blocks of 8,192, serving the sound around every
// read. Without `keep` the file is known to be too short: the bytes go to a
// scratch block and the reads only find where it ends.
const char* ReadBlocks(platform::ByteReader& source, std::uint8_t* destination, std::uint64_t count, const Serve& serve,
                       bool keep = true) {
    std::array<std::uint8_t, BlockSize> scratch;
    std::uint8_t* at = keep ? destination : scratch.data();
    std::uint64_t remaining = count;
    while (remaining >= BlockSize) {
        serve();
        const bool read = source.Read(at, BlockSize);
        serve();
        if (!read) return BlockReadError;
        remaining -= BlockSize;
        if (keep) at += BlockSize;
    }
    if (remaining != 0) {
        const std::size_t wanted = keep ? remaining : std::min<std::uint64_t>(remaining, BlockSize);
        serve();
        const bool read = source.Read(at, wanted);
        serve();
        if (!read) return LastReadError;
    }
    return keep ? nullptr : LastReadError;
}

std::unique_ptr<SlidePicture> MakePicture(std::uint32_t width, std::uint32_t rows, std::uint64_t stride) {
    auto picture = std::make_unique<SlidePicture>();
    picture->info.header = platform::EightBitDibHeader(width, rows, stride * rows);
    for (int i = 0; i < PaletteSize; ++i) picture->info.indices[i] = static_cast<win::WORD>(i);
    picture->bits.assign(stride * rows, 0);
    return picture;
}

}  // namespace

std::string CompletedName(const char* name) {
    char drive[win::_MAX_PATH], dir[win::_MAX_PATH], base[win::_MAX_PATH], ext[win::_MAX_PATH];
    win::_splitpath(name, drive, dir, base, ext);
    if (ext[0] != '\0' && std::strcmp(ext, ".") != 0) return name;
    if (std::strlen(drive) + std::strlen(dir) + std::strlen(base) + 4 >= win::_MAX_PATH) return name;
    char completed[win::_MAX_PATH];
    win::_makepath(completed, drive, dir, base, "bmp");
    return completed;
}

const char* ReadHeaders(platform::ByteReader& source, Headers& headers, const Serve& serve) {
    win::BITMAPFILEHEADER& fileHeader = headers.file;
    static_assert(sizeof fileHeader == 14);
    if (!source.Read(&fileHeader, sizeof fileHeader)) return "Unable to read bitmap header";
    serve();
    if (fileHeader.bfType != BitmapType) return "Not a bitmap file";

    // One read of the block a full 256-colour table makes; a shorter file
    // still serves a picture whose table is shorter.
    InfoBlock& info = headers.info;
    static_assert(sizeof info == 1064);
    std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof info, source.Size() - source.Position()));
    if (!source.Read(&info, got)) got = 0;
    const win::BITMAPINFOHEADER& header = info.header;
    if (got < sizeof header) return InfoReadError;
    if (header.biSize != sizeof header) return "Not a Windows bitmap file";
    if (header.biBitCount > 8) return "Can't handle TrueColor images";
    if (!IsKnownLayout(header)) return "Not a Windows bitmap file";
    const std::uint64_t tableEntries = header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount;
    headers.colours = static_cast<int>(std::min<std::uint64_t>(tableEntries, PaletteSize));
    const std::size_t tableRead = sizeof header + headers.colours * sizeof(win::RGBQUAD);
    if (got < tableRead) return InfoReadError;
    serve();

    // Some writers leave the pixel offset 0; data can never start inside the
    // colours just read, so such an offset means: right after the table.
    const std::uint64_t tableEnd = sizeof fileHeader + sizeof header + tableEntries * sizeof(win::RGBQUAD);
    headers.dataOffset = fileHeader.bfOffBits >= sizeof fileHeader + tableRead ? fileHeader.bfOffBits : tableEnd;
    return nullptr;
}

const char* ReadPixels(platform::ByteReader& source, const Headers& headers, std::unique_ptr<SlidePicture>* picture,
                       const Serve& serve) {
    const win::BITMAPINFOHEADER& header = headers.info.header;
    // Negative widths and a height whose row count has no 32-bit form are
    // sizes no file can hold.
    if (header.biWidth < 0 || header.biHeight == INT32_MIN) return BlockReadError;
    const unsigned bitCount = header.biBitCount;
    const bool topDown = header.biHeight < 0;
    const auto width = static_cast<std::uint32_t>(header.biWidth);
    const auto rows =
        static_cast<std::uint32_t>(topDown ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight);
    const std::uint64_t stride = RowStride(width, 8);
    const std::uint64_t pictureSize = stride * rows;
    const std::uint64_t available = BytesFrom(source, headers.dataOffset);
    if (pictureSize > MaxPictureBytes) return BlockReadError;

    // Data that must be decoded to be checked are decoded aside.
    std::unique_ptr<SlidePicture> aside;
    std::unique_ptr<SlidePicture>& made = picture ? *picture : aside;
    try {
        if (header.biCompression == win::BI_RGB) {
            const std::uint64_t fileStride = RowStride(width, bitCount);
            const std::uint64_t dataSize = fileStride * rows;
            if (dataSize > available) return ReadBlocks(source, nullptr, dataSize, serve, false);
            if (!picture) return nullptr;
            if (bitCount == 8) {
                // Stored rows are padded as the picture's are: read straight into it.
                made = MakePicture(width, rows, stride);
                if (const char* error = ReadBlocks(source, made->bits.data(), dataSize, serve)) return error;
            } else {
                std::vector<std::uint8_t> packed(dataSize);
                if (const char* error = ReadBlocks(source, packed.data(), dataSize, serve)) return error;
                made = MakePicture(width, rows, stride);
                ExpandRows(packed.data(), fileStride, bitCount, width, rows, made->bits.data(), stride);
            }
        } else {
            const std::uint64_t dataSize =
                header.biSizeImage ? std::min<std::uint64_t>(header.biSizeImage, available) : available;
            if (pictureSize > std::max(RleFreeBytes, dataSize * RleMaxExpansion)) return BlockReadError;
            std::vector<std::uint8_t> data(dataSize);
            if (const char* error = ReadBlocks(source, data.data(), dataSize, serve)) return error;
            made = MakePicture(width, rows, stride);
            if (!DecodeRle(data, bitCount, width, rows, made->bits.data(), stride)) return LastReadError;
        }
    } catch (const std::bad_alloc&) {
        return BlockReadError;
    }
    if (topDown) FlipRows(made->bits.data(), stride, rows);
    return nullptr;
}

int ColourShift(int colours, int kept) { return colours < PaletteSize && colours + 2 * kept <= PaletteSize ? kept : 0; }

}  // namespace bitmap
