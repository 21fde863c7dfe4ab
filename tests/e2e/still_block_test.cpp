// SPDX-License-Identifier: GPL-3.0-or-later
// The still block: hotspots, timeouts, key presses and the lines the block
// takes from the script. Each script names missing pictures at the lines its
// actions reach, so the box of the first such still tells which action ran.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

test::BmpFile SolidPicture(int width, int height) {
    test::BmpFile file;
    file.width = width;
    file.height = height;
    file.bitCount = 4;
    file.colours = {{90, 140, 200}};
    file.clrUsed = 1;
    file.pixels.assign(((static_cast<std::size_t>(width) * 4 + 31) / 32 * 4) * height, 0);
    return file;
}

struct Script {
    std::string sequence;
    std::string input;
    std::string client = "800x600";
    int pictureWidth = 640, pictureHeight = 480;
};

test::PlayerRun Play(const std::string& name, const Script& script) {
    const fs::path root = test::MakeTempDir("still-block-" + name);
    test::WriteFile(root / "sequence", script.sequence);
    test::WriteBytes(root / "pic.bmp", SolidPicture(script.pictureWidth, script.pictureHeight).Bytes());
    test::PlayerOptions options;
    options.env["CORVANTA_CLIENT"] = script.client;
    options.input = script.input;
    return test::RunPlayer(root, options);
}

// The first missing still the run reached: its name ("" if none) and when.
struct Reached {
    std::string name;
    long time = -1;
};

Reached FirstReached(const test::PlayerRun& run) {
    const std::string prefix = "The file ";
    for (const auto& box : run.Events("box")) {
        const std::string& text = box.fields.back();
        if (text.rfind(prefix, 0) == 0)
            return {text.substr(prefix.size(), text.find(".bmp") - prefix.size()), box.time};
    }
    return {};
}

// ------------------------------------------------------------ hotspot edges

struct Click {
    std::string name;
    Script script;
    std::string reached;
};
void PrintTo(const Click& c, std::ostream* out) { *out << c.name; }

class StillClick : public testing::TestWithParam<Click> {};

TEST_P(StillClick, HitsOnlyInsideTheHotspot) {
    const test::PlayerRun run = Play(GetParam().name, GetParam().script);
    EXPECT_EQ(FirstReached(run).name, GetParam().reached) << run.Dump();
}

// Line 4 follows the block (a key press), line 5 is the hotspot's.
const std::string OneHotspot = "still pic\nhotspot 0 0 99 49 -goto 5\nendstill\nstill missed\nstill hit\n";

Click OneSpot(const std::string& name, int x, int y, bool hit, int width = 640, int height = 480,
              const std::string& client = "800x600", const std::string& sequence = OneHotspot) {
    Script script{sequence, "500 click " + std::to_string(x) + " " + std::to_string(y) + "\n1000 key space\n", client,
                  width, height};
    return {name, script, hit ? "hit" : "missed"};
}

const std::string Overlapping =
    "still pic\nhotspot 0 0 99 49 -goto 6\nhotspot 50 0 149 49 -goto 7\nendstill\nstill missed\nstill first\n"
    "still second\n";

