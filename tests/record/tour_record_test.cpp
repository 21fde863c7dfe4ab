// SPDX-License-Identifier: GPL-3.0-or-later
// A tour recorded as one video: a chapter per branch, in the tour's order,
// each starting on the picture of the place its branch starts from, and
// together as long as the branches; and the refusal of a name it cannot take.
#include <gtest/gtest.h>

#include "record/decoded_video.h"
#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

// A 100x100 still of one colour of its own.
void WriteStill(const fs::path& file, std::uint8_t red) {
    test::BmpFile bmp;
    bmp.width = 100;
    bmp.height = 100;
    bmp.colours = {{0, 0, 0}, {red, 90, 160}};
    bmp.clrUsed = 2;
    bmp.pixels = test::PackRows(std::vector<std::uint8_t>(100 * 100, 1), 100, 100, 8);
    test::WriteBytes(file, bmp.Bytes());
}

// A menu whose first hotspot leads to a still that its timeout ends, whose
// second ends the presentation, as a key does at either still.
fs::path Presentation() {
    static const fs::path root = [] {
        const fs::path folder = test::MakeTempDir("tour-record");
        test::WriteFile(folder / "sequence",
                        "still menu\nhotspot 0 0 49 99 -dir a\nhotspot 50 0 99 99 "
                        "-exit\nendstill\nexit\n");
        test::WriteFile(folder / "a/sequence", "still pa\ntimeout 1 -exit\nendstill\nexit\n");
        WriteStill(folder / "menu.bmp", 40);
        WriteStill(folder / "a/pa.bmp", 200);
        return folder;
    }();
    return root;
}

struct ExpectedChapter {
    std::string title;
    long startMs;
    int place;  // the place whose snapshot the chapter starts on
};

struct TourCase {
    std::string name;
    std::vector<std::string> args;
    std::vector<ExpectedChapter> chapters;
    long endMs;
};
void PrintTo(const TourCase& c, std::ostream* out) { *out << c.name; }

class TourRecording : public testing::TestWithParam<TourCase> {};

TEST_P(TourRecording, HasAChapterPerBranchStartingOnItsPlace) {
    const TourCase& c = GetParam();
    const fs::path out = test::MakeTempDir("tour-record-" + c.name);
    const fs::path file = out / "tour.mkv";
    std::vector<std::string> args{"--record", file.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.insert(args.end(), {Presentation().string(), (out / "report").string()});
    const test::PlayerRun run =
        test::RunPlayer(Presentation(), {.args = args, .input = {}, .env = {}, .program = CORVANTA_TOUR});
    ASSERT_EQ(run.exitCode, 0) << run.stdErr;
    EXPECT_EQ(run.stdOut, "");  // not a terminal: no progress line
    const auto video = test::DecodeVideo(file, true);
    ASSERT_TRUE(video);

    std::vector<std::string> titles, expectedTitles;
    std::vector<long> starts, expectedStarts;
    for (const auto& chapter : video->chapters) titles.push_back(chapter.title), starts.push_back(chapter.startMs);
    for (const auto& chapter : c.chapters)
        expectedTitles.push_back(chapter.title), expectedStarts.push_back(chapter.startMs);
    EXPECT_EQ(titles, expectedTitles);
    EXPECT_EQ(starts, expectedStarts);
    // Each chapter ends where the next starts, the last with the video.
    for (std::size_t i = 0; i < video->chapters.size(); ++i)
        EXPECT_EQ(video->chapters[i].endMs, i + 1 < video->chapters.size() ? starts[i + 1] : c.endMs) << i;
    EXPECT_NEAR(video->seconds, c.endMs / 1000.0, 0.002);
    EXPECT_EQ(video->samples.size(), static_cast<std::size_t>(c.endMs) * 441 / 10 * 2);

    // A picture starts at each chapter's start, and it is its place's.
    for (std::size_t i = 0; i < c.chapters.size() && i < video->chapters.size(); ++i) {
        const auto picture = std::find_if(video->pictures.begin(), video->pictures.end(),
                                          [&](const auto& p) { return p.ms == c.chapters[i].startMs; });
        ASSERT_NE(picture, video->pictures.end()) << c.chapters[i].title;
        const auto snapshot = test::SnapshotRgb(out / "report/places" / (std::to_string(c.chapters[i].place) + ".png"));
        EXPECT_FALSE(snapshot.empty());
        EXPECT_TRUE(picture->rgb == snapshot) << c.chapters[i].title;
    }
}

// Branches from the menu start at 0, from "pa" at 1 ms, when it showed; one
// that reaches a still (pa, or the menu again when pa's script ends) holds it
// for a second; those that exit end there.
INSTANTIATE_TEST_SUITE_P(Rates, TourRecording,
                         testing::Values(TourCase{"PictureAtEachChange",
                                                  {},
                                                  {{"start", 0, 0},
                                                   {"menu.bmp:1, hotspot 1", 1000, 0},
                                                   {"menu.bmp:1, hotspot 2", 2001, 0},
                                                   {"menu.bmp:1, key", 2002, 0},
                                                   {"a/pa.bmp:1, timeout 1000 ms", 2003, 1},
                                                   {"a/pa.bmp:1, key", 4003, 1}},
                                                  5004},
                                         // Ten frames a second, counted from each branch's start: a
                                         // branch lasts the frames that start in it.
                                         TourCase{"TenFramesASecond",
                                                  {"--fps", "10"},
                                                  {{"start", 0, 0},
                                                   {"menu.bmp:1, hotspot 1", 1000, 0},
                                                   {"menu.bmp:1, hotspot 2", 2100, 0},
                                                   {"menu.bmp:1, key", 2200, 0},
                                                   {"a/pa.bmp:1, timeout 1000 ms", 2300, 1},
                                                   {"a/pa.bmp:1, key", 4300, 1}},
                                                  5400}),
                         [](const auto& info) { return info.param.name; });

TEST(TourRecording, RefusesAnUnknownExtensionBeforeItTours) {
    const fs::path out = test::MakeTempDir("tour-record-refused");
    const std::vector<std::string> args{"--record", (out / "tour.avi").string(), Presentation().string(),
                                        (out / "report").string()};
    const test::PlayerRun run =
        test::RunPlayer(Presentation(), {.args = args, .input = {}, .env = {}, .program = CORVANTA_TOUR});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.stdOut, "");
    EXPECT_EQ(run.stdErr, "corvanta-tour: cannot record to " + (out / "tour.avi").string() +
                              ": unknown extension (use .mkv, .mp4 or .webm)\n");
    EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace
