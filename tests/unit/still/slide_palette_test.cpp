// SPDX-License-Identifier: GPL-3.0-or-later
// The slide's palette for each way the display uses its system palette; each
// case runs in a platform session of its own under its setting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "still/slide_win.h"
#include "still_test_env.h"
#include "support/bmp_writer.h"
#include "support/fresh_session.h"

namespace {

enum class Source { System, File, Black, White };

struct Range {
    int first, last;
    Source source;
    win::BYTE flags;
};

struct PaletteCase {
    std::string name;
    win::UINT use;
    int colours;
    int bitCount;
    int shift;  // where file colour 0 lands
    std::vector<Range> ranges;
};
void PrintTo(const PaletteCase& c, std::ostream* out) { *out << c.name; }

constexpr win::BYTE NoCollapse = win::PC_NOCOLLAPSE;

std::vector<Range> StaticRanges(int colours, int shift) {
    const int lastFile = shift ? shift + colours - 1 : colours - 11;
    std::vector<Range> ranges{{0, 9, Source::System, 0}, {10, lastFile, Source::File, NoCollapse}};
    if (lastFile < 245) ranges.push_back({lastFile + 1, 245, Source::System, NoCollapse});
    ranges.push_back({246, 255, Source::System, 0});
    return ranges;
}

// With static colours, and when the query fails (20 static colours assumed).
std::vector<PaletteCase> StaticCases(win::UINT use) {
    return {{"FullTable", use, 256, 8, 0, StaticRanges(256, 0)},
            {"ColoursFitBetweenStatics", use, 236, 8, 10, StaticRanges(236, 10)},
            {"ColoursOneTooMany", use, 237, 8, 0, StaticRanges(237, 0)},
            {"FourBit", use, 16, 4, 10, StaticRanges(16, 10)},
            {"OneBit", use, 2, 1, 10, StaticRanges(2, 10)}};
}

std::vector<PaletteCase> NoStaticCases() {
    const win::UINT use = win::SYSPAL_NOSTATIC;
    const std::vector<Range> allFile{
        {0, 0, Source::Black, 0}, {1, 254, Source::File, NoCollapse}, {255, 255, Source::White, 0}};
    return {{"FullTable", use, 256, 8, 0, allFile},
            {"ColoursOneTooMany", use, 255, 8, 0, allFile},
            {"ColoursFit", use, 254, 8, 1, allFile},
            {"FourBit",
             use,
             16,
             4,
             1,
             {{0, 0, Source::Black, 0},
              {1, 16, Source::File, NoCollapse},
              {17, 254, Source::Black, NoCollapse},
              {255, 255, Source::White, 0}}}};
}

const char* PaletteSetting(win::UINT use) {
    return use == win::SYSPAL_NOSTATIC ? "nostatic" : use == win::SYSPAL_ERROR ? "error" : "static";
}

win::UINT DisplayPaletteUse() {
    win::HDC screen = win::GetDC(nullptr);
    const win::UINT use = win::GetSystemPaletteUse(screen);
    win::ReleaseDC(nullptr, screen);
    return use;
}

test::Rgb ColourOf(const win::PALETTEENTRY& entry) { return {entry.peRed, entry.peGreen, entry.peBlue}; }

class SlidePalette : public still_test::InTempFolder, public testing::WithParamInterface<PaletteCase> {};

TEST_P(SlidePalette, FitsFileColoursAroundTheDisplays) {
    const PaletteCase& c = GetParam();
    // No trace: the file belongs to the program's own session.
    test::SessionWith session({{"CORVANTA_PALETTE", PaletteSetting(c.use)}, {"CORVANTA_TRACE", nullptr}});
    ASSERT_EQ(DisplayPaletteUse(), c.use);

    test::BmpFile file;
    file.width = 16;
    file.height = 16;
    file.bitCount = static_cast<std::uint16_t>(c.bitCount);
    for (int i = 0; i < c.colours; ++i)
        file.colours.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2 + 100), static_cast<std::uint8_t>(255 - i)});
    file.clrUsed = c.colours == 1 << c.bitCount ? 0 : static_cast<std::uint32_t>(c.colours);
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 256; ++i) pixels.push_back(static_cast<std::uint8_t>(i % c.colours));
    file.pixels = test::PackRows(pixels, 16, 16, c.bitCount);
    test::WriteBytes("pic.bmp", file.Bytes());

    DSlideWin slide(nullptr, "pic.bmp", host_);
    ASSERT_NE(slide.Palette(), nullptr);
    EXPECT_EQ(slide.ColourShift(), c.shift);

    win::PALETTEENTRY entries[256]{};
    ASSERT_EQ(win::GetPaletteEntries(slide.Palette(), 0, 256, entries), 256u);
    win::PALETTEENTRY system[256]{};
    win::HDC screen = win::GetDC(nullptr);
    win::GetSystemPaletteEntries(screen, 0, 256, system);
    win::ReleaseDC(nullptr, screen);

    for (const Range& range : c.ranges) {
        for (int i = range.first; i <= range.last; ++i) {
            test::Rgb expected;
            switch (range.source) {
                case Source::System: expected = ColourOf(system[i]); break;
                case Source::File: expected = file.colours[i - c.shift]; break;
                case Source::Black: expected = {0, 0, 0}; break;
                case Source::White: expected = {255, 255, 255}; break;
            }
            EXPECT_EQ(ColourOf(entries[i]), expected) << "entry " << i;
            EXPECT_EQ(entries[i].peFlags, range.flags) << "entry " << i;
        }
    }

    // Where the file's colours all fit, every pixel shows its own colour.
    if (c.shift == 0) return;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(ColourOf(entries[still_test::PixelAt(slide, x, y)]), file.colours[pixels[y * 16 + x]])
                << x << "," << y;
}

const auto CaseName = [](const auto& info) { return info.param.name; };
INSTANTIATE_TEST_SUITE_P(Static, SlidePalette, testing::ValuesIn(StaticCases(win::SYSPAL_STATIC)), CaseName);
INSTANTIATE_TEST_SUITE_P(NoStatic, SlidePalette, testing::ValuesIn(NoStaticCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(QueryFails, SlidePalette, testing::ValuesIn(StaticCases(win::SYSPAL_ERROR)), CaseName);

}  // namespace