INSTANTIATE_TEST_SUITE_P(
    Edges, StillClick,
    testing::Values(
        // A 640 x 480 picture in 800 x 600 sits at 80, 60: the hotspot covers 80..179 x 60..109.
        OneSpot("TopLeftCorner", 80, 60, true), OneSpot("BottomRightCorner", 179, 109, true),
        OneSpot("RightOfRightEdge", 180, 109, false), OneSpot("BelowBottomEdge", 179, 110, false),
        OneSpot("LeftOfLeftEdge", 79, 60, false), OneSpot("AboveTopEdge", 80, 59, false),
        // Odd differences round the picture's half down: 641 x 481 sits at 80, 60 as well.
        OneSpot("OddSizedPicture", 80, 60, true, 641, 481), OneSpot("OddSizedPictureOutside", 79, 60, false, 641, 481),
        // A picture larger than the client area moves the hotspots up and left: dx = -30, dy = -10.
        OneSpot("LargePictureInside", 69, 39, true, 700, 500, "640x480"),
        OneSpot("LargePictureOutside", 70, 39, false, 700, 500, "640x480"),
        // Coordinates that are not numbers read as 0: the single point 80, 60.
        OneSpot("WordsArePoint", 80, 60, true, 640, 480, "800x600",
                "still pic\nhotspot a b c d -goto 5\nendstill\nstill missed\nstill hit\n"),
        OneSpot("WordsAreOnlyThePoint", 81, 60, false, 640, 480, "800x600",
                "still pic\nhotspot a b c d -goto 5\nendstill\nstill missed\nstill hit\n"),
        // Keywords in any case; "endstill" ends the block whatever follows it.
        OneSpot("KeywordsInAnyCase", 100, 70, true, 640, 480, "800x600",
                "STILL pic\nHotSpot 0 0 99 49 -GOTO 5\nENDSTILL and more\nstill missed\nstill hit\n"),
        Click{"OverlapLaterWins", {Overlapping, "500 click 150 70\n"}, "second"},
        Click{"OverlapFirstOnly", {Overlapping, "500 click 100 70\n"}, "first"},
        Click{"OverlapSecondOnly", {Overlapping, "500 click 200 70\n"}, "second"}),
    [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------ leaving a still

struct Flow {
    std::string name;
    Script script;
    std::string reached;
    long earliest, latest;  // virtual milliseconds of the box
};
void PrintTo(const Flow& c, std::ostream* out) { *out << c.name; }

class StillFlow : public testing::TestWithParam<Flow> {};

TEST_P(StillFlow, ReachesTheRightLineAtTheRightTime) {
    const Flow& c = GetParam();
    const test::PlayerRun run = Play(c.name, c.script);
    const Reached reached = FirstReached(run);
    EXPECT_EQ(reached.name, c.reached) << run.Dump();
    EXPECT_GE(reached.time, c.earliest) << run.Dump();
    EXPECT_LE(reached.time, c.latest) << run.Dump();
}

const std::string TimedStill = "still pic\ntimeout 2 -goto 5\nendstill\nstill keyed\nstill timedout\n";

INSTANTIATE_TEST_SUITE_P(
    Events, StillFlow,
    testing::Values(
        Flow{"TimeoutExpires", {TimedStill, ""}, "timedout", 2000, 2100},
        Flow{"MissRestartsTimeout", {TimedStill, "1500 click 10 10\n"}, "timedout", 3500, 3600},
        Flow{"KeyLeavesStill", {TimedStill, "500 key space\n"}, "keyed", 500, 600},
        Flow{"SecondTimeoutReplacesFirst",
             {"still pic\ntimeout 100 -goto 6\ntimeout 1 -goto 7\nendstill\nstill keyed\nstill first\nstill second\n",
              ""},
             "second",
             1000,
             1100},
        Flow{"ZeroSecondsFiresAtOnce",
             {"still pic\ntimeout 0 -goto 5\nendstill\nstill keyed\nstill timedout\n", ""},
             "timedout",
             0,
             100},
        // "-goto" counts every line of the block.
        Flow{"BlockLinesCount",
             {"still pic\nclick\ncursor arrow.cur\n\nnotes are ignored\ntimeout 1 -goto 9\nendstill\nstill "
              "wrong\nstill right\n",
              ""},
             "right",
             1000,
             1100},
        // A DEFAULT in force is the timeout of a still without one.
        Flow{"DefaultActsAsTimeout",
             {"default timeout 1 -goto 5\nstill pic\nendstill\nstill keyed\nstill defaulted\n", ""},
             "defaulted",
             1000,
             1100},
        Flow{"DefaultRestartsOnMiss",
             {"default timeout 1 -goto 5\nstill pic\nendstill\nstill keyed\nstill defaulted\n", "800 click 5 5\n"},
             "defaulted",
             1800,
             1900},
        Flow{"OwnTimeoutBeatsDefault",
             {"default timeout 5 -goto 6\nstill pic\ntimeout 1 -goto 7\nendstill\nstill keyed\nstill defaulted\nstill "
              "own\n",
              ""},
             "own",
             1000,
             1100},
        // After a key press the hotspots stay, and the next still adds its own.
        Flow{"EarlierHotspotsSurvive",
             {"still pic\nhotspot 0 0 99 49 -goto 8\nendstill\nstill pic\nhotspot 200 200 299 249 -goto 9\nendstill\n"
              "still missed\nstill fromfirst\nstill fromsecond\n",
              "500 key space\n1000 click 100 70\n"},
             "fromfirst",
             1000,
             1100},
        Flow{"NewerHotspotsToo",
             {"still pic\nhotspot 0 0 99 49 -goto 8\nendstill\nstill pic\nhotspot 200 200 299 249 -goto 9\nendstill\n"
              "still missed\nstill fromfirst\nstill fromsecond\n",
              "500 key space\n1000 click 300 300\n"},
             "fromsecond",
             1000,
             1100},
        // A malformed hotspot leaves no record: the click misses and the timeout runs again.
        Flow{"MalformedHotspotIsDropped",
             {"still pic\nhotspot 1 2 3 4\ntimeout 1 -goto 6\nendstill\nstill keyed\nstill timedout\n",
              "500 click 82 63\n"},
             "timedout",
             1500,
             1600}),
    [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------ the block's own lines

TEST(StillBlock, MalformedLinesShowNotices) {
    const test::PlayerRun run =
        Play("Notices",
             {"still pic\ntimeout\ntimeout 5\nhotspot 1 2 3\nhotspot 1 2 3 4\ncursor\nclick\ncursor x.cur\nendstill\n",
              "1000 key escape\n"});
    const auto notice = [](const std::string& text) { return "box\twindow\t0x30\tHey!\t" + text; };
    EXPECT_TRUE(run.ContainsInOrder({notice("TIMEOUT command malformed."), notice("TIMEOUT command malformed."),
                                     notice("HOTSPOT command malformed."), notice("HOTSPOT command malformed."),
                                     notice("CURSOR filename missing."), "exit\t0"}))
        << run.Dump();
    EXPECT_EQ(run.Events("box").size(), 5u) << run.Dump();
}

TEST(StillBlock, WithoutEndstillTakesTheRestOfTheScript) {
    const test::PlayerRun run = Play(
        "Swallowed", {"still pic\ntimeout 1 -next\nstill never\nexit\nhotspot 0 0 10 10 -exit\n", "3000 key escape\n"});
    EXPECT_EQ(run.Events("box").size(), 0u) << run.Dump();
    EXPECT_EQ(run.exitCode, 0) << run.Dump();
}

TEST(StillBlock, LastLineWithoutLineEndEndsTheBlock) {
    const test::PlayerRun run =
        Play("NoLineEnd", {"still pic\nhotspot 0 0 99 49 -exit\nendstill", "500 click 100 70\n"});
    EXPECT_EQ(run.Events("box").size(), 0u) << run.Dump();
    EXPECT_EQ(run.exitCode, 0) << run.Dump();
}

}  // namespace
