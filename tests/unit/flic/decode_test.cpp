// SPDX-License-Identifier: GPL-3.0-or-later
// What a movie leaves on the screen: every chunk type decoded into the frame
// buffer, raised by the pixel shift (10 with the display's 20 static colours)
// and drawn centred.
#include <array>
#include <functional>

#include "movie_fixture.h"
#include "support/fresh_session.h"

namespace {

using namespace movie_test;
using flc::Chunk;
using flc::Frame;
using flc::Image;

constexpr int Shift = 10;

win::UINT DisplayPaletteUse() {
    win::HDC screen = win::GetDC(nullptr);
    const win::UINT use = win::GetSystemPaletteUse(screen);
    win::ReleaseDC(nullptr, screen);
    return use;
}

// ---------------------------------------------------------------- whole movies

struct RoundTrip {
    std::string name;
    int width, height;
    flc::Compression compression;
    int frames;
    bool repaintAfterFirst = false;  // the window filled black once the first frame is shown
};
void PrintTo(const RoundTrip& c, std::ostream* out) { *out << c.name; }

class MovieRoundTrip : public MovieTest, public testing::WithParamInterface<RoundTrip> {};

TEST_P(MovieRoundTrip, LastFrameShowsAsWritten) {
    const RoundTrip& c = GetParam();
    std::vector<Image> frames;
    for (int i = 0; i < c.frames; ++i) frames.push_back(flc::TestPattern(c.width, c.height, i, 200));
    int clockReads = 0;
    // The clock is read once before the first frame is shown and once after.
    if (c.repaintAfterFirst) {
        host.watch = [&](win::DWORD) {
            if (++clockReads != 2) return;
            win::HDC dc = win::GetDC(window);
            win::PatBlt(dc, 0, 0, 4000, 4000, win::BLACKNESS);
            win::ReleaseDC(window, dc);
        };
    }
    EXPECT_EQ(Play(flc::Animation(c.width, c.height, frames, Colours(200), c.compression)), std::vector<std::string>{});
    EXPECT_EQ(Shown(c.width, c.height), Shifted(frames.back(), Shift));
}

INSTANTIATE_TEST_SUITE_P(Compressions, MovieRoundTrip,
                         testing::Values(RoundTrip{"WordDelta", 320, 200, flc::Compression::Delta, 12},
                                         RoundTrip{"WordDeltaAfterARepaint", 320, 200, flc::Compression::Delta, 12,
                                                   true},
                                         RoundTrip{"WordDeltaOddWidth", 7, 5, flc::Compression::Delta, 9},
                                         RoundTrip{"WordDeltaLongSkips", 639, 9, flc::Compression::Delta, 6},
                                         RoundTrip{"ByteDelta", 321, 40, flc::Compression::DeltaLc, 8},
                                         RoundTrip{"ByteDeltaLongSkips", 600, 7, flc::Compression::DeltaLc, 6},
                                         RoundTrip{"RunLength", 301, 31, flc::Compression::ByteRun, 3},
                                         RoundTrip{"Uncompressed", 13, 11, flc::Compression::Copy, 3}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- chunk shapes

Chunk Raw(std::uint16_t type, flc::Bytes data) { return {type, std::move(data), std::nullopt}; }

flc::Movie OneFrame(int width, int height, std::vector<Chunk> chunks) {
    flc::Movie movie = EmptyMovie(width, height);
    chunks.insert(chunks.begin(), flc::Palette(Colours()));
    movie.frames.push_back({std::move(chunks)});
    return movie;
}

Image Filled(int width, int height, std::uint8_t value) {
    return Image(static_cast<std::size_t>(width) * height, value);
}

struct Shape {
    std::string name;
    int width, height;
    std::function<flc::Movie()> movie;
    Image expected;  // as the screen holds it
};
void PrintTo(const Shape& c, std::ostream* out) { *out << c.name; }

const Image Base4x3 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

flc::Movie OnBase(std::vector<Chunk> chunks) {
    flc::Movie movie = OneFrame(4, 3, {flc::ByteRun(Base4x3, 4, 3)});
    movie.frames.push_back({std::move(chunks)});
    return movie;
}

Image BaseWith(std::initializer_list<std::pair<int, std::uint8_t>> changes) {
    Image image = Shifted(Base4x3, Shift);
    for (auto [at, value] : changes) image[static_cast<std::size_t>(at)] = value;
    return image;
}

// A copied image of 2 everywhere, shifted, but for one pixel a later chunk set.
Image CopiedWith(int at, std::uint8_t value) {
    Image image = Filled(4, 3, 2 + Shift);
    image[static_cast<std::size_t>(at)] = value;
    return image;
}

std::vector<Shape> Shapes() {
    return {
        // Line count 1: skip two lines, then a packet count of 1 on row 2.
        {"WordDeltaSkipThenPackets", 4, 3,
         [] {
             return OnBase({Raw(flic::DeltaFlc, {1, 0, 0xFE, 0xFF, 1, 0, 1, 1, 40, 41})});
         },
         BaseWith({{9, 50}, {10, 51}})},
        // Last-pixel word, then a packet count of 0.
        {"WordDeltaLastPixel", 4, 3,
         [] {
             return OnBase({Raw(flic::DeltaFlc, {1, 0, 77, 0x80, 0, 0})});
         },
         BaseWith({{3, 87}})},
        // A repeated pair, and a count of 0 that carries no data.
        {"WordDeltaRepeatAndEmptyPacket", 4, 3,
         [] {
             return OnBase({Raw(flic::DeltaFlc, {1, 0, 2, 0, 0, 0, 0, 0xFF, 30, 31})});
         },
         BaseWith({{0, 40}, {1, 41}})},
        // Skips, runs and a line past the bottom are cut at the image's edges.
        {"WordDeltaClipped", 4, 3,
         [] {
             return OnBase({Raw(flic::DeltaFlc, {2, 0, 0xFE, 0xFF, 1, 0, 3, 0xFE, 60, 61, 1, 0, 0, 0xFF, 5, 6})});
         },
         BaseWith({{11, 70}})},
        {"ByteDeltaRunsAndEmptyPacket", 4, 3,
         [] {
             return OnBase({Raw(flic::DeltaFli, {1, 0, 1, 0, 3, 1, 1, 90, 0, 0, 0, 0xFE, 20})});
         },
         BaseWith({{5, 100}, {6, 30}, {7, 30}})},
        {"ByteDeltaClipped", 4, 3,
         [] {
             return OnBase({Raw(flic::DeltaFli, {2, 0, 3, 0, 1, 3, 0xFC, 20, 1, 0, 0xFF, 9, 1, 0, 0xFF, 9})});
         },
         BaseWith({{11, 30}})},
        // Per row: an ignored count, a count 0 that consumes its value, a run, literals.
        {"RunLengthCountZeroAndLiterals",
         4,
         1,
         [] {
             return OneFrame(4, 1, {Raw(flic::ByteRun, {9, 0, 55, 2, 7, 0xFE, 8, 9})});
         },
         {17, 17, 18, 19}},
        {"RunLengthRowOvershoots",
         4,
         2,
         [] {
             return OneFrame(4, 2, {Raw(flic::ByteRun, {1, 6, 3, 1, 4, 4})});
         },
         {13, 13, 13, 13, 14, 14, 14, 14}},
        {"Black", 4, 3, [] { return OnBase({flc::Black()}); }, Filled(4, 3, 0)},
        {"PostageStampSkipped", 4, 3,
         [] {
             return OnBase({flc::PostageStamp({1, 2, 3, 4}, 2, 2)});
         },
         BaseWith({})},
        {"FrameWithoutChunksKeepsImage", 4, 3, [] { return OnBase({}); }, BaseWith({})},
        {"CopyPublishedSizeThenChunk", 4, 3,
         [] {
             return OnBase({flc::Copy(Filled(4, 3, 2), 4, 3, flc::CopySize::Standard),
                            Raw(flic::DeltaFli, {0, 0, 1, 0, 1, 0, 1, 5})});
         },
         CopiedWith(0, 15)},
        {"CopyShortSizeThenChunk", 4, 3,
         [] {
             return OnBase({flc::Copy(Filled(4, 3, 2), 4, 3, flc::CopySize::Short),
                            Raw(flic::DeltaFli, {0, 0, 1, 0, 1, 0, 1, 5})});
         },
         CopiedWith(0, 15)},
        // The copy's last two pixels and the large stamp's size after them
        // read as a chunk header too: the player's own layout is taken.
        {"CopyShortSizeWhereBothLayoutsFit", 4, 3,
         [] {
             return OnBase({flc::Copy(Filled(4, 3, 2), 4, 3, flc::CopySize::Short),
                            Raw(flic::PostageStamp, flc::Bytes(0x40000 - 6)),
                            Raw(flic::DeltaFli, {0, 0, 1, 0, 1, 0, 1, 5})});
         },
         CopiedWith(0, 15)},
        // The frame's own size is no guide to where its chunks are.
        {"CopyShortSizeWhereNeitherLayoutFits", 4, 3,
         [] {
             flc::Movie movie = OnBase({flc::Copy(Filled(4, 3, 2), 4, 3, flc::CopySize::Short),
                                        Raw(flic::DeltaFli, {0, 0, 1, 0, 1, 0, 1, 5})});
             movie.frames[1].size = 16;
             return movie;
         },
         CopiedWith(0, 15)},
        {"CopyPublishedSizeThenFrame", 4, 3,
         [] {
             flc::Movie movie = OnBase({flc::Copy(Filled(4, 3, 2), 4, 3, flc::CopySize::Standard)});
             movie.frames.push_back({{Raw(flic::DeltaFli, {2, 0, 1, 0, 1, 3, 1, 6})}});
             return movie;
         },
         CopiedWith(11, 16)},
    };
}

class ChunkShape : public MovieTest, public testing::WithParamInterface<Shape> {};

TEST_P(ChunkShape, DecodesIntoTheImage) {
    const Shape& c = GetParam();
    if (DisplayPaletteUse() != win::SYSPAL_STATIC) GTEST_SKIP() << "needs the display's static colours";
    EXPECT_EQ(Play(c.movie()), std::vector<std::string>{});
    EXPECT_EQ(Shown(c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Chunks, ChunkShape, testing::ValuesIn(Shapes()),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- palettes

// Red, green, blue and flags of each entry.
using Entries = std::vector<std::array<int, 4>>;

Entries EntriesOf(const win::PALETTEENTRY* raw) {
    Entries entries;
    for (int i = 0; i < 256; ++i) entries.push_back({raw[i].peRed, raw[i].peGreen, raw[i].peBlue, raw[i].peFlags});
    return entries;
}

Entries PaletteOf(win::HPALETTE palette) {
    win::PALETTEENTRY raw[256]{};
    win::GetPaletteEntries(palette, 0, 256, raw);
    return EntriesOf(raw);
}

Entries SystemColours() {
    win::PALETTEENTRY raw[256]{};
    win::HDC screen = win::GetDC(nullptr);
    win::GetSystemPaletteEntries(screen, 0, 256, raw);
    win::ReleaseDC(nullptr, screen);
    return EntriesOf(raw);
}

std::array<int, 4> Entry(const flc::Rgb& c, int flags) { return {c.r, c.g, c.b, flags}; }

struct PaletteCase {
    std::string name;
    std::vector<Chunk> chunks;                    // one frame each
    std::vector<std::pair<int, flc::Rgb>> named;  // entries the chunks set, the others keep the system's colours
};
void PrintTo(const PaletteCase& c, std::ostream* out) { *out << c.name; }

std::vector<PaletteCase> StaticPaletteCases() {
    const auto colours = Colours();
    std::vector<std::pair<int, flc::Rgb>> full;
    for (int i = 0; i < 236; ++i) full.push_back({10 + i, colours[i]});
    auto fullThen = [&](std::vector<std::pair<int, flc::Rgb>> changes) {
        auto named = full;
        for (auto& change : changes) named[change.first - 10] = change;
        return named;
    };
    return {
        {"FullPacketFillsBetweenStatics", {flc::Palette(colours)}, full},
        {"Colour64Unscaled", {flc::Palette({{63, 0, 63}}, flic::Color64)}, {{10, {63, 0, 63}}}},
        {"SkipsRunOnAcrossPackets",
         {flc::PalettePackets({{0, {{1, 1, 1}, {2, 2, 2}}}, {3, {{5, 5, 5}}}})},
         {{10, {1, 1, 1}}, {11, {2, 2, 2}}, {15, {5, 5, 5}}}},
        {"PartialUpdateKeepsOtherColours",
         {flc::Palette(colours), flc::PalettePackets({{100, {{9, 9, 9}}}})},
         fullThen({{110, {9, 9, 9}}})},
        {"ColoursPastTheTopAreDropped", {flc::PalettePackets({{235, {{7, 7, 7}, {8, 8, 8}}}})}, {{245, {7, 7, 7}}}},
    };
}

class StaticPalette : public MovieTest, public testing::WithParamInterface<PaletteCase> {};

TEST_P(StaticPalette, PlacesColoursAfterTheLowStatics) {
    const PaletteCase& c = GetParam();
    if (DisplayPaletteUse() != win::SYSPAL_STATIC) GTEST_SKIP() << "needs the display's static colours";
    const Entries system = SystemColours();
    flc::Movie movie = EmptyMovie(4, 1);
    for (const Chunk& chunk : c.chunks) movie.frames.push_back({{chunk}});
    EXPECT_EQ(Play(movie), std::vector<std::string>{});

    Entries expected = system;
    for (int i = 0; i < 256; ++i) expected[i][3] = i < 10 || i > 245 ? 0 : win::PC_NOCOLLAPSE;
    for (const auto& [index, colour] : c.named) expected[index] = Entry(colour, win::PC_NOCOLLAPSE);
    EXPECT_EQ(PaletteOf(lastPalette), expected);
}

INSTANTIATE_TEST_SUITE_P(Palettes, StaticPalette, testing::ValuesIn(StaticPaletteCases()),
                         [](const auto& info) { return info.param.name; });

// In a platform session of its own under the setting without static colours.
class NoStaticPalette : public MovieTest {
protected:
    void SetUp() override {
        session_.emplace(
            std::map<std::string, const char*>{{"CORVANTA_PALETTE", "nostatic"}, {"CORVANTA_TRACE", nullptr}});
        MovieTest::SetUp();
    }
    void TearDown() override {
        MovieTest::TearDown();
        session_.reset();
    }

private:
    std::optional<test::SessionWith> session_;
};

TEST_F(NoStaticPalette, TakesColoursFromEntryZeroAndShiftsNothing) {
    ASSERT_EQ(DisplayPaletteUse(), win::SYSPAL_NOSTATIC);
    const Entries system = SystemColours();
    const auto colours = Colours(16);
    flc::Movie movie = EmptyMovie(4, 3);
    movie.frames.push_back({{flc::Palette(colours), flc::ByteRun(Base4x3, 4, 3)}});
    EXPECT_EQ(Play(movie), std::vector<std::string>{});
    EXPECT_EQ(Shown(4, 3), Base4x3);

    Entries expected = system;
    for (auto& entry : expected) entry[3] = win::PC_NOCOLLAPSE;
    for (int i = 0; i < 16; ++i) expected[i] = Entry(colours[i], win::PC_NOCOLLAPSE);
    expected[0] = {0, 0, 0, 0};
    expected[255] = {255, 255, 255, 0};
    EXPECT_EQ(PaletteOf(lastPalette), expected);
}

}  // namespace
