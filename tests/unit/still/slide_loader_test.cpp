// SPDX-License-Identifier: GPL-3.0-or-later
// The loader against the image tool's own reading of the same files, for
// every layout a palette bitmap may have, and its refusals.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "still/slide_win.h"
#include "still_test_env.h"
#include "support/bmp_writer.h"

namespace {

using still_test::Boxes;
using still_test::NewTraceLines;
using still_test::PixelAt;
using Bytes = std::vector<std::uint8_t>;

test::Rgb FileColourOf(const DSlideWin& slide, int x, int y) {
    const int index = PixelAt(slide, x, y) - slide.ColourShift();
    EXPECT_GE(index, 0);
    EXPECT_LT(index, slide.ColourCount());
    const win::RGBQUAD colour = slide.FileColours()[static_cast<std::uint8_t>(index)];
    return {colour.rgbRed, colour.rgbGreen, colour.rgbBlue};
}

// Every pixel of the slide shows the colour the tool reads at that place.
void ExpectSameAsTool(const DSlideWin& slide, const std::filesystem::path& file) {
    const test::ToolImage image = test::DecodeWithTool(file);
    ASSERT_GT(image.width, 0) << "the tool could not read " << file;
    ASSERT_TRUE(slide.HasPicture());
    ASSERT_NE(slide.Palette(), nullptr);
    ASSERT_EQ(slide.Width(), image.width);
    ASSERT_EQ(slide.Height(), image.height);
    int mismatches = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!(FileColourOf(slide, x, y) == image.At(x, y)) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " differs";
    EXPECT_EQ(mismatches, 0);
}

// ------------------------------------------------------------ tool-made files

struct ToolCase {
    std::string name;
    std::string args;  // for convert, before the output file
    std::uint16_t bitCount;
    std::uint32_t compression;
};
void PrintTo(const ToolCase& c, std::ostream* out) { *out << c.name; }

class ToolMadeSlide : public still_test::InTempFolder, public testing::WithParamInterface<ToolCase> {};

TEST_P(ToolMadeSlide, ShowsWhatTheToolReads) {
    const ToolCase& c = GetParam();
    ASSERT_TRUE(test::MakeBmpWithTool(c.args, "pic.bmp"));
    const Bytes file = test::ReadBytes("pic.bmp");
    ASSERT_GE(file.size(), 54u);
    // The tool decides the layout itself: make sure it is the one meant.
    ASSERT_EQ(file[28] | file[29] << 8, c.bitCount);
    ASSERT_EQ(file[30], c.compression);

    DSlideWin slide(nullptr, "pic", host_);
    EXPECT_STREQ(slide.FileName(), "pic.bmp");
    ExpectSameAsTool(slide, "pic.bmp");
    EXPECT_EQ(Boxes(NewTraceLines()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ToolMadeSlide,
    testing::Values(
        ToolCase{"EightBitWidthMultipleOfFour", "-size 64x48 gradient:red-blue -type palette -compress None", 8, 0},
        ToolCase{"EightBitPaddedRows", "rose: -colors 200 -compress None", 8, 0},
        ToolCase{"EightBitLarge", "logo: -colors 230 -compress None", 8, 0},
        ToolCase{"EightBitExactBlocks", "-size 512x256 gradient:yellow-navy -type palette -compress None", 8, 0},
        ToolCase{"Rle8", "rose: -colors 64 -compress RLE", 8, 1},
        ToolCase{"Rle8Large", "logo: -colors 100 -compress RLE", 8, 1},
        ToolCase{"FourBit", "rose: -colors 16 -compress None", 4, 0},
        ToolCase{"FourBitFewColours", "rose: -colors 5 -compress None", 4, 0},
        ToolCase{"OneBit", "rose: -monochrome", 1, 0},
        ToolCase{"OneBitOddWidth", "-size 37x9 pattern:checkerboard -monochrome", 1, 0}),
    [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------ crafted files

std::vector<test::Rgb> DistinctColours(int count) {
    std::vector<test::Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7 + 3)});
    return colours;
}

// Pixel values of a width x height picture, rows top to bottom, all below `colours`.
std::vector<std::uint8_t> Pattern(int width, int height, int colours) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(static_cast<std::uint8_t>((x * 3 + y * 5 + x * y) % colours));
    return pixels;
}

struct CraftedCase {
    std::string name;
    test::BmpFile file;
    std::vector<std::uint8_t> pixels;  // what the picture shows, rows top to bottom
    bool toolReadsIt;                  // the tool agrees with the expected pixels
};
void PrintTo(const CraftedCase& c, std::ostream* out) { *out << c.name; }

test::BmpFile Packed(int width, int height, int bitCount, int colours, bool topDown = false) {
    test::BmpFile file;
    file.width = width;
    file.height = topDown ? -height : height;
    file.bitCount = static_cast<std::uint16_t>(bitCount);
    file.colours = DistinctColours(colours);
    file.clrUsed = colours == 1 << bitCount ? 0 : static_cast<std::uint32_t>(colours);
    file.pixels = test::PackRows(Pattern(width, height, colours), width, height, bitCount, topDown);
    return file;
}

std::vector<CraftedCase> CraftedCases() {
    std::vector<CraftedCase> cases;
    cases.push_back({"TopDownEightBit", Packed(7, 5, 8, 256, true), Pattern(7, 5, 256), true});
    cases.push_back({"TopDownFourBit", Packed(9, 4, 4, 16, true), Pattern(9, 4, 16), true});
    cases.push_back({"TopDownOneBit", Packed(19, 3, 1, 2, true), Pattern(19, 3, 2), true});
    cases.push_back({"ShortTableEightBit", Packed(5, 3, 8, 6), Pattern(5, 3, 6), true});
    cases.push_back({"ShortTableFourBit", Packed(6, 2, 4, 3), Pattern(6, 2, 3), true});

    CraftedCase gap{"PixelsAfterAGap", Packed(8, 4, 8, 40), Pattern(8, 4, 40), true};
    gap.file.gap = 100;
    cases.push_back(gap);

    CraftedCase zeroOffset{"PixelOffsetZero", Packed(8, 4, 8, 40), Pattern(8, 4, 40), false};
    zeroOffset.file.offBits = 0;
    cases.push_back(zeroOffset);

    // The smallest complete picture: 66 bytes in all.
    cases.push_back({"OneByOneOneBit", Packed(1, 1, 1, 2), Pattern(1, 1, 2), true});

    // A table longer than 256 entries: its first 256 are the colours.
    CraftedCase longTable{"ColourTableOver256", Packed(16, 16, 8, 256), Pattern(16, 16, 256), false};
    longTable.file.colours = DistinctColours(300);
    longTable.file.clrUsed = 300;
    cases.push_back(longTable);

    // RLE4: a run, a literal of 3 pixels, end of line, a delta, a run, end of bitmap.
    CraftedCase rle4{"Rle4", {}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 3, 4, 3, 4, 10, 11, 12}, true};
    rle4.file.width = 7;
    rle4.file.height = 3;
    rle4.file.bitCount = 4;
    rle4.file.compression = win::BI_RLE4;
    rle4.file.colours = DistinctColours(16);
    rle4.file.pixels = {4, 0x34, 0, 3, 0xAB, 0xC0, 0, 0, 0, 2, 3, 0, 1, 0x90, 0, 1};
    cases.push_back(rle4);

