// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing on the screen surface through device contexts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/core/screen.h"
#include "platform/win/win.h"
#include "test_environment.h"

namespace {

using namespace win;

std::uint8_t Pixel(int x, int y) { return platform::TheScreen().Row(y)[x]; }

void ClearScreen(std::uint8_t index = 0) { platform::TheScreen().Fill(platform::TheScreen().Bounds(), index); }

// An 8-bit bitmap with a palette-index colour table 0..255.
struct Dib {
    Dib(int width, int height, bool topDown) : info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(WORD)) {
        BITMAPINFOHEADER header{
            sizeof(BITMAPINFOHEADER), width, topDown ? -height : height, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
        std::memcpy(info.data(), &header, sizeof header);
        for (WORD i = 0; i < 256; ++i) std::memcpy(info.data() + sizeof header + i * sizeof(WORD), &i, sizeof i);
        stride = (width + 3) / 4 * 4;
        bits.resize(static_cast<std::size_t>(stride) * height);
        this->height = height;
        this->topDown = topDown;
    }
    // Sets the pixel in picture row y (0 = top), whatever the storage order.
    void Set(int x, int y, std::uint8_t value) { bits[(topDown ? y : height - 1 - y) * stride + x] = value; }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }

    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> bits;
    int stride = 0, height = 0;
    bool topDown = false;
};

// A picture whose pixel at (x, y) is 10 * (y + 1) + x + 1 (small, non-static values).
Dib Numbered(int width, int height, bool topDown) {
    Dib dib(width, height, topDown);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) dib.Set(x, y, static_cast<std::uint8_t>(10 * (y + 1) + x + 1));
    return dib;
}

// A screen context whose palette maps every logical index to the same system index.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {
        std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = 256;
        PALETTEENTRY system[256];
        GetSystemPaletteEntries(dc_, 0, 256, system);
        for (int i = 0; i < 256; ++i) {
            PALETTEENTRY entry = system[i];
            entry.peFlags = i < 10 || i >= 246 ? 0 : PC_NOCOLLAPSE;
            std::memcpy(buffer.data() + offsetof(LOGPALETTE, palPalEntry) + i * sizeof entry, &entry, sizeof entry);
        }
        palette_ = CreatePalette(logical);
        previous_ = SelectPalette(dc_, palette_, FALSE);
        RealizePalette(dc_);
    }
    ~ScreenDc() {
        SelectPalette(dc_, previous_, FALSE);
        ReleaseDC(nullptr, dc_);
        DeleteObject(palette_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HPALETTE palette_ = nullptr;
    HPALETTE previous_ = nullptr;
};

TEST(DeviceCaps, DescribeAPaletteDisplay) {
    HDC dc = GetDC(nullptr);
    ASSERT_NE(dc, nullptr);
    struct Case {
        int index, expected;
    } cases[] = {{NUMCOLORS, 20}, {SIZEPALETTE, 256}, {NUMRESERVED, 20},
                 {BITSPIXEL, 8},  {HORZRES, 640},     {VERTRES, 480}};
    for (const auto& c : cases) EXPECT_EQ(GetDeviceCaps(dc, c.index), c.expected) << "index " << c.index;
    EXPECT_TRUE(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE);
    EXPECT_EQ(GetSystemPaletteUse(dc), SYSPAL_STATIC);
    PALETTEENTRY entries[4];
    EXPECT_EQ(GetSystemPaletteEntries(dc, 254, 4, entries), 2u);
    EXPECT_EQ(entries[1].peRed + entries[1].peGreen + entries[1].peBlue, 3 * 255);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), 0) << "a released context is gone";
}

TEST(Handles, StaleAndForeignHandlesFail) {
    HDC dc = GetDC(nullptr);
    ASSERT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    EXPECT_FALSE(Rectangle(dc, 0, 0, 10, 10));
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), nullptr);

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    HDC live = GetDC(nullptr);
    EXPECT_EQ(SelectObject(live, brush), nullptr);
    EXPECT_EQ(SelectObject(live, reinterpret_cast<HGDIOBJ>(live)), nullptr);
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))) << "stock objects stay";
    EXPECT_NE(SelectObject(live, GetStockObject(BLACK_BRUSH)), nullptr);
    ReleaseDC(nullptr, live);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x1234)), nullptr);
}

