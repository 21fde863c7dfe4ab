// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-tour over presentations written here, each with a graph known in
// advance, and over the bundled demo.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/core/png_io.h"
#include "support/bmp_writer.h"
#include "support/disc_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

struct TourRun {
    int status = -1;
    std::string out;  // standard output and error
};

TourRun RunTour(const std::string& presentation, const fs::path& outDir, const std::string& options = "") {
    const fs::path log = outDir.string() + ".log";
    const std::string command = std::string("'") + CORVANTA_TOUR + "' " + options + " '" + presentation + "' '" +
                                outDir.string() + "' > '" + log.string() + "' 2>&1";
    TourRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(log);
    run.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return run;
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The graph of a tour.json, one line per place with its choices and where
// each led, and the coverage: times and input scripts left out.
std::string Graph(const fs::path& json) {
    static const std::regex place(
        R"re(\{"id": (\d+), "folder": "([^"]*)", "still": "([^"]*)", "lines": \[(\d+), (\d+)\])re");
    static const std::regex choice(R"re(\{"choice": "([^"]*)", "action": "([^"]*)".*"result": (\{.*\})\})re");
    static const std::regex coverage(R"("coverage": (.*))");
    std::istringstream in(ReadText(json));
    std::string graph;
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, match, place)) {
            graph += "\n" + match[1].str() + " " + match[2].str() + "/" + match[3].str() + ":" + match[4].str() + "-" +
                     match[5].str();
        } else if (std::regex_search(line, match, choice)) {
            graph += " | " + match[1].str() + " " + match[2].str() + " -> " + match[3].str();
        } else if (std::regex_search(line, match, coverage)) {
            graph += "\ncoverage " + match[1].str();
        } else if (line.find("\"start\"") != std::string::npos) {
            graph += line.substr(line.find(':') + 2, line.rfind('}') - line.find(':') - 1);
        }
    }
    return graph;
}

// A 100x100 still of one colour: hotspots below are picture coordinates.
void WriteStill(const fs::path& file) {
    test::BmpFile bmp;
    bmp.width = 100;
    bmp.height = 100;
    bmp.colours = {{0, 0, 0}, {40, 90, 160}};
    bmp.clrUsed = 2;
    bmp.pixels = test::PackRows(std::vector<std::uint8_t>(100 * 100, 1), 100, 100, 8);
    test::WriteBytes(file, bmp.Bytes());
}

void WriteTree(const fs::path& root, const std::vector<std::pair<std::string, std::string>>& scripts,
               const std::vector<std::string>& stills) {
    for (const auto& [folder, text] : scripts) test::WriteFile(root / folder / "sequence", text);
    for (const std::string& still : stills) WriteStill(root / still);
}

// A menu of three hotspots into sub-folders that come back, a loop back to
// the menu, a timeout branch, a still only a key reaches, a hotspot that
// ends in a fatal error and a still no branch can reach.
fs::path KnownGraph() {
    static const fs::path root = [] {
        const fs::path folder = test::MakeTempDir("tour-known");
        WriteTree(folder,
                  {{".",
                    "still menu\ntimeout 5 -goto 9\nhotspot 0 0 29 99 -dir a\nhotspot 30 0 59 99 -dir b\n"
                    "hotspot 60 0 99 99 -dir c\nendstill\nrestart\ngoto 1\nstill timed\ntimeout 1 -exit\nendstill\n"
                    "still keyonly\ntimeout 1 -exit\nendstill\nexit\n"},
                   {"a", "still pa\ntimeout 1 -exit\nendstill\n"},
                   {"b", "still pb\nhotspot 0 0 99 99 -goto 5\nendstill\nexit\nstill missing\nendstill\n"},
                   {"c", "still pc\ntimeout 1 -next\nendstill\nexit\nstill ghost\nendstill\n"}},
                  {"menu.bmp", "timed.bmp", "keyonly.bmp", "a/pa.bmp", "b/pb.bmp", "c/pc.bmp", "c/ghost.bmp"});
        return folder;
    }();
    return root;
}

// The demo with its CD track, as make demo plays it.
TourRun TourDemo(const fs::path& outDir) {
    setenv("CORVANTA_CDROM", (fs::path(CORVANTA_EXAMPLES) / "demo-cd").c_str(), 1);
    TourRun run = RunTour((fs::path(CORVANTA_EXAMPLES) / "demo").string(), outDir);
    unsetenv("CORVANTA_CDROM");
    return run;
}

