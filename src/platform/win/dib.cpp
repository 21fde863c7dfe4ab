// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win/dib.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/core/screen.h"
#include "platform/win/gdi.h"

namespace platform {
namespace {

// floor(a / b) for b > 0, without overflow for any coordinates the API accepts.
long long FloorDiv(__int128 a, __int128 b) {
    __int128 q = a / b;
    if ((a % b) != 0 && a < 0) --q;
    return static_cast<long long>(q);
}

// The source pixel sampled for destination pixel `dest`: the one under the
// centre of that pixel.
long long SourceOf(long long dest, const Span& span) {
    __int128 numerator = static_cast<__int128>(2 * (dest - span.destStart) + 1) * span.sourceExtent;
    __int128 denominator = static_cast<__int128>(2) * span.destExtent;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    return span.sourceStart + FloorDiv(numerator, denominator);
}

// The destination pixels [first, last) of a span within [low, high).
bool DestRange(const Span& span, long long low, long long high, long long* first, long long* last) {
    long long a = span.destStart, b = span.destStart + span.destExtent;
    *first = std::max(std::min(a, b), low);
    *last = std::min(std::max(a, b), high);
    return *first < *last;
}

std::array<std::uint8_t, 256> ColourLookup(const DcData& dc, const win::BITMAPINFO* info, const DibLayout& layout,
                                           win::UINT usage) {
    std::array<std::uint8_t, 256> lookup{};  // values past the table draw index 0
    const auto* table = reinterpret_cast<const std::uint8_t*>(info) + info->bmiHeader.biSize;
    for (int i = 0; i < layout.colours; ++i) {
        if (usage == win::DIB_PAL_COLORS) {
            win::WORD logical;
            std::memcpy(&logical, table + i * sizeof logical, sizeof logical);
            lookup[i] = LogicalToSystem(dc, logical);
        } else {
            win::RGBQUAD quad;
            std::memcpy(&quad, table + i * sizeof quad, sizeof quad);
            lookup[i] = ColourIndex(dc, win::RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue));
        }
    }
    return lookup;
}

struct Prepared {
    DcData* dc = nullptr;
    win::POINT origin{};
    win::RECT clip{};
    DibLayout layout;
    std::array<std::uint8_t, 256> lookup{};
};

std::optional<Prepared> Prepare(win::HDC hdc, const void* bits, const win::BITMAPINFO* info, win::UINT usage) {
    Prepared prepared;
    prepared.dc = FindDc(hdc);
    if (!prepared.dc || !bits || (usage != win::DIB_PAL_COLORS && usage != win::DIB_RGB_COLORS)) return std::nullopt;
    auto layout = ReadDibLayout(info);
    if (!layout || !DrawingArea(*prepared.dc, &prepared.origin, &prepared.clip)) return std::nullopt;
    prepared.layout = *layout;
    prepared.lookup = ColourLookup(*prepared.dc, info, *layout, usage);
    return prepared;
}

// Unscaled columns: [x0, x1) narrowed to those the bitmap has.
bool NarrowToColumns(const DibLayout& layout, long long offset, long long* x0, long long* x1) {
    *x0 = std::max(*x0, -offset);
    *x1 = std::min(*x1, layout.width - offset);
    return *x0 < *x1;
}

// Unscaled rows: [y0, y1) narrowed to those the band holds.
bool NarrowToBand(const DibLayout& layout, const DibBand& band, const Span& y, long long* y0, long long* y1) {
    const long long bandTop = layout.bottomUp ? layout.height - band.first - band.count : band.first;
    const long long shiftY = y.sourceStart - y.destStart;
    *y0 = std::max(*y0, std::max(bandTop, 0LL) - shiftY);
    *y1 = std::min(*y1, std::min(bandTop + band.count, static_cast<long long>(layout.height)) - shiftY);
    return *y0 < *y1;
}

bool IsIdentity(const std::array<std::uint8_t, 256>& lookup) {
    static constexpr std::array<std::uint8_t, 256> Unchanged = [] {
        std::array<std::uint8_t, 256> values{};
        for (int i = 0; i < 256; ++i) values[i] = static_cast<std::uint8_t>(i);
        return values;
    }();
    return lookup == Unchanged;
}

// For scaled columns: the source column of each destination column in
// [x0, x1), -1 where it falls outside the bitmap.
std::vector<int> SourceColumns(const DibLayout& layout, const Span& x, long long x0, long long x1) {
    std::vector<int> columns(static_cast<std::size_t>(x1 - x0));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        long long sx = SourceOf(x0 + static_cast<long long>(i), x);
        columns[i] = sx >= 0 && sx < layout.width ? static_cast<int>(sx) : -1;
    }
    return columns;
}

inline void CopyRun(std::uint8_t* to, const std::uint8_t* from, std::size_t count,
                    const std::array<std::uint8_t, 256>& lookup, bool identity) {
    if (identity) {
        std::memcpy(to, from, count);
    } else {
        for (std::size_t i = 0; i < count; ++i) to[i] = lookup[from[i]];
    }
}

inline void CopyScaled(std::uint8_t* target, const std::uint8_t* source, const std::vector<int>& columns, long long x0,
                       long long x1, const std::array<std::uint8_t, 256>& lookup) {
    for (long long dx = x0; dx < x1; ++dx) {
        int sx = columns[dx - x0];
        if (sx >= 0) target[dx] = lookup[source[sx]];
    }
}

}  // namespace

win::BITMAPINFOHEADER EightBitDibHeader(std::uint32_t width, std::uint32_t height, std::uint64_t imageBytes) {
    win::BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = static_cast<win::LONG>(width);
    header.biHeight = static_cast<win::LONG>(height);
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = win::BI_RGB;
    header.biSizeImage = static_cast<win::DWORD>(imageBytes);
    header.biClrUsed = 256;
    return header;
}