TEST(Palettes, CreateAcceptsOneTo256Entries) {
    std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + 300 * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    for (int count : {0, 257, 300}) {
        logical->palNumEntries = static_cast<WORD>(count);
        EXPECT_EQ(CreatePalette(logical), nullptr) << count;
    }
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
    for (int count : {1, 256}) {
        logical->palNumEntries = static_cast<WORD>(count);
        HPALETTE palette = CreatePalette(logical);
        ASSERT_NE(palette, nullptr);
        WORD entries = 0;
        EXPECT_EQ(GetObjectA(palette, sizeof entries, &entries), 2);
        EXPECT_EQ(entries, count);
        EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), static_cast<UINT>(count));
        PALETTEENTRY out[256];
        EXPECT_EQ(GetPaletteEntries(palette, count - 1, 10, out), 1u);
        EXPECT_TRUE(DeleteObject(palette));
    }
}

TEST(Palettes, RealisingChangesWhatIsAlreadyOnScreen) {
    ClearScreen();
    ScreenDc dc;
    PatBlt(dc.get(), 0, 0, 1, 1, WHITENESS);
    platform::TheScreen().Row(0)[1] = 100;  // an index already on screen
    std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY), 0);
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 256;
    PALETTEENTRY black{0, 0, 0, PC_NOCOLLAPSE};
    for (int i = 0; i < 256; ++i)
        std::memcpy(buffer.data() + offsetof(LOGPALETTE, palPalEntry) + i * sizeof black, &black, sizeof black);
    HPALETTE blackOut = CreatePalette(logical);
    HDC screen = GetDC(nullptr);
    HPALETTE previous = SelectPalette(screen, blackOut, FALSE);
    RealizePalette(screen);
    SelectPalette(screen, previous, FALSE);
    ReleaseDC(nullptr, screen);
    DeleteObject(blackOut);
    auto rgb = platform::TheScreen().ToRgb();
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 3 * 255) << "white is static";
    EXPECT_EQ(rgb[3] + rgb[4] + rgb[5], 0) << "entry 100 turned black";
}

TEST(Rectangle, FillsWithTheBrushAndOutlinesWithThePen) {
    ClearScreen();
    HDC dc = GetDC(nullptr);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    PatBlt(dc, 0, 0, 20, 20, WHITENESS);
    EXPECT_TRUE(Rectangle(dc, 2, 2, 6, 5));
    // Outline on x 2..5 and y 2..4; right and bottom edges exclusive.
    const char* expected[] = {"WWWWWWWW", "WWWWWWWW", "WWBBBBWW", "WWBWWBWW", "WWBBBBWW", "WWWWWWWW"};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, y), expected[y][x] == 'B' ? 0 : 255) << x << "," << y;

    // Without a pen the filled area is one pixel smaller each way.
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    PatBlt(dc, 0, 0, 20, 20, WHITENESS);
    EXPECT_TRUE(Rectangle(dc, 12, 10, 2, 4));  // corners in any order
    EXPECT_EQ(Pixel(2, 4), 0);
    EXPECT_EQ(Pixel(10, 8), 0);
    EXPECT_EQ(Pixel(11, 8), 255);
    EXPECT_EQ(Pixel(10, 9), 255);
    ReleaseDC(nullptr, dc);
}

