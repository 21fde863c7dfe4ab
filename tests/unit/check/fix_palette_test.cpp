// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-check --fix-palette: the copy, loaded by the player's own bitmap
// loader on a display with static colours and on one without, shows every
// pixel in the picture's colour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "check/fix_palette.h"
#include "still/slide_win.h"
#include "support/bmp_writer.h"
#include "support/fake_host.h"
#include "support/fresh_session.h"
#include "support/player_run.h"

namespace {

struct FixCase {
    std::string name;
    test::BmpFile file;
    std::vector<std::uint8_t> pixels;  // values, rows top to bottom
    bool reduced;
    int tolerance;                        // largest difference in a colour channel
    std::vector<test::Rgb> colours = {};  // what the values stand for, when the file has no table
};
void PrintTo(const FixCase& c, std::ostream* out) { *out << c.name; }

FixCase Picture(std::string name, int bitCount, int width, int height, std::vector<test::Rgb> colours,
                std::vector<std::uint8_t> pixels, bool topDown = false) {
    test::BmpFile file;
    file.width = width;
    file.height = topDown ? -height : height;
    file.bitCount = static_cast<std::uint16_t>(bitCount);
    file.colours = std::move(colours);
    // True colour rows are laid out by the caller.
    if (bitCount <= 8) file.pixels = test::PackRows(pixels, width, height, bitCount, topDown);
    return {std::move(name), file, std::move(pixels), false, 0};
}

std::vector<FixCase> Cases() {
    // As today's tools write them: a full table, the main colour at entry 0.
    std::vector<test::Rgb> full(256);
    for (int i = 0; i < 256; ++i) full[i] = {static_cast<std::uint8_t>(i), 77, 33};
    full[0] = {0, 0, 128};
    std::vector<std::uint8_t> mostlyNavy(40 * 30, 0);
    for (std::size_t i = 0; i < mostlyNavy.size(); i += 7) mostlyNavy[i] = static_cast<std::uint8_t>(i % 3 ? 250 : 128);
    mostlyNavy[5] = 255;

    std::vector<test::Rgb> sixteen(16);
    for (int i = 0; i < 16; ++i) sixteen[i] = {0, static_cast<std::uint8_t>(i * 16), 200};
    sixteen[0] = {0, 0, 128};
    std::vector<std::uint8_t> stripes(10 * 6);
    for (std::size_t i = 0; i < stripes.size(); ++i) stripes[i] = static_cast<std::uint8_t>(i % 5 ? 0 : i % 16);

    // Every colour of a gradient in use: more than there are free entries.
    std::vector<test::Rgb> gradient(256);
    for (int i = 0; i < 256; ++i)
        gradient[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2),
                       static_cast<std::uint8_t>(255 - i)};
    std::vector<std::uint8_t> everyColour(256);
    for (int i = 0; i < 256; ++i) everyColour[i] = static_cast<std::uint8_t>(i);

    FixCase reduced = Picture("MoreColoursThanFit", 8, 16, 16, gradient, everyColour);
    reduced.reduced = true;
    reduced.tolerance = 4;
    // Run-length rows, bottom-up: 0 0 0 5 6 7, then 250 250 1 1 1 1.
    FixCase runLength = Picture("RunLengthStaysRunLength", 8, 6, 2, full, {250, 250, 1, 1, 1, 1, 0, 0, 0, 5, 6, 7});
    runLength.file.compression = 1;
    runLength.file.pixels = {3, 0, 0, 3, 5, 6, 7, 0, 0, 0, 2, 250, 4, 1, 0, 1};

    // True colour: a few colours, then more than fit.
    auto trueColour = [](std::string name, int width, int height, std::vector<test::Rgb> colours,
                         std::vector<std::uint8_t> values) {
        FixCase c = Picture(std::move(name), 24, width, height, {}, std::move(values));
        c.file.pixels.clear();
        const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        for (int row = height - 1; row >= 0; --row) {
            for (int x = 0; x < width; ++x) {
                const test::Rgb& colour = colours[c.pixels[static_cast<std::size_t>(row) * width + x]];
                c.file.pixels.insert(c.file.pixels.end(), {colour.blue, colour.green, colour.red});
            }
            c.file.pixels.resize(c.file.pixels.size() + stride - static_cast<std::size_t>(width) * 3);
        }
        c.colours = std::move(colours);
        return c;
    };
    FixCase manyTrueColours = trueColour("TrueColourBeyondWhatFits", 16, 16, gradient, everyColour);
    manyTrueColours.reduced = true;
    manyTrueColours.tolerance = 4;

    return {Picture("MainColourAtEntryZero", 8, 40, 30, full, mostlyNavy),
            Picture("FourBitTopDown", 4, 10, 6, sixteen, stripes, true),
            reduced,
            runLength,
            trueColour("TrueColourThatFits", 10, 6, sixteen, stripes),
            manyTrueColours};
}

std::int32_t Field(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
}

// A case under a palette setting of the display.
class FixPalette : public testing::TestWithParam<std::tuple<FixCase, const char*>> {};

TEST_P(FixPalette, CopyShowsAsDrawn) {
    const auto& [c, paletteSetting] = GetParam();
    test::SessionWith session({{"CORVANTA_PALETTE", paletteSetting}, {"CORVANTA_TRACE", nullptr}});
    const std::filesystem::path folder = test::MakeTempDir("fix-" + c.name + "-" + paletteSetting);
    test::WriteBytes(folder / "in.bmp", c.file.Bytes());
    const check::PaletteFix fix = check::FixPalette(folder / "in.bmp", folder / "out.bmp");
    ASSERT_EQ(fix.error, "");
    EXPECT_EQ(fix.reduced, c.reduced);

    // Size, row order and resolution as they were.
    const std::vector<std::uint8_t> in = c.file.Bytes(), out = test::ReadBytes(folder / "out.bmp");
    for (std::size_t field : {18u, 22u, 38u, 42u}) EXPECT_EQ(Field(out, field), Field(in, field)) << "offset " << field;
    EXPECT_EQ(Field(out, 30), c.file.compression ? 1 : 0) << "compression";

    test::FakeHost host;
    DSlideWin slide(nullptr, (folder / "out.bmp").c_str(), host);
    ASSERT_NE(slide.Palette(), nullptr);
    win::PALETTEENTRY entries[256]{};
    ASSERT_EQ(win::GetPaletteEntries(slide.Palette(), 0, 256, entries), 256u);
    const int width = c.file.width, height = slide.Height();
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const win::PALETTEENTRY& shown = entries[slide.Picture()->bits[(height - 1 - y) * stride + x]];
            const std::vector<test::Rgb>& colours = c.colours.empty() ? c.file.colours : c.colours;
            const test::Rgb& drawn = colours[c.pixels[static_cast<std::size_t>(y) * width + x]];
            const int difference = std::max({std::abs(shown.peRed - drawn.red), std::abs(shown.peGreen - drawn.green),
                                             std::abs(shown.peBlue - drawn.blue)});
            ASSERT_LE(difference, c.tolerance) << "pixel " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Check, FixPalette,
                         testing::Combine(testing::ValuesIn(Cases()), testing::Values("static", "nostatic")),
                         [](const auto& info) { return std::get<0>(info.param).name + "_" + std::get<1>(info.param); });

}  // namespace
