// SPDX-License-Identifier: GPL-3.0-or-later
// The player and the checker read scripts with one grammar: for each
// malformed line the player's box says what the checker reports for that
// line, and a timeout whose seconds are no number plays as the checker says.
#include <gtest/gtest.h>

#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

constexpr int HangSeconds = 30;

// A presentation of one folder: its script and a 16-colour picture "pic".
fs::path Presentation(const std::string& name, const std::string& script) {
    const fs::path root = test::MakeTempDir(name);
    test::WriteFile(root / "sequence", script);
    test::BmpFile picture;
    picture.width = 64;
    picture.height = 48;
    picture.bitCount = 4;
    for (int i = 0; i < 16; ++i) picture.colours.push_back({static_cast<std::uint8_t>(i * 16), 40, 80});
    picture.pixels = test::PackRows(std::vector<std::uint8_t>(64 * 48, 3), 64, 48, 4);
    test::WriteBytes(root / "pic.bmp", picture.Bytes());
    return root;
}

test::PlayerRun Play(const fs::path& root, const std::string& input) {
    test::PlayerOptions options;
    options.input = input;
    options.killAfterSeconds = HangSeconds;
    return test::RunPlayer(root, options);
}

std::string CheckerOutput(const fs::path& root) {
    test::PlayerOptions options;
    options.program = CORVANTA_CHECK;
    options.args = {"."};
    options.killAfterSeconds = HangSeconds;
    return test::RunPlayer(root, options).stdOut;
}

struct MalformedCase {
    const char* name;
    std::string script;
    int line;             // the malformed one
    std::string message;  // the player's box text
    std::string detail;   // what the checker adds after it
};
void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

class Malformed : public testing::TestWithParam<MalformedCase> {};

TEST_P(Malformed, PlayerAndCheckerSayTheSame) {
    const MalformedCase& c = GetParam();
    const fs::path root = Presentation(c.name, c.script);
    // A still that waits is left with escape.
    const test::PlayerRun run = Play(root, "500 key escape\n");
    std::vector<std::string> boxes;
    for (const auto& box : run.Events("box")) boxes.push_back(box.fields.back());
    EXPECT_EQ(boxes, std::vector<std::string>{c.message}) << run.Dump();
    EXPECT_EQ(CheckerOutput(root), "sequence:" + std::to_string(c.line) + ": " + c.message + c.detail + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Malformed,
    testing::Values(
        MalformedCase{"DefaultWithoutTimeout", "default time 5 -next\n", 1, "TIMEOUT missing.", ""},
        MalformedCase{"DefaultWithoutSeconds", "default timeout\n", 1, "DEFAULT command malformed.", ""},
        MalformedCase{"DefaultWithoutAction", "default,timeout,5\n", 1, "DEFAULT command malformed.", ""},
        MalformedCase{"UnknownAction", "default timeout 5 -jump\n", 1, "Unknown action", " (-jump)"},
        MalformedCase{"GotoActionWithoutLine", "blank\ndefault timeout 5 -GOTO\n", 2, "ACTION argument missing", ""},
        MalformedCase{"GotoWithoutLine", "goto\n", 1, "GOTO line number missing.", ""},
        MalformedCase{"GotoBeyondTheEnd", "goto 9\n", 1, "Goto found too few lines in SEQUENCE.",
                      " (line 9; the script has 1)"},
        MalformedCase{"MusicWithoutName", "music\n", 1, "MUSIC command malformed.", ""},
        MalformedCase{"MovieWithoutName", "movie\n", 1, "MOVIE file name missing.", ""},
        MalformedCase{"StillWithoutName", "still\nendstill\n", 1, "STILL file name missing.", ""},
        MalformedCase{"RunWithoutCommandLine", "RUN\n", 1, "RUN command malformed.", ""},
        MalformedCase{"TimeoutWithoutAction", "still pic\ntimeout five\nendstill\n", 2, "TIMEOUT command malformed.",
                      ""},
        MalformedCase{"HotspotOfThreeEdges", "still pic\nhotspot 1 2 3\nendstill\n", 2, "HOTSPOT command malformed.",
                      ""},
        MalformedCase{"DirActionWithoutFolder", "still pic\nhotspot 0 0 9 9 -dir\nendstill\n", 2,
                      "ACTION argument missing", ""},
        MalformedCase{"CursorWithoutFile", "still pic\nCURSOR\nendstill\n", 2, "CURSOR filename missing.", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SecondsThatAreNoNumber, PlayAsTheCheckerSays) {
    const fs::path root = Presentation("timeout-five", "still pic\ntimeout five -next\nendstill\nexit\n");
    EXPECT_EQ(CheckerOutput(root),
              "sequence:2: TIMEOUT seconds \"five\" are not a number: taken as 0, the still ends after 10 ms\n");
    const test::PlayerRun run = Play(root, "");
    std::vector<std::string> trace;
    for (const auto& line : run.trace) trace.push_back(std::to_string(line.time) + "\t" + line.Text());
    // Taken as 0 seconds, the shortest timer: "-next" goes on to "exit" at 10 ms.
    EXPECT_EQ(trace, (std::vector<std::string>{"0\tpresent\tfd15e9aa", "0\tshow\tstill\tpic.bmp",
                                               "0\tpresent\t4a6b84a1", "10\texit\t0"}))
        << run.Dump();
}

}  // namespace