TEST(Rectangle, ClipsToTheSurface) {
    ClearScreen(255);
    HDC dc = GetDC(nullptr);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(Rectangle(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(Pixel(0, 0), 0);
    EXPECT_EQ(Pixel(639, 479), 0);
    EXPECT_TRUE(Rectangle(dc, 5000, 5000, 6000, 6000));
    EXPECT_TRUE(PatBlt(dc, 638, 478, 100, 100, WHITENESS));
    EXPECT_EQ(Pixel(639, 479), 255);
    EXPECT_EQ(Pixel(637, 479), 0);
    ReleaseDC(nullptr, dc);
}

TEST(PatBlt, FillsWithBlackWhiteOrTheBrush) {
    ClearScreen();
    HDC dc = GetDC(nullptr);
    HBRUSH red = CreateSolidBrush(RGB(250, 10, 10));
    SelectObject(dc, red);
    struct Case {
        int x, y, width, height;
        DWORD rop;
        int probeX, probeY;
        std::uint8_t expected;
    } cases[] = {
        {0, 0, 4, 4, WHITENESS, 3, 3, 255},
        {0, 0, 4, 4, BLACKNESS, 3, 3, 0},
        {10, 10, -4, -4, PATCOPY, 6, 6, 249},  // negative sizes reach back; the brush's nearest colour
        {20, 20, 2, 2, PATCOPY, 21, 21, 249},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(PatBlt(dc, c.x, c.y, c.width, c.height, c.rop));
        EXPECT_EQ(Pixel(c.probeX, c.probeY), c.expected) << c.x << "," << c.y;
    }
    EXPECT_EQ(Pixel(10, 10), 0);
    EXPECT_FALSE(PatBlt(dc, 0, 0, 1, 1, SRCCOPY));
    ReleaseDC(nullptr, dc);
    DeleteObject(red);
}

struct BlitCase {
    const char* name;
    bool topDown;
    int xDest, yDest, width, height, xSrc, ySrc;
    // Expected screen pixels: {x, y, value}.
    std::vector<std::array<int, 3>> expected;
};

TEST(SetDIBitsToDevice, CopiesOneToOneWithWindowsCoordinates) {
    const BlitCase cases[] = {
        {"whole, bottom-up", false, 5, 5, 4, 3, 0, 0, {{5, 5, 11}, {8, 5, 14}, {5, 7, 31}, {8, 7, 34}, {9, 5, 0}}},
        {"whole, top-down", true, 5, 5, 4, 3, 0, 0, {{5, 5, 11}, {8, 5, 14}, {5, 7, 31}, {8, 7, 34}}},
        // Bottom-up bitmaps count ySrc from their bottom row.
        {"part, bottom-up", false, 0, 0, 2, 1, 1, 1, {{0, 0, 22}, {1, 0, 23}, {2, 0, 0}, {0, 1, 0}}},
        {"part, top-down", true, 0, 0, 2, 1, 1, 1, {{0, 0, 22}, {1, 0, 23}}},
        {"off the top left", false, -2, -1, 4, 3, 0, 0, {{0, 0, 23}, {1, 0, 24}, {0, 1, 33}, {2, 0, 0}}},
        {"off the bottom right", false, 638, 478, 4, 3, 0, 0, {{638, 478, 11}, {639, 479, 22}}},
        // Rows above the top of the bitmap do not exist: nothing is drawn for them.
        {"source past the bitmap", false, 0, 0, 6, 5, 2, 0, {{0, 0, 0}, {0, 2, 13}, {1, 2, 14}, {2, 2, 0}, {0, 4, 33}}},
    };
    for (const auto& c : cases) {
        ClearScreen();
        Dib dib = Numbered(4, 3, c.topDown);
        ScreenDc dc;
        int lines = SetDIBitsToDevice(dc.get(), c.xDest, c.yDest, c.width, c.height, c.xSrc, c.ySrc, 0, 3,
                                      dib.bits.data(), dib.Info(), DIB_PAL_COLORS);
        EXPECT_EQ(lines, 3) << c.name;
        for (const auto& [x, y, value] : c.expected) EXPECT_EQ(Pixel(x, y), value) << c.name << " at " << x << "," << y;
    }
}

TEST(SetDIBitsToDevice, DrawsOnlyTheRowsItIsGiven) {
    ClearScreen();
    Dib dib = Numbered(4, 3, false);
    ScreenDc dc;
    // The buffer holds only the bottom row (row 0 of a bottom-up bitmap).
    std::vector<std::uint8_t> bottom(dib.bits.begin(), dib.bits.begin() + dib.stride);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 4, 3, 0, 0, 0, 1, bottom.data(), dib.Info(), DIB_PAL_COLORS), 1);
    EXPECT_EQ(Pixel(0, 0), 0);
    EXPECT_EQ(Pixel(0, 1), 0);
    EXPECT_EQ(Pixel(0, 2), 31);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 4, 3, 0, 0, 7, 1, bottom.data(), dib.Info(), DIB_PAL_COLORS), 0);
}

TEST(SetDIBitsToDevice, RefusesOrClipsBadCalls) {
    ClearScreen();
    Dib dib = Numbered(4, 3, false);
    ScreenDc dc;
    const void* bits = dib.bits.data();
    // Far off, huge, or wrapped-around sizes: nothing written outside the surface.
    SetDIBitsToDevice(dc.get(), INT_MAX, INT_MAX, 4, 3, 0, 0, 0, 3, bits, dib.Info(), DIB_PAL_COLORS);
    SetDIBitsToDevice(dc.get(), INT_MIN, INT_MIN, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0, 3, bits, dib.Info(), DIB_PAL_COLORS);
    SetDIBitsToDevice(dc.get(), 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, INT_MIN, INT_MAX, 0, 0xFFFFFFFF, bits, dib.Info(),
                      DIB_PAL_COLORS);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 4, 3, 0, 0, 0, 3, nullptr, dib.Info(), DIB_PAL_COLORS), 0);
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 4, 3, 0, 0, 0, 3, bits, nullptr, DIB_PAL_COLORS), 0);
    Dib wide(4, 3, false);
    reinterpret_cast<BITMAPINFOHEADER*>(wide.info.data())->biBitCount = 24;
    EXPECT_EQ(SetDIBitsToDevice(dc.get(), 0, 0, 4, 3, 0, 0, 0, 3, bits, wide.Info(), DIB_PAL_COLORS), 0);
}