    // RLE8: a run, end of line, a delta over a whole row, an odd literal.
    CraftedCase rle8{"Rle8Crafted", {}, {7, 8, 9, 0, 0, 0, 0, 0, 2, 2, 2, 2}, true};
    rle8.file.width = 4;
    rle8.file.height = 3;
    rle8.file.compression = win::BI_RLE8;
    rle8.file.colours = DistinctColours(10);
    rle8.file.clrUsed = 10;
    rle8.file.pixels = {4, 2, 0, 0, 0, 2, 0, 1, 0, 3, 7, 8, 9, 0, 0, 1};
    cases.push_back(rle8);
    return cases;
}

class CraftedSlide : public still_test::InTempFolder, public testing::WithParamInterface<CraftedCase> {};

TEST_P(CraftedSlide, ShowsThePictureAsStored) {
    const CraftedCase& c = GetParam();
    test::WriteBytes("pic.bmp", c.file.Bytes());
    DSlideWin slide(nullptr, "pic.bmp", host_);
    EXPECT_EQ(Boxes(NewTraceLines()), std::vector<std::string>{});
    ASSERT_TRUE(slide.HasPicture());
    ASSERT_NE(slide.Palette(), nullptr);
    const int width = c.file.width;
    const int height = c.file.height < 0 ? -c.file.height : c.file.height;
    ASSERT_EQ(slide.Width(), width);
    ASSERT_EQ(slide.Height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(FileColourOf(slide, x, y), c.file.colours[c.pixels[y * width + x]]) << x << "," << y;
    if (c.toolReadsIt) ExpectSameAsTool(slide, "pic.bmp");
}

INSTANTIATE_TEST_SUITE_P(Layouts, CraftedSlide, testing::ValuesIn(CraftedCases()),
                         [](const auto& info) { return info.param.name; });

// A picture without pixels holds nothing to read, however many rows it claims.
TEST_F(CraftedSlide, EmptyPictureLoads) {
    for (const auto& [width, height] : {std::pair{0, 5}, std::pair{7, 0}, std::pair{0, -INT_MAX}}) {
        test::BmpFile file = Packed(4, 4, 8, 256);
        file.width = width;
        file.height = height;
        file.pixels.clear();
        test::WriteBytes("empty.bmp", file.Bytes());
        DSlideWin slide(nullptr, "empty.bmp", host_);
        EXPECT_EQ(Boxes(NewTraceLines()), std::vector<std::string>{}) << width << "x" << height;
        EXPECT_NE(slide.Palette(), nullptr);
        EXPECT_EQ(slide.Width(), width);
    }
}

TEST_F(CraftedSlide, SmallestPictureIsSixtySixBytes) { EXPECT_EQ(Packed(1, 1, 1, 2).Bytes().size(), 66u); }

// ------------------------------------------------------------ refusals

struct RefusalCase {
    std::string name;
    Bytes bytes;
    std::string text;
    std::uintmax_t sparseSize = 0;  // when set, the file is made this long with holes
};
void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

Bytes Truncated(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

test::BmpFile WithHeader(void (*change)(test::BmpFile&)) {
    test::BmpFile file = Packed(8, 8, 8, 256);
    change(file);
    return file;
}

std::vector<RefusalCase> RefusalCases() {
    const std::string header = "Unable to read bitmap header";
    const std::string info = "Unable to read bitmap information";
    const std::string windows = "Not a Windows bitmap file";
    const std::string trueColour = "Can't handle TrueColor images";
    const std::string read = "Error in read of .BMP file into memory";
    const std::string last = "Error in last read of .BMP file into memory";
    const Bytes full = Packed(640, 480, 8, 256).Bytes();
    return {
        {"EmptyFile", {}, header},
        {"ShortFileHeader", Truncated(full, 13), header},
        {"NotBm", WithHeader([](auto& f) { f.type = 0x5842; }).Bytes(), "Not a bitmap file"},
        {"ShortInfoHeader", Truncated(full, 14 + 39), info},
        {"ShortColourTable", Truncated(full, 14 + 40 + 1023), info},
        {"ShortFourBitTable", Truncated(Packed(8, 8, 4, 16).Bytes(), 14 + 40 + 63), info},
        {"Os2Header", WithHeader([](auto& f) { f.headerSize = 12; }).Bytes(), windows},
        {"V4Header", WithHeader([](auto& f) { f.headerSize = 108; }).Bytes(), windows},
        {"V5Header", WithHeader([](auto& f) { f.headerSize = 124; }).Bytes(), windows},
        {"SixteenBit", WithHeader([](auto& f) { f.bitCount = 16; }).Bytes(), trueColour},
        {"TwentyFourBit", WithHeader([](auto& f) { f.bitCount = 24; }).Bytes(), trueColour},
        {"ThirtyTwoBit", WithHeader([](auto& f) { f.bitCount = 32; }).Bytes(), trueColour},
        {"TwoBit", WithHeader([](auto& f) { f.bitCount = 2; }).Bytes(), windows},
        {"Rle8WithFourBits", WithHeader([](auto& f) { f.compression = win::BI_RLE8, f.bitCount = 4; }).Bytes(),
         windows},
        {"Rle4WithEightBits", WithHeader([](auto& f) { f.compression = win::BI_RLE4; }).Bytes(), windows},
        {"BitFields", WithHeader([](auto& f) { f.compression = 3; }).Bytes(), windows},
        {"EndsInFirstBlock", Truncated(full, 1078 + 5000), read},
        {"EndsInAFullBlock", Truncated(full, 1078 + 100000), read},
        {"EndsInLastRead", Truncated(full, 1078 + 307200 - 100), last},
        {"EndsInOnlyRead", Truncated(Packed(8, 8, 8, 256).Bytes(), 1078 + 60), last},
        {"NoPixelsAtAll", Truncated(Packed(8, 8, 8, 256).Bytes(), 1078), last},
        {"HugeDimensions", WithHeader([](auto& f) { f.width = f.height = INT_MAX; }).Bytes(), read},
        {"WidthTimesHeightWrapsTo32Bits", WithHeader([](auto& f) { f.width = 65536, f.height = 65537; }).Bytes(), read},
        {"NegativeWidth", WithHeader([](auto& f) { f.width = -8; }).Bytes(), read},
        {"LowestHeight", WithHeader([](auto& f) { f.height = INT_MIN; }).Bytes(), read},
        {"HugeOneBit", WithHeader([](auto& f) { f.bitCount = 1, f.colours.resize(2), f.width = 1 << 30; }).Bytes(),
         read},
        {"HugeRle", WithHeader([](auto& f) { f.compression = win::BI_RLE8, f.width = f.height = 30000; }).Bytes(),
         read},
        // Its pixels would take 2 GB, which the file holds (as holes): never read.
        {"PixelsPast64MiB", WithHeader([](auto& f) { f.width = 32768, f.height = 65000; }).Bytes(), read,
         std::uintmax_t{32768} * 65000 + 1078},
        {"RleWithoutEnd",
         WithHeader([](auto& f) { f.compression = win::BI_RLE8, f.pixels = {8, 1, 0, 0, 8, 2}; }).Bytes(), last},
    };
}

class RefusedSlide : public still_test::InTempFolder, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedSlide, ReportsWhyAndShowsNothing) {
    const RefusalCase& c = GetParam();
    test::WriteBytes("bad.bmp", c.bytes);
    if (c.sparseSize) std::filesystem::resize_file("bad.bmp", c.sparseSize);
    DSlideWin slide(nullptr, "bad", host_);
    const auto lines = NewTraceLines();
    EXPECT_EQ(Boxes(lines), std::vector<std::string>{"none\tFatal Error\t" + c.text});
    EXPECT_EQ(slide.Palette(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedSlide, testing::ValuesIn(RefusalCases()),
                         [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------ file names

struct NameCase {
    std::string written;
    std::string opened;
};
void PrintTo(const NameCase& c, std::ostream* out) { *out << c.written; }

class SlideFileName : public still_test::InTempFolder, public testing::WithParamInterface<NameCase> {};

TEST_P(SlideFileName, GetsBmpOnlyWithoutExtension) {
    const NameCase& c = GetParam();
    std::filesystem::create_directories("sub");
    DSlideWin slide(nullptr, c.written.c_str(), host_);
    EXPECT_STREQ(slide.FileName(), c.opened.c_str());
    EXPECT_EQ(Boxes(NewTraceLines()),
              std::vector<std::string>{"none\tFatal Error\tThe file " + c.opened + " could not be found."});
    EXPECT_FALSE(slide.HasPicture());
}

INSTANTIATE_TEST_SUITE_P(Completion, SlideFileName,
                         testing::Values(NameCase{"title", "title.bmp"}, NameCase{"title.", "title.bmp"},
                                         NameCase{"title.BMP", "title.BMP"}, NameCase{"pic.dib", "pic.dib"},
                                         NameCase{"a.b", "a.b"}, NameCase{"sub\\title", "sub\\title.bmp"},
                                         NameCase{"sub\\title.", "sub\\title.bmp"},
                                         NameCase{"my.dir\\title", "my.dir\\title.bmp"}));

TEST_F(SlideFileName, MissingNameIsReported) {
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        DSlideWin slide(nullptr, name, host_);
        EXPECT_EQ(Boxes(NewTraceLines()), std::vector<std::string>{"none\tFatal Error\tInvalid, no filename given."});
        EXPECT_FALSE(slide.HasPicture());
    }
}

TEST_F(SlideFileName, NameIsMatchedWithoutRegardToCase) {
    test::WriteBytes("TITLE.BMP", Packed(4, 4, 8, 256).Bytes());
    DSlideWin slide(nullptr, "title", host_);
    EXPECT_TRUE(slide.HasPicture());
    EXPECT_EQ(Boxes(NewTraceLines()), std::vector<std::string>{});
}

// An existence test that fails for another reason than a missing file lets
// the open decide, which reports the folder it looked in.
TEST_F(SlideFileName, FailedOpenNamesFileAndFolder) {
    test::WriteBytes("plain", Packed(4, 4, 8, 256).Bytes());
    testing::internal::CaptureStderr();
    DSlideWin slide(nullptr, "plain\\pic.bmp", host_);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("slide constructor: ", 0), 0u) << errors;
    EXPECT_EQ(
        Boxes(NewTraceLines()),
        std::vector<std::string>{"none\tFatal Error\tUnable to open bitmap file plain\\pic.bmp \n in current dir " +
                                 std::filesystem::current_path().string()});
    EXPECT_FALSE(slide.HasPicture());
}

// ------------------------------------------------------------ serving the sound

struct ServingCase {
    std::string name;
    Bytes bytes;
    int servings;
};
void PrintTo(const ServingCase& c, std::ostream* out) { *out << c.name; }

class SlideServing : public still_test::InTempFolder, public testing::WithParamInterface<ServingCase> {};

// Five servings around the headers, then one before and one after every block read.
TEST_P(SlideServing, ServesAroundEveryRead) {
    const ServingCase& c = GetParam();
    if (!c.bytes.empty()) test::WriteBytes("pic.bmp", c.bytes);
    { DSlideWin slide(nullptr, "pic", host_); }
    EXPECT_EQ(host_.serves, c.servings);
}

INSTANTIATE_TEST_SUITE_P(Files, SlideServing,
                         testing::Values(ServingCase{"FullBlocksAndALastRead", Packed(640, 480, 8, 256).Bytes(),
                                                     5 + 37 * 2 + 2},
                                         ServingCase{"FullBlocksOnly", Packed(512, 256, 8, 256).Bytes(), 5 + 16 * 2},
                                         ServingCase{"LastReadOnly", Packed(8, 8, 8, 256).Bytes(), 5 + 2},
                                         ServingCase{"NotABitmap", Bytes(64, 'x'), 4}, ServingCase{"Missing", {}, 1}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