// The trace lines a tour steers by: where a still or a pause waits, with the
// still's lines, its timeout and the hotspots a click is tested against, in
// client coordinates, oldest first: a still left with a key leaves its own
// to the next.
TEST(Tour, TheTraceSaysWhereThePlayerWaitsForTheViewer) {
    const fs::path root = test::MakeTempDir("tour-wait-trace");
    WriteTree(root,
              {{".",
                "default timeout 3 -next\nstill one\nhotspot 0 0 9 9 -dir sub\nhotspot 10 -5 120 20 -goto 1\n"
                "endstill\npause\nstill two\ntimeout 2 -exit\nhotspot 1 2 3 4 -exit\nendstill\n"}},
              {"one.bmp", "two.bmp"});
    const test::PlayerRun run =
        test::RunPlayer(root, {{}, "10 key space\n20 key space\n", {{"CORVANTA_TRACE_WAITS", "1"}}});
    std::vector<std::string> timeline;
    for (const test::TraceLine& line : run.trace)
        if (line.fields[0] != "present") timeline.push_back(std::to_string(line.time) + "\t" + line.Text());
    EXPECT_EQ(timeline, (std::vector<std::string>{
                            "0\tshow\tstill\tone.bmp",
                            "0\twait\tstill\t2\t5\t3000 -next\t270 190 279 199 -dir sub\t280 185 390 210 -goto 1",
                            "10\twait\tpause\t6",
                            "20\tbeep\t-1",
                            "20\tshow\tstill\ttwo.bmp",
                            "20\twait\tstill\t7\t10\t2000 -exit\t270 190 279 199 -dir sub\t280 185 390 210 -goto 1"
                            "\t271 192 273 194 -exit",
                            "2020\texit\t0",
                        }))
        << run.Dump();
}

// From a folder and from a disc image alike; only a folder's scripts are
// read for the names no branch reached.
TEST(Tour, FindsEveryPlaceOfAKnownGraphAndNothingElse) {
    const std::string graph = R"({"place": 0}
0 ./menu.bmp:1-6 | hotspot 1 -dir a -> {"place": 1} | hotspot 2 -dir b -> {"place": 2} | hotspot 3 -dir c -> {"place": 3} | timeout 5000 ms -goto 9 -> {"place": 4} | key -next -> {"place": 0}
1 a/pa.bmp:1-3 | timeout 1000 ms -exit -> {"place": 0} | key -next -> {"place": 0}
2 b/pb.bmp:1-3 | hotspot 1 -goto 5 -> {"end": "fatal", "status": 1, "box": "The file missing.bmp could not be found."} | key -next -> {"place": 0}
3 c/pc.bmp:1-3 | timeout 1000 ms -next -> {"place": 0} | key -next -> {"place": 0}
4 ./timed.bmp:9-11 | timeout 1000 ms -exit -> {"end": "exit", "status": 0} | key -next -> {"place": 5}
5 ./keyonly.bmp:12-14 | timeout 1000 ms -exit -> {"end": "exit", "status": 0} | key -next -> {"end": "exit", "status": 0}
coverage {"places": 6, "choices": 15, "cut": 0, "unreached": )";
    const fs::path image = test::MakeTempDir("tour-known-iso") / "known.iso";
    ASSERT_TRUE(test::MakeIso(KnownGraph(), image, test::IsoNames::RockRidge));
    const std::vector<std::pair<fs::path, std::string>> rows = {
        {KnownGraph(), R"({"stills": ["b/missing.bmp", "c/ghost.bmp"], "movies": [], "folders": []}},)"},
        {image, "null},"},
    };
    for (const auto& [presentation, unreached] : rows) {
        const fs::path out = image.parent_path() / (presentation.filename().string() + "-tour");
        const TourRun run = RunTour(presentation.string(), out);
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(Graph(out / "tour.json"), graph + unreached) << presentation;
        for (int place = 0; place < 6; ++place)
            EXPECT_TRUE(fs::exists(out / "places" / (std::to_string(place) + ".png")));
        // The key that leads on from the timed still.
        EXPECT_EQ(ReadText(out / "inputs" / "5.input"), "5001 key space\n");
        EXPECT_EQ(run.out.substr(0, run.out.find("limit, ")), "6 places, 15 choices tried, 0 cut by a ") << run.out;
    }
}

TEST(Tour, StopsAtItsLimitsAndSaysSo) {
    struct Row {
        std::string options;
        std::string graph;
        std::string said;
    };
    // A still whose timeout passes after 1000 s, then one a key reaches.
    const fs::path root = test::MakeTempDir("tour-limits");
    WriteTree(root, {{".", "still slow\ntimeout 1000 -next\nendstill\nstill next\nendstill\n"}},
              {"slow.bmp", "next.bmp"});
    const std::vector<Row> rows = {
        {"--branch-seconds 100",
         R"({"place": 0}
0 ./slow.bmp:1-3 | timeout 1000000 ms -next -> {"end": "limit"} | key -next -> {"place": 1}
1 ./next.bmp:4-5 | key -next -> {"end": "exit", "status": 0}
coverage {"places": 2, "choices": 3, "cut": 1, "unreached": {"stills": [], "movies": [], "folders": []}},)",
         "stopped by the virtual time limit"},
        {"--max-branches 1 --branch-seconds 2000",
         R"({"place": 0}
0 ./slow.bmp:1-3 | timeout 1000000 ms -next -> {"place": 1} | key -next -> {"end": "not tried"}
1 ./next.bmp:4-5 | key -next -> {"end": "not tried"}
coverage {"places": 2, "choices": 1, "cut": 2, "unreached": {"stills": [], "movies": [], "folders": []}},)",
         "stopped by the branches limit"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const fs::path out = root.parent_path() / ("tour-limits-out" + std::to_string(i));
        const TourRun run = RunTour(root.string(), out, rows[i].options);
        ASSERT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(Graph(out / "tour.json"), rows[i].graph) << rows[i].options;
        EXPECT_NE(run.out.find(rows[i].said), std::string::npos) << run.out;
    }
}