TEST(StretchDIBits, SamplesTheNearestPixel) {
    const BlitCase cases[] = {
        {"double size", false, 0, 0, 8, 6, 0, 0, {{0, 0, 11}, {1, 1, 11}, {2, 0, 12}, {7, 5, 34}, {8, 0, 0}}},
        {"half size takes every other pixel", false, 0, 0, 2, 1, 0, 0, {{0, 0, 22}, {1, 0, 24}, {2, 0, 0}}},
        {"mirrored", false, 4, 0, -4, 3, 0, 0, {{3, 0, 11}, {0, 0, 14}, {0, 2, 34}}},
        {"squeezed off screen", true, -4, 0, 8, 3, 0, 0, {{0, 0, 13}, {3, 0, 14}, {0, 2, 33}}},
    };
    for (const auto& c : cases) {
        ClearScreen();
        Dib dib = Numbered(4, 3, c.topDown);
        ScreenDc dc;
        EXPECT_EQ(StretchDIBits(dc.get(), c.xDest, c.yDest, c.width, c.height, c.xSrc, c.ySrc, 4, 3, dib.bits.data(),
                                dib.Info(), DIB_PAL_COLORS, SRCCOPY),
                  3)
            << c.name;
        for (const auto& [x, y, value] : c.expected) EXPECT_EQ(Pixel(x, y), value) << c.name << " at " << x << "," << y;
    }
}

TEST(StretchDIBits, RefusesEmptyAndUnsupportedCopies) {
    ClearScreen();
    Dib dib = Numbered(4, 3, false);
    ScreenDc dc;
    struct Case {
        int destWidth, destHeight, srcWidth, srcHeight;
        DWORD rop;
    } cases[] = {{0, 3, 4, 3, SRCCOPY}, {4, 0, 4, 3, SRCCOPY}, {4, 3, 0, 3, SRCCOPY}, {4, 3, 4, 3, PATCOPY}};
    for (const auto& c : cases)
        EXPECT_EQ(StretchDIBits(dc.get(), 0, 0, c.destWidth, c.destHeight, 0, 0, c.srcWidth, c.srcHeight,
                                dib.bits.data(), dib.Info(), DIB_PAL_COLORS, c.rop),
                  0);
    StretchDIBits(dc.get(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX, INT_MAX, INT_MIN, dib.bits.data(),
                  dib.Info(), DIB_PAL_COLORS, SRCCOPY);
    EXPECT_EQ(Pixel(0, 0), 0);
}

TEST(Dib, PaletteIndicesGoThroughTheSelectedPalette) {
    ClearScreen();
    Dib dib(1, 1, false);
    dib.Set(0, 0, 3);
    WORD logical = 1;  // pixel 3 is drawn with logical entry 1
    std::memcpy(dib.info.data() + sizeof(BITMAPINFOHEADER) + 3 * sizeof(WORD), &logical, sizeof logical);
    std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = 2;
    PALETTEENTRY entries[2] = {{0, 0, 0, 0}, {0, 0, 255, 0}};  // entry 1 collapses onto static blue
    std::memcpy(buffer.data() + offsetof(LOGPALETTE, palPalEntry), entries, sizeof entries);
    HPALETTE handle = CreatePalette(palette);
    HDC dc = GetDC(nullptr);
    HPALETTE previous = SelectPalette(dc, handle, FALSE);
    EXPECT_EQ(RealizePalette(dc), 2u);
    SetDIBitsToDevice(dc, 0, 0, 1, 1, 0, 0, 0, 1, dib.bits.data(), dib.Info(), DIB_PAL_COLORS);
    EXPECT_EQ(Pixel(0, 0), 252);
    SelectPalette(dc, previous, FALSE);
    ReleaseDC(nullptr, dc);
    DeleteObject(handle);
}

TEST(Present, ReleasingAContextAfterAChangeTracesTheNewPicture) {
    HDC dc = GetDC(nullptr);
    PatBlt(dc, 0, 0, 640, 480, BLACKNESS);
    ReleaseDC(nullptr, dc);
    dc = GetDC(nullptr);
    PatBlt(dc, 100, 100, 7, 7, WHITENESS);
    ReleaseDC(nullptr, dc);
    char expected[32];
    std::snprintf(expected, sizeof expected, "present\t%08x", platform::TheScreen().Crc());
    auto lines = test::OwnTrace();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(expected), std::string::npos) << lines.back();
    // The same picture again is not presented again.
    dc = GetDC(nullptr);
    PatBlt(dc, 100, 100, 7, 7, WHITENESS);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(test::OwnTrace().size(), lines.size());
}

}  // namespace
