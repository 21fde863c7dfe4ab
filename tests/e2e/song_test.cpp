// SPDX-License-Identifier: GPL-3.0-or-later
// Sectioned songs end to end: every section file is a tone of its own, and
// the headless mix tells which section sounded when and for how long.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/mix_file.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

struct Tone {
    const char* file;  // below the presentation, without ".wav"
    int hz;
    const char* seconds;
};

constexpr Tone Tones[] = {
    {"intro/intro1", 400, "0.2"},    {"intro/intro2", 600, "0.2"},    {"verse/verse1", 800, "0.1"},
    {"verse/verse2", 1000, "0.1"},   {"verse/verse3", 1200, "0.1"},   {"chorus/chorus1", 1400, "0.1"},
    {"chorus/chorus2", 1600, "0.1"}, {"bridge/bridge1", 1800, "0.1"}, {"bridge/bridge2", 2000, "0.1"},
    {"outro/outro1", 2200, "0.2"},   {"theme", 2600, "0.3"},
};
constexpr double WindowMs = 10;
constexpr double HeardLevel = 2000;  // amplitude; the tones are at 16384

using Runs = std::vector<std::pair<std::string, int>>;  // tone and ms; -1: length not checked

// The loudest tone of each window, silent windows left out, equal neighbours
// merged: what a listener would name, in order. The theme can be left out
// when it plays over the song.
Runs HeardRuns(const test::Mix& mix, bool withTheme) {
    std::vector<double> hz;
    for (const Tone& tone : Tones) hz.push_back(tone.hz);
    Runs runs;
    for (const auto& level : mix.ToneLevels(hz, WindowMs)) {
        std::size_t loudest = 0;
        const std::size_t candidates = withTheme ? level.size() : level.size() - 1;
        for (std::size_t i = 1; i < candidates; ++i)
            if (level[i] > level[loudest]) loudest = i;
        if (level[loudest] < HeardLevel) continue;
        std::string name = fs::path(Tones[loudest].file).filename().string();
        if (!runs.empty() && runs.back().first == name)
            runs.back().second += static_cast<int>(WindowMs);
        else
            runs.emplace_back(name, static_cast<int>(WindowMs));
    }
    return runs;
}

// Milliseconds the theme was heard, beside whatever else played.
int ThemeMs(const test::Mix& mix) {
    int ms = 0;
    for (const auto& level : mix.ToneLevels({2600}, WindowMs))
        if (level[0] >= HeardLevel) ms += static_cast<int>(WindowMs);
    return ms;
}

void ExpectRuns(const Runs& heard, const Runs& expected) {
    ASSERT_EQ(heard.size(), expected.size()) << testing::PrintToString(heard);
    for (std::size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].first, expected[i].first) << i << ": " << testing::PrintToString(heard);
        if (expected[i].second >= 0) {
            EXPECT_NEAR(heard[i].second, expected[i].second, WindowMs) << i;
        }
    }
}

// Draws 16838, 5758, 10113, 17515, 31051 choose the first pass, 5627, 23010,
// 7419, 16212, 4086 the second, 2749 the third's intro.
const Runs FirstPass = {{"intro1", 200}, {"verse2", 200},  {"chorus2", 200}, {"bridge2", 200},
                        {"verse2", 200}, {"chorus2", 400}, {"outro1", 200}};
const Runs SecondPass = {{"intro2", 200}, {"verse1", 200},  {"chorus2", 200}, {"bridge1", 200},
                         {"verse1", 200}, {"chorus2", 400}, {"outro1", 200}};

