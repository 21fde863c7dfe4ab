// SPDX-License-Identifier: GPL-3.0-or-later
// Media the player would refuse, with its own messages, and pictures whose
// pixels will show system colours: one crafted file per row, named by a
// script line as a still, a movie or music.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check_fixture.h"
#include "support/bmp_writer.h"
#include "support/flc_writer.h"
#include "support/wav_writer.h"

namespace {

using check_test::Bytes;

struct MediaCase {
    std::string name;
    std::string file;  // pic.bmp, intro.flc or theme.wav
    std::string bytes;
    std::vector<std::string> expected;
    std::string script = {};       // when not the usual line naming the file
    check_test::Tree others = {};  // files beside it
};
void PrintTo(const MediaCase& c, std::ostream* out) { *out << c.name; }

// An 8-bit picture, 64 x 48, of `colours` table entries; `pixel` gives each
// pixel's value from its index, rows top to bottom.
test::BmpFile EightBit(std::vector<test::Rgb> colours, std::uint8_t (*pixel)(int)) {
    test::BmpFile file;
    file.width = 64;
    file.height = 48;
    file.colours = std::move(colours);
    file.clrUsed = static_cast<std::uint32_t>(file.colours.size());
    std::vector<std::uint8_t> pixels(64 * 48);
    for (int i = 0; i < 64 * 48; ++i) pixels[i] = pixel(i);
    file.pixels = test::PackRows(pixels, 64, 48, 8);
    return file;
}

// Colours unlike any the display keeps, with `set` placed over them.
std::vector<test::Rgb> Table(int count, std::vector<std::pair<int, test::Rgb>> set = {}) {
    std::vector<test::Rgb> colours;
    for (int i = 0; i < count; ++i) colours.push_back({static_cast<std::uint8_t>(i), 77, 33});
    for (const auto& [entry, colour] : set) colours[entry] = colour;
    return colours;
}

std::string Bmp(const test::BmpFile& file) { return Bytes(file.Bytes()); }

std::string Truncated(const test::BmpFile& file, std::size_t keep) { return Bmp(file).substr(0, keep); }

template <typename Change>
std::string Flc(Change change) {
    flc::Movie movie;
    movie.width = 8;
    movie.height = 4;
    const flc::Image image(32, 1);
    movie.frames.push_back({{flc::Palette({{0, 0, 0}, {9, 9, 9}}), flc::ByteRun(image, 8, 4)}});
    movie.frames.push_back({{flc::Black()}});
    change(movie);
    return Bytes(flc::Encode(movie));
}

// 256 colours unlike the display's own, black at 0 and white at 245, which
// lands on the display's white.
std::vector<flc::Rgb> MovieColours() {
    std::vector<flc::Rgb> colours;
    for (int i = 0; i < 256; ++i) colours.push_back({static_cast<std::uint8_t>(i), 77, 33});
    colours[0] = {0, 0, 0};
    colours[245] = {255, 255, 255};
    return colours;
}

// An 8 x 4 picture: 8 pixels of 240, 4 of 250, 4 of 245, the rest 1.
flc::Image HighEntries() {
    flc::Image image(32, 1);
    for (int i = 0; i < 16; ++i) image[i] = i < 8 ? 240 : i < 12 ? 250 : 245;
    return image;
}

std::string LostPixels(int onKept, int before) {
    return "intro.flc:0: " + std::to_string(onKept + before) +
           " pixels drawn show a system colour instead of the movie's with static colours (" + std::to_string(onKept) +
           " on palette entries the display keeps, " + std::to_string(before) +
           " drawn before the first palette chunk); --fix-palette makes a copy that shows as made";
}

std::string Wav(std::uint16_t tag, std::uint32_t rate, std::uint16_t bits) {
    return Bytes(test::WavFile{tag, 1, rate, bits, 64}.Bytes());
}

std::vector<MediaCase> Cases() {
    const test::BmpFile plain = EightBit(Table(16), [](int i) { return static_cast<std::uint8_t>(i % 16); });
    test::BmpFile wrongType = plain, os2 = plain, trueColour = plain, rle = plain;
    wrongType.type = 0x4141;
    os2.headerSize = 12;
    trueColour.bitCount = 24;
    rle.compression = 1;
    rle.width = rle.height = 8;
    rle.pixels = {2, 5};  // one run, then the data end with rows still due
    test::BmpFile large = plain;
    large.width = large.height = 128;
    large.pixels.assign(4000, 1);
    const std::string lost = "pixels show a system colour instead of the picture's with static colours, ";
    const std::string mend = " without; --fix-palette makes a copy that shows as drawn";
    return {
        {"BitmapOfAnotherType", "pic.bmp", Bmp(wrongType), {"pic.bmp:0: Not a bitmap file"}},
        {"BitmapHeaderCut", "pic.bmp", "BM\x10", {"pic.bmp:0: Unable to read bitmap header"}},
        {"BitmapInformationCut", "pic.bmp", Truncated(plain, 34), {"pic.bmp:0: Unable to read bitmap information"}},
        {"BitmapWithOtherHeader", "pic.bmp", Bmp(os2), {"pic.bmp:0: Not a Windows bitmap file"}},
        {"TrueColourBitmap", "pic.bmp", Bmp(trueColour), {"pic.bmp:0: Can't handle TrueColor images"}},
        {"PixelsCutInAFullBlock", "pic.bmp", Bmp(large), {"pic.bmp:0: Error in read of .BMP file into memory"}},
        {"PixelsCutInTheLastBlock",
         "pic.bmp",
         Truncated(plain, 14 + 40 + 64 + 1000),
         {"pic.bmp:0: Error in last read of .BMP file into memory"}},
        {"RunLengthDataCut", "pic.bmp", Bmp(rle), {"pic.bmp:0: Error in last read of .BMP file into memory"}},
        {"MainColourOnAKeptEntry",
         "pic.bmp",
         Bmp(EightBit(Table(256, {{0, {0, 0, 128}}}),
                      [](int i) { return static_cast<std::uint8_t>(i < 1000   ? 0
                                                                   : i < 1072 ? 250
                                                                              : 100); })),
         {"pic.bmp:0: 1072 " + lost + "1000" + mend}},
        {"TopEntryOfAnotherColourThanWhite",
         "pic.bmp",
         Bmp(EightBit(Table(256), [](int i) { return static_cast<std::uint8_t>(i < 64 ? 255 : 100); })),
         {"pic.bmp:0: 64 " + lost + "64" + mend}},
        {"TableTooLongToBeMovedClear",
         "pic.bmp",
         Bmp(EightBit(Table(240), [](int) { return std::uint8_t{235}; })),
         {"pic.bmp:0: 3072 " + lost + "0" + mend}},
        {"KeptEntriesHoldingTheDisplaysColours",
         "pic.bmp",
         Bmp(EightBit(Table(256, {{0, {0, 0, 0}}, {255, {255, 255, 255}}}),
                      [](int i) { return static_cast<std::uint8_t>(i % 2 ? 255 : 0); })),
         {}},
        {"FewColoursAreMovedClear",
         "pic.bmp",
         Bmp(EightBit(Table(16, {{0, {0, 0, 128}}}), [](int) { return std::uint8_t{0}; })),
         {}},
        {"EachFileIsCheckedOnce",
         "pic.bmp",
         Bmp(wrongType),
         {"pic.bmp:0: Not a bitmap file"},
         "still pic\nendstill\nstill PIC.BMP\nendstill\n"},
        {"MovieOfAnotherKind",
         "intro.flc",
         Flc([](flc::Movie& m) { m.magic = 0xAF11; }),
         {"intro.flc:0: intro is not a Flic file!"}},
        {"MovieNotClosed",
         "intro.flc",
         Flc([](flc::Movie& m) { m.flags = 0; }),
         {"intro.flc:0: intro was not closed properly!"}},
        {"MovieHeaderCut", "intro.flc", std::string(100, '\0'), {"intro.flc:0: Unable to read Flic header."}},
        {"MovieFrameOfAnotherType",
         "intro.flc",
         Flc([](flc::Movie& m) { m.frames[1].type = 0x1234; }),
         {"intro.flc:0: Frame 2 type 0x1234 was invalid!"}},
        {"MovieChunkOfUnknownType",
         "intro.flc",
         Flc([](flc::Movie& m) { m.frames[1].chunks[0].type = 99; }),
         {"intro.flc:0: Unknown chunk type 99!!"}},
        {"MovieShortOfFrames",
         "intro.flc",
         Flc([](flc::Movie& m) { m.frameCount = 3; }),
         {"intro.flc:0: Couldn't read frame header"}},
        {"MovieTooLarge",
         "intro.flc",
         Flc([](flc::Movie& m) { m.width = m.height = 65535; }),
         {"intro.flc:0: Could not allocate enough memory to run this flic."}},
        {"MovieFailingInsideAChunk",
         "intro.flc",
         Flc([](flc::Movie& m) {
             m.frames[1].chunks = {{flic::FliCopy, flc::Bytes(10), std::nullopt}};
         }),
         {"intro.flc:0: Error reading uncompressed frame data."}},
        {"MovieColoursOnEntriesTheDisplayKeeps",
         "intro.flc",
         Flc([](flc::Movie& m) {
             m.frames[0].chunks = {flc::Palette(MovieColours()), flc::ByteRun(HighEntries(), 8, 4)};
         }),
         {LostPixels(12, 0)}},
        {"MoviePixelsBeforeItsPalette",
         "intro.flc",
         Flc([](flc::Movie& m) { std::swap(m.frames[0].chunks[0], m.frames[0].chunks[1]); }),
         {LostPixels(0, 32)}},
        {"MovieBlackChunkWithColourZeroNotBlack",
         "intro.flc",
         Flc([](flc::Movie& m) {
             m.frames[0].chunks[0] = flc::Palette({{0, 0, 200}, {9, 9, 9}});
         }),
         {LostPixels(32, 0)}},
        {"MovieWithARefusedSound",
         "intro.flc",
         check_test::Movie(),
         {"intro.wav:0: not a RIFF WAVE image"},
         "movie intro\n",
         {{"intro.wav", "not a sound"}}},
        {"SoundOfAnotherKind", "theme.wav", "not a sound", {"theme.wav:0: not a RIFF WAVE image"}},
        {"SoundOfTwelveBits",
         "theme.wav",
         Wav(1, 22050, 12),
         {"theme.wav:0: WAV image of a sample format not supported"}},
        {"SoundInAnUnknownCoding",
         "theme.wav",
         Wav(0x55, 22050, 0),
         {"theme.wav:0: WAV image of a sample format not supported"}},
        {"SoundOfTooLowARate",
         "theme.wav",
         Wav(1, 500, 16),
         {"theme.wav:0: WAV image with channels or rate not supported"}},
        {"CompressedSoundThatPlays", "theme.wav", Wav(0x11, 22050, 4), {}},
    };
}

std::string ScriptFor(const MediaCase& c) {
    if (!c.script.empty()) return c.script;
    if (c.file.ends_with(".bmp")) return "still pic\nendstill\n";
    if (c.file.ends_with(".flc")) return "movie intro.flc\n";
    return "music theme\n";
}

class MediaFindings : public testing::TestWithParam<MediaCase> {};

TEST_P(MediaFindings, AreThePlayersOwn) {
    const MediaCase& c = GetParam();
    check_test::Tree tree{{"sequence", ScriptFor(c)}, {c.file, c.bytes}};
    tree.insert(tree.end(), c.others.begin(), c.others.end());
    EXPECT_EQ(check_test::Check(tree), c.expected);
    EXPECT_EQ(check_test::Check(tree, check_test::Where::Image), c.expected) << "from an image";
}

INSTANTIATE_TEST_SUITE_P(Check, MediaFindings, testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