TEST(Tour, APresentationThatCannotBeOpenedGivesOneLineAndStatusTwo) {
    const fs::path out = test::MakeTempDir("tour-missing-out") / "tour";
    for (const std::string& presentation :
         {std::string("/nonexistent/presentation"), (test::MakeTempDir("tour-not-an-image") / "disc.iso").string()}) {
        if (presentation.ends_with(".iso")) test::WriteFile(presentation, "not a disc image");
        const TourRun run = RunTour(presentation, out);
        EXPECT_EQ(run.status, 2) << presentation;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    }
}

// Processes whose command line holds `word`.
int ProcessesNamed(const std::string& word) {
    int found = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string cmdline = ReadText(entry.path() / "cmdline");
        std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
        if (cmdline.find(word) != std::string::npos) ++found;
    }
    return found;
}

TEST(Tour, RecordsAHangingBranchAndLeavesNothingRunning) {
    // A program that outlives the branch: one the player waits for, one it
    // hands over to, each behind a hotspot of the menu.
    const fs::path root = test::MakeTempDir("tour-hang");
    WriteTree(root,
              {{".",
                "still menu\nhotspot 0 0 49 99 -goto 4\nhotspot 50 0 99 99 -goto 6\nendstill\nrun sleep 611\n"
                "exit\nexec sleep 612\n"}},
              {"menu.bmp"});
    const fs::path out = root.parent_path() / "tour-hang-out";
    const TourRun run = RunTour(root.string(), out, "--hang-seconds 1");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(Graph(out / "tour.json"), R"({"place": 0}
0 ./menu.bmp:1-4 | hotspot 1 -goto 4 -> {"end": "hang"} | hotspot 2 -goto 6 -> {"end": "exit", "status": 0} | key -next -> {"end": "hang"}
coverage {"places": 1, "choices": 3, "cut": 0, "unreached": {"stills": [], "movies": [], "folders": []}},)");
    EXPECT_EQ(ProcessesNamed("sleep 611"), 0);
    EXPECT_EQ(ProcessesNamed("sleep 612"), 0);
}

TEST(Tour, ReachesEveryPlaceOfTheDemoTheSameInEveryRun) {
    const fs::path first = test::MakeTempDir("tour-demo-1") / "tour",
                   second = test::MakeTempDir("tour-demo-2") / "tour";
    const TourRun run = TourDemo(first);
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_EQ(TourDemo(second).status, 0);
    const std::string graph = Graph(first / "tour.json");
    EXPECT_NE(
        graph.find(
            R"(coverage {"places": 8, "choices": 21, "cut": 0, "unreached": {"stills": [], "movies": [], "folders": []}})"),
        std::string::npos)
        << graph;
    // Everything written, pictures included, is the same again.
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(first))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), first));
    EXPECT_EQ(files.size(), 8u + 2u + 8u + 4u);  // places, movie frames, inputs, tour.json + graph + index.html
    for (const fs::path& file : files) EXPECT_EQ(ReadText(first / file), ReadText(second / file)) << file;
}

// The map in a browser: a screenshot of index.html that is large and far
// from blank.
TEST(Tour, TheDemoMapShowsInABrowser) {
    if (std::system("command -v chromium > /dev/null 2>&1") != 0) GTEST_SKIP() << "chromium is not installed";
    const fs::path out = test::MakeTempDir("tour-demo-map") / "tour";
    ASSERT_EQ(TourDemo(out).status, 0);
    const fs::path shot = out.parent_path() / "map.png";
    const std::string command =
        "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1400,1600 "
        "--screenshot='" +
        shot.string() + "' 'file://" + (out / "index.html").string() + "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::uint8_t> bytes = test::ReadBytes(shot);
    const auto image = platform::DecodePng(bytes.data(), bytes.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 1400);
    EXPECT_EQ(image->height, 1600);
    // Pixels that are not the page's white (the thumbnails, boxes, arrows
    // and text), and the dark ones among them, most of them the demo's
    // thumbnails: a page whose pictures are missing has a fifth as many.
    std::size_t inked = 0, dark = 0;
    for (std::size_t i = 0; i + 3 < image->rgba.size(); i += 4) {
        const auto [low, high] = std::minmax({image->rgba[i], image->rgba[i + 1], image->rgba[i + 2]});
        if (low < 200) ++inked;
        if (high < 100) ++dark;
    }
    const std::size_t pixels = image->rgba.size() / 4;
    EXPECT_GT(inked, pixels / 15) << inked;
    EXPECT_GT(dark, pixels / 30) << dark;
    EXPECT_LT(inked, pixels / 2) << inked;
}

}  // namespace