Runs Join(std::initializer_list<Runs> parts) {
    Runs all;
    for (const Runs& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct SongCase {
    const char* label;
    const char* script;
    const char* input;
    Runs expected;
    int themeMs = 0;          // how long the theme was heard
    bool themeMixed = false;  // over the song: not one of the song's runs
    bool padLarge = false;    // intro1 and the verses hold 4,100,000 bytes
    bool noChoruses = false;
};

// A pass that queues fewer than seven sections leaves room for the next one,
// which the service queues at once.
const SongCase SongCases[] = {
    {"two passes", "music autodigitalaudio song\npause\n", "3400 key escape\n",
     Join({FirstPass, SecondPass, {{"intro2", -1}}})},
    {"budget",
     "music autodigitalaudio song\npause\n",
     "3000 key escape\n",
     {{"intro1", 200},
      {"chorus2", 200},
      {"bridge2", 200},
      {"chorus2", 400},
      {"outro1", 200},
      {"intro2", 200},
      {"chorus2", 200},
      {"bridge1", 200},
      {"chorus2", 400},
      {"outro1", 200},
      {"intro2", 200},
      {"verse3", 200},
      {"chorus1", -1}},
     0,
     false,
     true},
    {"missing sections",
     "music autodigitalaudio song\npause\n",
     "2400 key escape\n",
     {{"intro1", 200},
      {"verse2", 200},
      {"bridge2", 200},
      {"verse2", 200},
      {"outro1", 200},
      {"intro2", 200},
      {"verse1", 200},
      {"bridge1", 200},
      {"verse1", 200},
      {"outro1", 200},
      {"intro2", 200},
      {"verse3", -1}},
     0,
     false,
     false,
     true},
    {"none, then the next pass", "music autodigitalaudio song\npause\nmusic none\npause\n",
     "500 key space\n3200 key escape\n",
     Join({{{"intro1", 200}, {"verse2", 200}, {"chorus2", -1}}, SecondPass, {{"intro2", -1}}})},
    {"fade over the song",
     "music autodigitalaudio song\npause\nmusic theme\npause\n",
     "500 key space\n3000 key escape\n",
     {{"intro1", 200},
      {"verse2", 200},
      {"chorus2", -1},
      {"theme", 300},
      {"bridge2", 200},
      {"verse2", 200},
      {"chorus2", 400},
      {"outro1", 200},
      {"intro2", 200},
      {"verse1", -1}},
     300},
    {"mix over the song", "music autodigitalaudio song\npause\nmusic theme mix\npause\n",
     "500 key space\n3400 key escape\n", Join({FirstPass, SecondPass, {{"intro2", -1}}}), 300, true},
};

class Song : public testing::TestWithParam<SongCase> {};

TEST_P(Song, SectionsSoundInPlanOrderWithTheChoicesOfTheGenerator) {
    const SongCase& c = GetParam();
    const fs::path root = test::MakeTempDir(std::string("song-") + c.label);
    for (const Tone& tone : Tones) {
        if (c.noChoruses && std::string(tone.file).starts_with("chorus")) continue;
        const fs::path file = root / (std::string(tone.file) + ".wav");
        fs::create_directories(file.parent_path());
        if (!test::WriteTone(file, tone.seconds, tone.hz)) GTEST_SKIP() << "sox is not installed";
        const std::string name = file.stem().string();
        if (c.padLarge && (name == "intro1" || name.starts_with("verse")))
            fs::resize_file(file, 4100000);  // past the RIFF chunk: counted, never played
    }
    test::WriteFile(root / "sequence", c.script);

    test::PlayerOptions options;
    options.input = c.input;
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    Runs first;
    for (int run = 0; run < 2; ++run) {
        const test::PlayerRun played = test::RunPlayer(root, options);
        ASSERT_EQ(played.exitCode, 0) << played.Dump();
        const test::Mix mix = test::ReadMix(root / "mix.wav");
        const Runs heard = HeardRuns(mix, !c.themeMixed);
        if (run == 0) {
            ExpectRuns(heard, c.expected);
            EXPECT_NEAR(ThemeMs(mix), c.themeMs, WindowMs);
            first = heard;
        } else {
            EXPECT_EQ(heard, first) << "the second run chose differently";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Song, testing::ValuesIn(SongCases), [](const auto& info) {
    std::string name;
    for (const char* c = info.param.label; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
});

// Sections follow one another within one service pass of 20 ms, pass after
// pass, also when their lengths do not fall on the service's beat; the trace
// names every section as it is queued.
TEST(SongService, SectionsFollowWithinOneServicePass) {
    const fs::path root = test::MakeTempDir("song-gaps");
    for (const Tone& tone : Tones) {
        const fs::path file = root / (std::string(tone.file) + ".wav");
        fs::create_directories(file.parent_path());
        if (!test::WriteTone(file, "0.113", tone.hz)) GTEST_SKIP() << "sox is not installed";
    }
    test::WriteFile(root / "sequence", "music autodigitalaudio song\npause\n");
    test::PlayerOptions options;
    options.input = "3000 key escape\n";
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_LE(test::ReadMix(root / "mix.wav").LongestInnerSilenceMs(), 20.0);

    std::vector<std::string> music;
    for (const auto& line : run.Events("music")) music.push_back(std::to_string(line.time) + " " + line.Text());
    std::vector<std::string> expected;
    const auto pass = [&](long ms, std::vector<const char*> files) {
        for (const char* file : files) expected.push_back(std::to_string(ms) + " music\t" + file + "\twait");
    };
    pass(0, {"intro\\intro1.wav", "verse\\verse2.wav", "chorus\\chorus2.wav", "bridge\\bridge2.wav",
             "verse\\verse2.wav", "chorus\\chorus2.wav", "chorus\\chorus2.wav", "outro\\outro1.wav"});
    pass(1700, {"intro\\intro2.wav", "verse\\verse1.wav", "chorus\\chorus2.wav", "bridge\\bridge1.wav",
                "verse\\verse1.wav", "chorus\\chorus2.wav", "chorus\\chorus2.wav", "outro\\outro1.wav"});
    EXPECT_EQ(music, expected);
}

}  // namespace