std::optional<DibLayout> ReadDibLayout(const win::BITMAPINFO* info) {
    if (!info) return std::nullopt;
    const win::BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(win::BITMAPINFOHEADER) || header.biBitCount != 8 ||
        header.biCompression != win::BI_RGB || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == INT_MIN)
        return std::nullopt;
    DibLayout layout;
    layout.width = header.biWidth;
    layout.height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    layout.bottomUp = header.biHeight > 0;
    layout.stride = (static_cast<std::size_t>(header.biWidth) + 3) / 4 * 4;
    layout.colours = header.biClrUsed == 0 || header.biClrUsed > 256 ? 256 : static_cast<int>(header.biClrUsed);
    return layout;
}

void CopyDib(Screen& screen, const win::RECT& clip, const DibLayout& layout, const DibBand& band,
             const std::array<std::uint8_t, 256>& lookup, const Span& x, const Span& y) {
    if (x.destExtent == 0 || y.destExtent == 0 || x.sourceExtent == 0 || y.sourceExtent == 0) return;
    win::RECT area = Intersect(clip, screen.Bounds());
    long long x0, x1, y0, y1;
    if (!DestRange(x, area.left, area.right, &x0, &x1) || !DestRange(y, area.top, area.bottom, &y0, &y1)) return;

    // Unscaled columns (every movie frame, most stills) copy as runs.
    const bool unscaledX = x.destExtent == x.sourceExtent && x.destExtent > 0;
    const long long offset = x.sourceStart - x.destStart;
    if (unscaledX && !NarrowToColumns(layout, offset, &x0, &x1)) return;
    // Unscaled rows: only those the band holds are visited (a movie frame
    // draws the band of rows that changed).
    const bool unscaledY = y.destExtent == y.sourceExtent && y.destExtent > 0;
    if (unscaledY && !NarrowToBand(layout, band, y, &y0, &y1)) return;
    const bool identity = IsIdentity(lookup);
    const std::vector<int> columns = unscaledX ? std::vector<int>{} : SourceColumns(layout, x, x0, x1);
    long long firstRow = y1, lastRow = y0;
    for (long long dy = y0; dy < y1; ++dy) {
        // top-down row
        long long sy = unscaledY ? y.sourceStart + (dy - y.destStart) : SourceOf(dy, y);
        if (sy < 0 || sy >= layout.height) continue;
        long long row = layout.bottomUp ? layout.height - 1 - sy : sy;  // the bitmap's own numbering
        if (row < band.first || row >= static_cast<long long>(band.first) + band.count) continue;
        const std::uint8_t* source = band.bits + static_cast<std::size_t>(row - band.first) * layout.stride;
        std::uint8_t* target = screen.Row(static_cast<int>(dy));
        if (unscaledX) {
            CopyRun(target + x0, source + (x0 + offset), static_cast<std::size_t>(x1 - x0), lookup, identity);
        } else {
            CopyScaled(target, source, columns, x0, x1, lookup);
        }
        firstRow = std::min(firstRow, dy);
        lastRow = dy + 1;
    }
    if (firstRow < lastRow) {
        screen.MarkChanged({static_cast<win::LONG>(x0), static_cast<win::LONG>(firstRow), static_cast<win::LONG>(x1),
                            static_cast<win::LONG>(lastRow)});
    }
}

}  // namespace platform

namespace win {

int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT scanLines, const void* bits, const BITMAPINFO* info, UINT colourUse) {
    auto prepared = platform::Prepare(hdc, bits, info, colourUse);
    if (!prepared) return 0;
    const platform::DibLayout& layout = prepared->layout;
    if (startScan >= static_cast<UINT>(layout.height)) return 0;
    int lines = static_cast<int>(std::min<UINT>(scanLines, static_cast<UINT>(layout.height) - startScan));
    if (width == 0 || height == 0 || lines == 0) return lines;

    long long w = width, h = height;
    // Bottom-up bitmaps measure ySrc from their bottom row.
    long long top = layout.bottomUp ? layout.height - static_cast<long long>(ySrc) - h : ySrc;
    platform::Span x{static_cast<long long>(xDest) + prepared->origin.x, w, xSrc, w};
    platform::Span y{static_cast<long long>(yDest) + prepared->origin.y, h, top, h};
    platform::DibBand band{static_cast<const std::uint8_t*>(bits), static_cast<int>(startScan), lines};
    platform::CopyDib(platform::TheScreen(), prepared->clip, layout, band, prepared->lookup, x, y);
    return lines;
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT colourUse, DWORD rop) {
    if (rop != SRCCOPY) return 0;
    auto prepared = platform::Prepare(hdc, bits, info, colourUse);
    if (!prepared || destWidth == 0 || destHeight == 0 || srcWidth == 0 || srcHeight == 0) return 0;
    const platform::DibLayout& layout = prepared->layout;
    long long top = layout.bottomUp ? layout.height - static_cast<long long>(ySrc) - srcHeight : ySrc;
    platform::Span x{static_cast<long long>(xDest) + prepared->origin.x, destWidth, xSrc, srcWidth};
    platform::Span y{static_cast<long long>(yDest) + prepared->origin.y, destHeight, top, srcHeight};
    platform::DibBand band{static_cast<const std::uint8_t*>(bits), 0, layout.height};
    platform::CopyDib(platform::TheScreen(), prepared->clip, layout, band, prepared->lookup, x, y);
    return layout.height;
}

}  // namespace win
