// Loading of a slide: file name completion, the two headers, the pixel data
// in any layout a palette bitmap may have, and the logical palette.
#include "still/slide_win.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "app/message_class.h"
#include "interp/interp_win.h"
#include "platform/byte_reader.h"
#include "platform/trace.h"
#include "still/bitmap_pixels.h"
#include "still/serve_sound.h"

static_assert(std::endian::native == std::endian::little, "bitmap headers are read as they lie in the file");

namespace {

constexpr win::WORD BitmapType = 0x4D42;  // "BM"
constexpr std::size_t BlockSize = 8192;
constexpr int PaletteSize = 256;

// An RLE picture may be larger than its data, but not without bound: up to
// this size it is always taken, beyond it at most this many bytes per data byte.
constexpr std::uint64_t RleFreeBytes = std::uint64_t{4} << 20;
constexpr std::uint64_t RleMaxExpansion = 256;
constexpr std::uint64_t MaxPictureBytes = 0xFFFFFFFF;  // biSizeImage is 32 bits

constexpr const char* InfoReadError = "Unable to read bitmap information";
constexpr const char* BlockReadError = "Error in read of .BMP file into memory";
constexpr const char* LastReadError = "Error in last read of .BMP file into memory";

struct LogPalette256 {
    win::WORD palVersion;
    win::WORD palNumEntries;
    win::PALETTEENTRY palPalEntry[PaletteSize];
};

win::HPALETTE CreatePaletteFrom(const LogPalette256& palette) {
    return win::CreatePalette(reinterpret_cast<const win::LOGPALETTE*>(&palette));
}

void Fatal(const std::string& text) { ErrorReporter->FatalError(text.c_str()); }

// Shapes of palette bitmaps the loader can show.
bool IsKnownLayout(const win::BITMAPINFOHEADER& header) {
    switch (header.biCompression) {
        case win::BI_RGB:
            return header.biBitCount == 1 || header.biBitCount == 4 || header.biBitCount == 8;
        case win::BI_RLE8:
            return header.biBitCount == 8;
        case win::BI_RLE4:
            return header.biBitCount == 4;
        default:
            return false;
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
const char* ReadBlocks(platform::ByteReader& source, std::uint8_t* destination, std::uint64_t count,
                       bool keep = true) {
    std::array<std::uint8_t, BlockSize> scratch;
    std::uint8_t* at = keep ? destination : scratch.data();
    std::uint64_t remaining = count;
    while (remaining >= BlockSize) {
        ServeSound();
        const bool read = source.Read(at, BlockSize);
        ServeSound();
        if (!read) return BlockReadError;
        remaining -= BlockSize;
        if (keep) at += BlockSize;
    }
    if (remaining != 0) {
        const std::size_t wanted = keep ? remaining : std::min<std::uint64_t>(remaining, BlockSize);
        ServeSound();
        const bool read = source.Read(at, wanted);
        ServeSound();
        if (!read) return LastReadError;
    }
    return keep ? nullptr : LastReadError;
}

std::unique_ptr<SlidePicture> MakePicture(std::uint32_t width, std::uint32_t rows, std::uint64_t stride) {
    auto picture = std::make_unique<SlidePicture>();
    win::BITMAPINFOHEADER& header = picture->info.header;
    header.biSize = sizeof header;
    header.biWidth = static_cast<win::LONG>(width);
    header.biHeight = static_cast<win::LONG>(rows);
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = win::BI_RGB;
    header.biSizeImage = static_cast<win::DWORD>(stride * rows);
    header.biClrUsed = PaletteSize;
    for (int i = 0; i < PaletteSize; ++i) picture->info.indices[i] = static_cast<win::WORD>(i);
    picture->bits.assign(stride * rows, 0);
    return picture;
}

// Half the display's static colours: MakePalette leaves that many entries at
// each end of the palette to the display.
int StaticHalf(win::HDC screen, win::UINT use) {
    const int reserved = use == win::SYSPAL_STATIC ? win::GetDeviceCaps(screen, win::NUMCOLORS) : 20;
    return std::clamp(reserved / 2, 0, PaletteSize / 2);
}

// Entries at the low end of the slide's palette that show the display's
// colours instead of the file's.
int LowEntriesKeptForDisplay() {
    win::HDC screen = win::GetDC(nullptr);
    const win::UINT use = win::GetSystemPaletteUse(screen);
    int kept = 0;
    if (use == win::SYSPAL_NOSTATIC) kept = 1;  // entry 0 is forced to black
    if (use == win::SYSPAL_STATIC || use == win::SYSPAL_ERROR) kept = StaticHalf(screen, use);
    win::ReleaseDC(nullptr, screen);
    return kept;
}

}  // namespace

DSlideWin::DSlideWin(DInterpWin* owner, const char* fileName) : owner_(owner) {
    ServeSound();
    if (fileName) std::strncpy(name_.data(), fileName, name_.size() - 1);
    if (!LocateFile(name_.data())) return;
    Load();
}

DSlideWin::DSlideWin(DInterpWin* owner, platform::ByteReader& source, const char* fileName) : owner_(owner) {
    if (fileName) std::strncpy(name_.data(), fileName, name_.size() - 1);
    LoadFrom(source);
}

void DSlideWin::Load() {
    ServeSound();
    auto file = platform::ByteReader::Open(name_.data());
    if (!file) file = platform::ByteReader::Open(name_.data());
    if (!file) {
        std::perror("slide constructor");
        std::array<char, win::_MAX_PATH> dir{};
        if (!win::_getcwd(dir.data(), static_cast<int>(dir.size()))) dir[0] = '\0';
        Fatal("Unable to open bitmap file " + std::string(name_.data()) + " \n in current dir " + dir.data());
        return;
    }
    platform::TraceShow("still", name_.data());
    LoadFrom(*file);
}

void DSlideWin::LoadFrom(platform::ByteReader& source) {
    ServeSound();
    win::BITMAPFILEHEADER fileHeader{};
    static_assert(sizeof fileHeader == 14);
    if (!source.Read(&fileHeader, sizeof fileHeader)) {
        Fatal("Unable to read bitmap header");
        return;
    }
    ServeSound();
    if (fileHeader.bfType != BitmapType) {
        Fatal("Not a bitmap file");
        return;
    }

    // One read of the block a full 256-colour table makes; a shorter file
    // still serves a picture whose table is shorter.
    InfoBlock info{};
    static_assert(sizeof info == 1064);
    std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof info, source.Size() - source.Position()));
    if (!source.Read(&info, got)) got = 0;
    const win::BITMAPINFOHEADER& header = info.header;
    if (got < sizeof header) {
        Fatal(InfoReadError);
        return;
    }
    if (header.biSize != sizeof header) {
        Fatal("Not a Windows bitmap file");
        return;
    }
    if (header.biBitCount > 8) {
        Fatal("Can't handle TrueColor images");
        return;
    }
    if (!IsKnownLayout(header)) {
        Fatal("Not a Windows bitmap file");
        return;
    }
    const std::uint64_t tableEntries = header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount;
    const int colours = static_cast<int>(std::min<std::uint64_t>(tableEntries, PaletteSize));
    const std::size_t tableRead = sizeof header + colours * sizeof(win::RGBQUAD);
    if (got < tableRead) {
        Fatal(InfoReadError);
        return;
    }
    ServeSound();

    // Some writers leave the pixel offset 0; data can never start inside the
    // colours just read, so such an offset means: right after the table.
    const std::uint64_t tableEnd = sizeof fileHeader + sizeof header + tableEntries * sizeof(win::RGBQUAD);
    const std::uint64_t offset =
        fileHeader.bfOffBits >= sizeof fileHeader + tableRead ? fileHeader.bfOffBits : tableEnd;
    if (!ReadPixels(source, info, offset)) return;
    BuildPalette(info, colours);
}

bool DSlideWin::ReadPixels(platform::ByteReader& source, const InfoBlock& info, std::uint64_t offset) {
    const win::BITMAPINFOHEADER& header = info.header;
    // Negative widths and a height whose row count has no 32-bit form are
    // sizes no file can hold.
    if (header.biWidth < 0 || header.biHeight == INT32_MIN) {
        Fatal(BlockReadError);
        return false;
    }
    const unsigned bitCount = header.biBitCount;
    const bool topDown = header.biHeight < 0;
    const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
    const std::uint64_t rows = topDown ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight;
    const std::uint64_t stride = bitmap::RowStride(width, 8);
    const std::uint64_t pictureSize = stride * rows;
    const std::uint64_t available = BytesFrom(source, offset);

    try {
        if (header.biCompression == win::BI_RGB) {
            const std::uint64_t fileStride = bitmap::RowStride(width, bitCount);
            const std::uint64_t dataSize = fileStride * rows;
            if (dataSize > available || pictureSize > MaxPictureBytes) {
                Fatal(ReadBlocks(source, nullptr, dataSize, false));
                return false;
            }
            if (bitCount == 8) {
                // Stored rows are padded as the picture's are: read straight into it.
                picture_ = MakePicture(width, rows, stride);
                if (const char* error = ReadBlocks(source, picture_->bits.data(), dataSize)) {
                    Fatal(error);
                    return false;
                }
            } else {
                std::vector<std::uint8_t> packed(dataSize);
                if (const char* error = ReadBlocks(source, packed.data(), dataSize)) {
                    Fatal(error);
                    return false;
                }
                picture_ = MakePicture(width, rows, stride);
                bitmap::ExpandRows(packed.data(), fileStride, bitCount, width, rows, picture_->bits.data(), stride);
            }
        } else {
            const std::uint64_t dataSize = header.biSizeImage ? std::min<std::uint64_t>(header.biSizeImage, available)
                                                               : available;
            if (pictureSize > std::max(RleFreeBytes, dataSize * RleMaxExpansion) || pictureSize > MaxPictureBytes) {
                Fatal(BlockReadError);
                return false;
            }
            std::vector<std::uint8_t> data(dataSize);
            if (const char* error = ReadBlocks(source, data.data(), dataSize)) {
                Fatal(error);
                return false;
            }
            picture_ = MakePicture(width, rows, stride);
            if (!bitmap::DecodeRle(data, bitCount, width, rows, picture_->bits.data(), stride)) {
                Fatal(LastReadError);
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        Fatal(BlockReadError);
        return false;
    }
    if (topDown) bitmap::FlipRows(picture_->bits.data(), stride, rows);
    return true;
}

void DSlideWin::BuildPalette(const InfoBlock& info, int colours) {
    colourCount_ = colours;
    std::copy_n(info.colours, colours, fileColours_.begin());
    if (colours < PaletteSize) {
        const int kept = LowEntriesKeptForDisplay();
        if (colours + 2 * kept <= PaletteSize) colourShift_ = kept;
    }
    if (colourShift_) bitmap::AddToPixels(picture_->bits, static_cast<std::uint8_t>(colourShift_));

    // The file's colours, moved up past the display's low entries (and as many
    // spare at the top) so that MakePalette takes every one of them.
    LogPalette256 fileColours{0x300, static_cast<win::WORD>(colours + 2 * colourShift_), {}};
    for (int i = 0; i < colours; ++i) {
        const win::RGBQUAD& colour = info.colours[i];
        fileColours.palPalEntry[colourShift_ + i] = {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    }
    const PaletteHandle filePalette(CreatePaletteFrom(fileColours));
    palette_.reset(MakePalette(filePalette.get()));
    if (!palette_) SlideError("Could not create palette.");
}

bool DSlideWin::LocateFile(char* name) {
    if (name == nullptr || *name == '\0') {
        SlideError("Invalid, no filename given.");
        return false;
    }
    char drive[win::_MAX_PATH], dir[win::_MAX_PATH], base[win::_MAX_PATH], ext[win::_MAX_PATH];
    win::_splitpath(name, drive, dir, base, ext);
    if (ext[0] == '\0' || std::strcmp(ext, ".") == 0) {
        const std::size_t merged = std::strlen(drive) + std::strlen(dir) + std::strlen(base) + 4;
        if (merged < win::_MAX_PATH) win::_makepath(name, drive, dir, base, "bmp");
    }
    errno = 0;
    if (win::_access(name, 0) != 0 && errno == ENOENT) {
        SlideError(("The file " + std::string(name) + " could not be found.").c_str());
        return false;
    }
    return true;
}

win::HPALETTE DSlideWin::MakePalette(win::HPALETTE filePalette) {
    win::WORD count = 0;
    if (win::GetObjectA(filePalette, sizeof count, &count) == 0) count = 0;
    const int n = std::min<int>(count, PaletteSize);

    LogPalette256 palette{0x300, PaletteSize, {}};
    win::PALETTEENTRY file[PaletteSize]{};
    win::GetPaletteEntries(filePalette, 0, PaletteSize, file);

    win::HDC screen = win::GetDC(nullptr);
    win::PALETTEENTRY* entry = palette.palPalEntry;
    const win::UINT use = win::GetSystemPaletteUse(screen);
    if (use == win::SYSPAL_NOSTATIC) {
        for (int i = 0; i < PaletteSize; ++i) {
            if (i < n) entry[i] = file[i];
            entry[i].peFlags = win::PC_NOCOLLAPSE;
        }
        entry[255] = {255, 255, 255, 0};
        entry[0] = {0, 0, 0, 0};
    } else if (use == win::SYSPAL_STATIC || use == win::SYSPAL_ERROR) {
        const int half = StaticHalf(screen, use);
        win::GetSystemPaletteEntries(screen, 0, PaletteSize, entry);
        int i = 0;
        for (; i < half; ++i) entry[i].peFlags = 0;
        for (; i < n - half; ++i) entry[i] = {file[i].peRed, file[i].peGreen, file[i].peBlue, win::PC_NOCOLLAPSE};
        for (; i < PaletteSize - half; ++i) entry[i].peFlags = win::PC_NOCOLLAPSE;
        for (; i < PaletteSize; ++i) entry[i].peFlags = 0;
    }
    win::HPALETTE made = CreatePaletteFrom(palette);
    win::ReleaseDC(nullptr, screen);
    return made;
}

void DSlideWin::SlideError(const char* text) {
    win::MessageBoxA(owner_ ? owner_->Handle() : nullptr, text, "Fatal Error", win::MB_OK | win::MB_ICONEXCLAMATION);
    win::MessageBeep(win::MB_ICONEXCLAMATION);
    win::PostQuitMessage(1);
}
