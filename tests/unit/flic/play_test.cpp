// SPDX-License-Identifier: GPL-3.0-or-later
// The movie file and its frame loop: what is reported for each fault of a
// file, how the companion sound is found, started and given back, and how a
// viewer's abort or a quit request ends the play.
#include <fstream>
#include <functional>
#include <set>

#include "movie_fixture.h"

namespace {

using namespace movie_test;
using Errors = std::vector<std::string>;

flc::Movie TwoFrames() {
    flc::Movie movie = EmptyMovie(4, 2);
    const flc::Image image(8, 1);
    movie.frames.push_back({{flc::Palette(Colours()), flc::ByteRun(image, 4, 2)}});
    movie.frames.push_back({{flc::Black()}});
    return movie;
}

void Put16(flc::Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

struct Fault {
    std::string name;
    std::function<flc::Bytes()> file;
    Errors errors;
};
void PrintTo(const Fault& c, std::ostream* out) { *out << c.name; }

flc::Bytes Edited(std::function<void(flc::Movie&)> edit) {
    flc::Movie movie = TwoFrames();
    edit(movie);
    return flc::Encode(movie);
}

flc::Bytes WithChunk(std::uint16_t type, flc::Bytes data) {
    flc::Movie movie = EmptyMovie(4, 2);
    movie.frames.push_back({{flc::Palette(Colours()), {type, std::move(data), std::nullopt}}});
    return flc::Encode(movie);
}

// A chunk whose data the file cuts off after `kept` bytes.
flc::Bytes CutChunk(std::uint16_t type, flc::Bytes data, std::size_t kept) {
    flc::Bytes bytes = WithChunk(type, data);
    bytes.resize(bytes.size() - (data.size() - kept));
    return bytes;
}

std::vector<Fault> Faults() {
    return {
        {"ShortHeader",
         [] {
             flc::Bytes bytes = flc::Encode(TwoFrames());
             bytes.resize(127);
             return bytes;
         },
         {"Unable to read Flic header."}},
        {"OlderVariant", [] { return Edited([](flc::Movie& m) { m.magic = 0xAF11; }); }, {"movie is not a Flic file!"}},
        {"NotClosed", [] { return Edited([](flc::Movie& m) { m.flags = 0; }); }, {"movie was not closed properly!"}},
        {"FirstFrameOutOfReach",
         [] {
             flc::Bytes bytes = flc::Encode(TwoFrames());
             Put16(bytes, 82, 0x8000);
             return bytes;
         },
         {"Couldn't find first flic frame!"}},
        {"TooLargeForMemory",
         [] { return Edited([](flc::Movie& m) { m.width = m.height = 0xFFFF; }); },
         {"Could not allocate enough memory to run this flic."}},
        {"FrameMissing",
         [] { return Edited([](flc::Movie& m) { m.frameCount = 3; }); },
         {"Couldn't read frame header"}},
        {"PrefixFrameType",
         [] { return Edited([](flc::Movie& m) { m.frames[0].type = 0xF100; }); },
         {"Frame 1 type 0xF100 was invalid!"}},
        {"SecondFrameType",
         [] { return Edited([](flc::Movie& m) { m.frames[1].type = 0xabcd; }); },
         {"Frame 2 type 0xABCD was invalid!"}},
        {"ChunkHeaderCut",
         [] {
             flc::Bytes bytes = flc::Encode(TwoFrames());
             bytes.resize(bytes.size() - 3);
             return bytes;
         },
         {"Couldn't read frame chunk"}},
        {"UnknownChunk", [] { return WithChunk(99, {}); }, {"Unknown chunk type 99!!"}},
        {"NextChunkOutOfReach",
         [] { return Edited([](flc::Movie& m) { m.frames[1].chunks[0].size = 0x7FFFFFFF; }); },
         {"Couldn't get to next chunk"}},
        {"ChunkSizeBelowHeader",
         [] { return Edited([](flc::Movie& m) { m.frames[1].chunks[0].size = 5; }); },
         {"Couldn't get to next chunk"}},
        {"PalettePacketCount",
         [] {
             return CutChunk(4, {1, 0}, 1);
         },
         {"Error reading palette packet count"}},
        {"PaletteColour",
         [] {
             return CutChunk(4, {1, 0, 0, 2, 1, 2, 3, 4, 5, 6}, 8);
         },
         {"Error reading palette data"}},
        {"DeltaLineCount",
         [] {
             return CutChunk(7, {1, 0}, 1);
         },
         {"Error reading delta compression line count."}},
        {"DeltaOpcode",
         [] {
             return CutChunk(7, {2, 0, 0, 0, 0, 0}, 5);
         },
         {"Error reading delta compression line."}},
        {"DeltaPacketsAfterLastPixel",
         [] {
             return CutChunk(7, {1, 0, 5, 0x80, 0, 0}, 5);
         },
         {"Error reading delta compression line."}},
        {"DeltaLineStart",
         [] {
             return WithChunk(7, {1, 0, 0, 0x40});
         },
         {"Invalid line start in delta compression."}},
        {"DeltaLiterals",
         [] {
             return CutChunk(7, {1, 0, 1, 0, 0, 1, 5, 6}, 7);
         },
         {"Error reading delta compression data."}},
        {"DeltaPair",
         [] {
             return CutChunk(7, {1, 0, 1, 0, 0, 0xFF, 5, 6}, 7);
         },
         {"Error reading delta compression data."}},
        {"LcHeader",
         [] {
             return CutChunk(12, {0, 0, 1, 0}, 3);
         },
         {"Error reading LC frame"}},
        {"LcLiterals",
         [] {
             return CutChunk(12, {0, 0, 1, 0, 1, 0, 2, 7, 8}, 8);
         },
         {"Error reading BRUN copy data"}},
        {"RunLengthLiterals",
         [] {
             return CutChunk(15, {1, 0xFE, 7, 8}, 3);
         },
         {"Error reading BRUN copy data."}},
        {"CopyRow", [] { return CutChunk(16, flc::Bytes(8, 1), 6); }, {"Error reading uncompressed frame data."}},
        // A file that ends inside a count or a skip ends the play quietly.
        {"EndInsideCount",
         [] {
             return CutChunk(7, {1, 0, 1, 0, 0, 1, 5, 6}, 5);
         },
         {}},
        {"EndInsideRunValue",
         [] {
             return CutChunk(15, {1, 2, 7}, 2);
         },
         {}},
    };
}

class MovieFault : public MovieTest, public testing::WithParamInterface<Fault> {};

TEST_P(MovieFault, IsReportedOnceAndEndsThePlay) {
    EXPECT_EQ(PlayBytes(GetParam().file(), "movie.flc"), GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(Files, MovieFault, testing::ValuesIn(Faults()),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- names and sound

void Touch(const std::string& name) { std::ofstream(name) << "RIFF"; }

struct Naming {
    std::string movieName;           // as the script gives it
    std::vector<std::string> files;  // in the working folder
    std::string movieFile;           // written with the movie
    Errors errors;
    std::vector<std::string> attached;
};
void PrintTo(const Naming& c, std::ostream* out) { *out << c.movieName; }

class MovieNaming : public MovieTest, public testing::WithParamInterface<Naming> {};

TEST_P(MovieNaming, FindsFileAndCompanionSound) {
    const Naming& c = GetParam();
    for (const auto& file : c.files) Touch(file);
    if (!c.movieFile.empty()) flc::WriteFile(c.movieFile, TwoFrames());
    movie = std::make_unique<DFLCWindow>(window, c.movieName.c_str(), host);
    movie->Play();
    EXPECT_EQ(host.errors, c.errors);
    EXPECT_EQ(host.attached, c.attached);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MovieNaming,
    testing::Values(Naming{"intro", {"intro.wav"}, "intro.flc", {}, {"intro.wav"}},
                    Naming{"intro.flc", {"intro.wav"}, "intro.flc", {}, {"intro.wav"}},
                    Naming{"intro.old.flc", {"intro.wav", "intro.old.wav"}, "intro.old.flc", {}, {"intro.wav"}},
                    Naming{"clip", {}, "clip", {}, {}}, Naming{"quiet", {"quiet.wav.bak"}, "quiet.flc", {}, {}},
                    Naming{"absent", {"absent.wav"}, "", {"Unable to open Flic file: absent"}, {}}),
    [](const auto& info) {
        std::string name = info.param.movieName;
        for (char& ch : name)
            if (ch == '.') ch = '_';
        return name;
    });

TEST_F(MovieTest, SoundStartsWithTheFirstFrameOrIsGivenBack) {
    struct Case {
        std::uint16_t frames;
        bool attaches;
        int started, dropped;
    };
    for (const Case& c : {Case{2, true, 1, 0}, Case{0, true, 0, 1}, Case{2, false, 0, 0}}) {
        host = FakeHost{};
        host.attachSucceeds = c.attaches;
        Touch("movie.wav");
        flc::Movie m = TwoFrames();
        m.frameCount = c.frames;
        flc::WriteFile("movie.flc", m);
        movie = std::make_unique<DFLCWindow>(window, "movie", host);
        movie->Play();
        EXPECT_EQ(host.attached, std::vector<std::string>{"movie.wav"});
        EXPECT_EQ(host.started, c.started) << c.frames << c.attaches;
        EXPECT_EQ(host.dropped, c.dropped) << c.frames << c.attaches;
    }
}

// ---------------------------------------------------------------- pace and abort

flc::Movie Frames(int count) {
    flc::Movie movie = EmptyMovie(4, 1);
    movie.frames.push_back({{flc::Palette(Colours()), flc::ByteRun({1, 1, 1, 1}, 4, 1)}});
    for (int i = 1; i < count; ++i)
        movie.frames.push_back({{flc::ByteRun(flc::Image(4, static_cast<std::uint8_t>(i + 1)), 4, 1)}});
    return movie;
}

TEST_F(MovieTest, AbortOrQuitEndsThePlayWithTheLastShownFrame) {
    struct Case {
        const char* name;
        int abortAtPump, quitAtPump;
        std::uint8_t lastShown;  // file colour of the frame left on screen
    };
    for (const Case& c : {Case{"abort", 1, -1, 1}, Case{"quit", -1, 1, 1}, Case{"neither", -1, -1, 5}}) {
        host = FakeHost{};
        host.abortAtPump = c.abortAtPump;
        host.quitAtPump = c.quitAtPump;
        EXPECT_EQ(Play(Frames(5)), Errors{}) << c.name;
        EXPECT_EQ(Shown(4, 1), flc::Image(4, static_cast<std::uint8_t>(c.lastShown + 10))) << c.name;
        if (c.abortAtPump > 0) {
            EXPECT_EQ(host.pumps, 1) << c.name;
        }
    }
}

TEST_F(MovieTest, AbortLeftFromBeforeThePlayIsIgnored) {
    host.abortAtPump = 0;  // pending before the first pump
    EXPECT_EQ(Play(Frames(3)), Errors{});
    EXPECT_EQ(Shown(4, 1), flc::Image(4, 3 + 10));
}

// Frames of one colour each; a slow frame carries `stamps` stamp chunks. At
// 1 ms a serve, a plain frame after the first decodes in 5 ms, a slow one in
// 5 + 2 * stamps ms (125 ms with 60).
struct Pace {
    std::string name;
    std::set<int> slow;
    std::vector<std::pair<int, win::DWORD>> shown;  // frame, ms after the first frame
    std::size_t stamps = 60;
};
void PrintTo(const Pace& c, std::ostream* out) { *out << c.name; }

class MoviePace : public MovieTest, public testing::WithParamInterface<Pace> {};

TEST_P(MoviePace, ShowsEveryFrameOnItsSlotOrDropsOneLateFrame) {
    flc::Movie movie = Frames(5);
    for (int frame : GetParam().slow)
        movie.frames[frame - 1].chunks.insert(movie.frames[frame - 1].chunks.begin(), GetParam().stamps,
                                              flc::PostageStamp({0}, 1, 1));
    host.serveCost = 1;
    std::vector<std::pair<int, win::DWORD>> shown;
    host.watch = [&](win::DWORD now) {
        const int frame = Shown(4, 1)[0] - 10;
        if (frame > 0 && (shown.empty() || shown.back().first != frame)) shown.push_back({frame, now});
    };
    EXPECT_EQ(Play(movie), Errors{});
    ASSERT_FALSE(shown.empty());
    for (auto each = shown.rbegin(); each != shown.rend(); ++each) each->second -= shown.front().second;
    EXPECT_EQ(shown, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, MoviePace,
    testing::Values(Pace{"OnTime", {}, {{1, 0}, {2, 67}, {3, 134}, {4, 201}, {5, 268}}},
                    Pace{"LateFrameDropped", {2}, {{1, 0}, {3, 131}, {4, 198}, {5, 265}}},
                    Pace{"FrameDoneOneIntervalAfterTheLastDropped", {2}, {{1, 0}, {3, 73}, {4, 140}, {5, 207}}, 31},
                    Pace{"NeverTwoDroppedInARow", {2, 3}, {{1, 0}, {3, 251}, {4, 318}, {5, 385}}},
                    Pace{"SlowFirstFrameShownAtOnce", {1}, {{1, 0}, {2, 67}, {3, 134}, {4, 201}, {5, 268}}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
