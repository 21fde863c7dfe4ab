// SPDX-License-Identifier: GPL-3.0-or-later
// Movies end to end: placement and colours on screen, the fixed pace, the
// companion sound, and the ways a viewer cuts a movie short.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "support/flc_writer.h"
#include "support/mix_file.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

constexpr int ScreenW = 640, ScreenH = 480, MovieW = 320, MovieH = 200;

flc::Rgb Colour(int index) {
    return {static_cast<std::uint8_t>(index * 40), static_cast<std::uint8_t>(255 - index * 30),
            static_cast<std::uint8_t>(index * 7)};
}

// Frame k shows file colour k everywhere; the palette comes with frame 1.
flc::Movie SolidFrames(int count) {
    std::vector<flc::Rgb> palette;
    for (int i = 0; i < 236; ++i) palette.push_back(Colour(i));
    flc::Movie movie;
    movie.width = MovieW;
    movie.height = MovieH;
    for (int k = 1; k <= count; ++k) {
        flc::Frame frame{{flc::ByteRun(flc::Image(MovieW * MovieH, static_cast<std::uint8_t>(k)), MovieW, MovieH)}};
        if (k == 1) frame.chunks.insert(frame.chunks.begin(), flc::Palette(palette));
        movie.frames.push_back(frame);
    }
    return movie;
}

// The present line of a black screen with frame k centred on it (k = 0: all black).
std::string Present(int k) {
    std::vector<std::uint8_t> rgb(ScreenW * ScreenH * 3, 0);
    const int x0 = ScreenW / 2 - MovieW / 2, y0 = ScreenH / 2 - MovieH / 2;
    for (int y = y0; k && y < y0 + MovieH; ++y)
        for (int x = x0; x < x0 + MovieW; ++x) {
            const flc::Rgb c = Colour(k);
            std::uint8_t* at = &rgb[(static_cast<std::size_t>(y) * ScreenW + x) * 3];
            at[0] = c.r, at[1] = c.g, at[2] = c.b;
        }
    char text[32];
    std::snprintf(text, sizeof text, "present\t%08lx", crc32(0, rgb.data(), static_cast<uInt>(rgb.size())));
    return text;
}

// Times relative to the first movie's first frame, with the line texts.
std::vector<std::string> Timeline(const test::PlayerRun& run) {
    long start = -1;
    std::vector<std::string> lines;
    for (const auto& line : run.trace) {
        if (start < 0 && line.Text().rfind("show\tmovie", 0) == 0) start = line.time;
        lines.push_back((start < 0 ? "-" : std::to_string(line.time - start)) + "\t" + line.Text());
    }
    return lines;
}

struct MovieCase {
    std::string name;
    std::string script;
    std::string input;  // the first movie starts at 0
    std::vector<std::string> timeline;
    int exitCode;
};
void PrintTo(const MovieCase& c, std::ostream* out) { *out << c.name; }

class MovieRun : public testing::TestWithParam<MovieCase> {};

TEST_P(MovieRun, ShowsAndEndsAsExpected) {
    const MovieCase& c = GetParam();
    const fs::path root = test::MakeTempDir("movie-" + c.name);
    flc::WriteFile((root / "intro.flc").string(), SolidFrames(4));
    flc::WriteFile((root / "outro.flc").string(), SolidFrames(2));
    test::WriteFile(root / "sequence", c.script);
    test::PlayerOptions options;
    options.input = c.input;
    const test::PlayerRun run = test::RunPlayer(root, options);
    EXPECT_EQ(Timeline(run), c.timeline) << run.Dump();
    EXPECT_EQ(run.exitCode, c.exitCode) << run.Dump();
}

INSTANTIATE_TEST_SUITE_P(
    Movies, MovieRun,
    testing::Values(MovieCase{"PlaysCentredAtItsPace",
                              "movie intro\n",
                              "",
                              {"-\t" + Present(0), "0\tshow\tmovie\tintro.flc", "0\t" + Present(1), "67\t" + Present(2),
                               "134\t" + Present(3), "201\t" + Present(4), "201\texit\t0"},
                              0},
                    // The key that cuts the movie short leaves the presentation running:
                    // the next key beeps as well as ending the pause.
                    MovieCase{"KeyCutsShortAndLeavesRunning",
                              "movie intro\npause\n",
                              "100 key space\n300 key space\n",
                              {"-\t" + Present(0), "0\tshow\tmovie\tintro.flc", "0\t" + Present(1), "67\t" + Present(2),
                               "300\tbeep\t-1", "300\texit\t0"},
                              0},
                    MovieCase{"ClickCutsShort",
                              "movie intro\npause\n",
                              "100 click 5 5\n400 key escape\n",
                              {"-\t" + Present(0), "0\tshow\tmovie\tintro.flc", "0\t" + Present(1), "67\t" + Present(2),
                               "400\texit\t0"},
                              0},
                    MovieCase{"EscapeQuits",
                              "movie intro\nmovie outro\n",
                              "100 key escape\n",
                              {"-\t" + Present(0), "0\tshow\tmovie\tintro.flc", "0\t" + Present(1), "67\t" + Present(2),
                               "100\texit\t0"},
                              0},
                    // The key that ends the pause must not cut the next movie short, whose
                    // first frame blacks out the palette of the last one's before it shows.
                    MovieCase{"MoviePauseMovie",
                              "movie outro\npause\nmovie outro\n",
                              "500 key space\n",
                              {"-\t" + Present(0), "0\tshow\tmovie\toutro.flc", "0\t" + Present(1), "67\t" + Present(2),
                               "500\tshow\tmovie\toutro.flc", "500\t" + Present(0), "500\t" + Present(1),
                               "567\t" + Present(2), "567\texit\t0"},
                              0},
                    MovieCase{"NameMissing",
                              "movie\n",
                              "",
                              {"-\t" + Present(0), "-\tbox\tnone\t0x30\tFatal Error\tMOVIE file name missing.",
                               "-\tbeep\t0x30", "-\texit\t1"},
                              1}),
    [](const auto& info) { return info.param.name; });

TEST(MovieSound, StartsWithTheFirstFrameAndOutlivesTheMovie) {
    const fs::path root = test::MakeTempDir("movie-sound");
    if (!test::WriteTone(root / "intro.wav", "1.0")) GTEST_SKIP() << "sox is not installed";
    flc::WriteFile((root / "intro.flc").string(), SolidFrames(2));
    test::WriteFile(root / "sequence", "pause\nmovie intro\npause\n");
    test::PlayerOptions options;
    options.input = "300 key space\n2000 key escape\n";
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();

    const auto presents = run.Events("present");
    ASSERT_GE(presents.size(), 3u) << run.Dump();
    const long firstFrame = presents[1].time;
    const test::Mix mix = test::ReadMix(root / "mix.wav");
    EXPECT_NEAR(mix.FirstSoundMs(), static_cast<double>(firstFrame), 2.0) << run.Dump();
    // The movie lasts 67 ms; its one-second sound starts with frame 1 and plays on to its end.
    const auto sounds = run.Events("sound");
    ASSERT_EQ(sounds.size(), 2u) << run.Dump();
    EXPECT_EQ(sounds[0].fields[1], "start") << run.Dump();
    EXPECT_EQ(sounds[0].time, firstFrame) << run.Dump();
    EXPECT_EQ(sounds[1].fields[1], "end") << run.Dump();
    EXPECT_GE(sounds[1].time - firstFrame, 1000) << run.Dump();
}

}  // namespace
