// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence interpreter end to end: start-up and exit codes, the quit
// semantics, script reading, GOTO, the restart skip, DEFAULT and PAUSE.
#include <gtest/gtest.h>

#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;
using test::PlayerOptions;
using test::PlayerRun;
using test::RunPlayer;

namespace {

const std::string FatalBox = "box\tnone\t0x30\tFatal Error\t";
const std::string HeyBox = "box\twindow\t0x30\tHey!\t";

// Plays a one-folder presentation whose root script is `script`.
PlayerRun Play(const std::string& name, const std::string& script, const std::string& input = "",
               std::vector<std::string> args = {}) {
    fs::path root = test::MakeTempDir(name);
    test::WriteFile(root / "sequence", script);
    PlayerOptions options;
    options.input = input;
    options.args = std::move(args);
    return RunPlayer(root, options);
}

std::vector<std::string> BoxTexts(const PlayerRun& run) {
    std::vector<std::string> texts;
    for (const auto& box : run.Events("box")) texts.push_back(box.fields.back());
    return texts;
}

struct ScriptCase {
    const char* name;
    std::string script;
    const char* input;
    std::vector<std::string> expected;  // in order, among other lines; the boxes among them are all the boxes
    int exitCode;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

class Script : public testing::TestWithParam<ScriptCase> {};

TEST_P(Script, RunsAsWritten) {
    const ScriptCase& c = GetParam();
    PlayerRun run = Play(c.name, c.script, c.input);
    EXPECT_TRUE(run.ContainsInOrder(c.expected)) << run.Dump();
    EXPECT_EQ(run.exitCode, c.exitCode) << run.Dump();
    std::vector<std::string> boxes, expectedBoxes;
    for (const auto& box : run.Events("box")) boxes.push_back(box.Text());
    for (const auto& line : c.expected)
        if (line.rfind("box\t", 0) == 0) expectedBoxes.push_back(line);
    EXPECT_EQ(boxes, expectedBoxes) << run.Dump();
}

// ---------------------------------------------------------------- start-up and exit

TEST(StartUp, MissingSequenceIsFatalWithBoxThenBeep) {
    fs::path root = test::MakeTempDir("no-sequence");
    PlayerRun run = RunPlayer(root);
    EXPECT_TRUE(run.ContainsInOrder({FatalBox + "Unable to open SEQUENCE file.", "beep\t0x30", "exit\t1"}))
        << run.Dump();
    EXPECT_EQ(run.exitCode, 1);
}

TEST(StartUp, HelpAndVersionAnswerBeforeAnythingStarts) {
    // No script here: a player that started would report it.
    const struct {
        const char* argument;
        std::string printed;  // its beginning
    } cases[] = {{"--help", "Usage: corvanta [-restart] [PRESENTATION]\n"},
                 {"-h", "Usage: corvanta [-restart] [PRESENTATION]\n"},
                 {"--version", "corvanta " CORVANTA_VERSION "\n"}};
    for (const auto& c : cases) {
        PlayerOptions options;
        options.args = {"-restart", c.argument};
        PlayerRun run = RunPlayer(test::MakeTempDir(std::string("answer") + c.argument), options);
        EXPECT_EQ(run.exitCode, 0) << run.Dump();
        EXPECT_EQ(run.stdOut.substr(0, c.printed.size()), c.printed) << run.stdOut;
        EXPECT_TRUE(run.trace.empty()) << run.Dump();
        if (c.argument == std::string("--version")) continue;
        for (const char* setting : {"CORVANTA_DRIVER", "CORVANTA_SCREEN", "CORVANTA_PALETTE", "CORVANTA_CDROM",
                                    "CORVANTA_TRACE", "CORVANTA_CLIENT", "CORVANTA_INPUT", "CORVANTA_AUDIO_OUT",
                                    "CORVANTA_MAX_MS", "CORVANTA_PROGRAMS", "CORVANTA_CODEPAGE"})
            EXPECT_NE(run.stdOut.find(setting), std::string::npos) << setting;
    }
}

TEST(StartUp, WithoutADisplayTheRealDriverSaysSoAndEndsWithTwo) {
    fs::path root = test::MakeTempDir("no-display");
    test::WriteFile(root / "sequence", "exit\n");
    PlayerOptions options;
    options.env = {{"CORVANTA_DRIVER", "sdl"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}};
    PlayerRun run = RunPlayer(root, options);
    EXPECT_EQ(run.exitCode, 2) << run.Dump();
    EXPECT_NE(run.stdErr.find("no display: set DISPLAY, or CORVANTA_DRIVER=headless\n"), std::string::npos)
        << run.stdErr;
    ASSERT_EQ(run.trace.size(), 1u) << run.Dump();
    EXPECT_EQ(run.trace[0].Text(), "exit\t2");
}

TEST(StartUp, RunWithoutInputEndsAtTheTimeLimit) {
    PlayerRun run = Play("limit", "pause\n");
    EXPECT_TRUE(run.ContainsInOrder({"limit", "exit\t3"})) << run.Dump();
    EXPECT_EQ(run.exitCode, 3);
}

INSTANTIATE_TEST_SUITE_P(
    EndOfScript, Script,
    testing::Values(
        ScriptCase{"EmptyScriptQuits", "", "", {"exit\t0"}, 0},
        ScriptCase{"ExitLineQuits", "exit\ndefault\n", "", {"exit\t0"}, 0},
        // A last line without its line end still ends the script, at the root by quitting.
        ScriptCase{"LastLineWithoutLineEnd", "blank", "", {"exit\t0"}, 0},
        ScriptCase{"LastPauseWithoutLineEnd", "pause", "200 key space\n", {"beep\t-1", "exit\t0"}, 0},
        ScriptCase{"BlankLinesAreSkipped", "\n\n   \n,\t,\ndefault\n", "", {HeyBox + "TIMEOUT missing.", "exit\t0"}, 0},
        ScriptCase{"UnknownKeywordsAreComments", "rem hello\nmovie2 x\n# note\nexit\n", "", {"exit\t0"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- script lines take no time

std::string CommentLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "comment line " + std::to_string(i) + "\n";
    return lines;
}

TEST(LinesTakeNoTime, HeadlessANoticeAfterThreeHundredCommentLinesComesAtOnce) {
    PlayerRun run = Play("lines-headless", CommentLines(300) + "default\n");
    std::vector<std::string> trace;
    for (const auto& line : run.trace) trace.push_back(std::to_string(line.time) + "\t" + line.Text());
    EXPECT_EQ(trace,
              (std::vector<std::string>{"0\tpresent\tfd15e9aa", "0\t" + HeyBox + "TIMEOUT missing.", "0\texit\t0"}))
        << run.Dump();
}

TEST(LinesTakeNoTime, WithTheRealDriverNoLineSleeps) {
    // SDL's dummy video driver: the trace's times are wall milliseconds.
    // Lines that slept would take at least a millisecond each, 3 s in all:
    // far beyond what reading them takes on a busy machine.
    fs::path root = test::MakeTempDir("lines-sdl");
    test::BmpFile picture;
    picture.width = picture.height = 8;
    picture.colours = {{200, 40, 40}};
    picture.clrUsed = 1;
    picture.pixels.assign(8 * 8, 0);
    test::WriteBytes(root / "pic.bmp", picture.Bytes());
    test::WriteFile(root / "sequence", "blank\n" + CommentLines(3000) + "still pic\ntimeout 0 -exit\nendstill\n");
    PlayerOptions options;
    options.env = {{"CORVANTA_DRIVER", "sdl"}, {"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}};
    PlayerRun run = RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    ASSERT_TRUE(run.ContainsInOrder({"present\tfd15e9aa", "show\tstill\tpic.bmp", "exit\t0"})) << run.Dump();
    const long blanked = run.Events("present").front().time;
    const long shown = run.Events("show").front().time;
    EXPECT_LT(shown - blanked, 3000) << run.Dump();
}

// ---------------------------------------------------------------- quit semantics

TEST(Quit, EscapeDuringPauseAtTheRootExitsWithoutWalkingTheTree) {
    // Above the presentation there is no script: a quit that walked the tree
    // would report it and end with 1.
    PlayerRun run = Play("escape-pause", "pause\nexit\n", "300 key escape\n");
    EXPECT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_TRUE(run.Events("box").empty()) << run.Dump();
}

TEST(Quit, EscapeEndsAGotoLoopAtOnce) {
    PlayerRun run = Play("goto-self", "goto 1\n", "1000 key escape\n");
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    ASSERT_FALSE(run.Events("exit").empty());
    EXPECT_LT(run.Events("exit").back().time, 1200) << run.Dump();
}

TEST(Quit, MessagesWaitingBehindTheQuitRequestAreStillHandled) {
    // The exit message quits at the root; the key that was already waiting is
    // handled before the pump reports the quit request.
    PlayerRun run = Play("quit-drain", "pause\npause\n", "100 message 1374\n100 key space\n");
    EXPECT_TRUE(run.ContainsInOrder({"beep\t-1", "exit\t0"})) << run.Dump();
    EXPECT_EQ(run.exitCode, 0);
}

TEST(Quit, FatalErrorEndsTheRunWithOne) {
    PlayerRun run = Play("fatal-ends", "goto 0\npause\n");
    EXPECT_TRUE(run.ContainsInOrder({FatalBox + "Goto found too few lines in SEQUENCE.", "beep\t0x30", "exit\t1"}))
        << run.Dump();
    EXPECT_EQ(run.exitCode, 1);
}

TEST(Quit, ExitMessageFromOutsideAtTheRootQuits) {
    PlayerRun run = Play("message-1374", "pause\n", "100 message 1374\n");
    EXPECT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_TRUE(run.Events("box").empty()) << run.Dump();
}

TEST(Quit, ClosingTheWindowEndsTheRun) {
    PlayerRun run = Play("close", "pause\n", "100 close\n");
    EXPECT_EQ(run.exitCode, 0) << run.Dump();
}

// ---------------------------------------------------------------- the restart argument

TEST(RestartArgument, OnlyDashOrSlashRestartInAnyCaseSkipsToTheMark) {
    // Without the skip the first line's notice shows and the exit line quits;
    // with it, the line after "restart" runs instead.
    const std::string script = "default\nexit\nrestart\ndefault timeout\n";
    const struct {
        std::vector<std::string> args;
        bool skips;
    } cases[] = {
        {{}, false},          {{"-restart"}, true},   {{"/restart"}, true},
        {{"-ReStArT"}, true}, {{"/RESTART"}, true},   {{"other", "-restart"}, true},
        {{"restart"}, false}, {{"--restart"}, false}, {{"-restarts"}, false},
        {{"-re"}, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        PlayerRun run = Play("restart-arg" + std::to_string(n++), script, "", c.args);
        std::vector<std::string> want = {c.skips ? "DEFAULT command malformed." : "TIMEOUT missing."};
        EXPECT_EQ(BoxTexts(run), want) << (c.args.empty() ? "" : c.args.back()) << "\n" << run.Dump();
        EXPECT_EQ(run.exitCode, 0);
    }
}

TEST(RestartArgument, WithoutAMarkTheScriptRunsFromItsFirstLine) {
    // The skip carries out the DEFAULT lines it passes (not the first), finds
    // no mark, and the whole script then runs from its first line.
    PlayerRun run = Play("restart-nomark", "default\ndefault timeout\n", "", {"-restart"});
    EXPECT_EQ(BoxTexts(run), (std::vector<std::string>{"DEFAULT command malformed.", "TIMEOUT missing.",
                                                       "DEFAULT command malformed."}))
        << run.Dump();
}

TEST(RestartArgument, DefaultLinesAboveTheMarkTakeEffectOnTheWay) {
    // The first line is only compared with "restart"; later DEFAULT lines run.
    PlayerRun run = Play("restart-defaults", "default\ndefault timeout\nrestart\nexit\n", "", {"-restart"});
    EXPECT_EQ(BoxTexts(run), (std::vector<std::string>{"DEFAULT command malformed."})) << run.Dump();
}

// ---------------------------------------------------------------- keywords, lines, GOTO

INSTANTIATE_TEST_SUITE_P(
    Reading, Script,
    testing::Values(
        ScriptCase{"KeywordsInAnyCase",
                   "PaUsE\nDEFAULT\nExIt\n",
                   "200 key space\n",
                   {"beep\t-1", HeyBox + "TIMEOUT missing.", "exit\t0"},
                   0},
        ScriptCase{
            "CommasAndTabsSeparateWords", ",,default,\ttimeout,5\n", "", {HeyBox + "DEFAULT command malformed."}, 0},
        // 255 characters make a line; the rest of a longer line is a line of its own.
        ScriptCase{"LongLineIsSplit", std::string(255, 'x') + "default\n", "", {HeyBox + "TIMEOUT missing."}, 0},
        ScriptCase{"LongLineCountsTwiceForGoto",
                   "goto 5\n" + std::string(300, 'y') + "\ndefault\ndefault timeout\n",
                   "",
                   {HeyBox + "DEFAULT command malformed.", "exit\t0"},
                   0},
        ScriptCase{
            "GotoForwards", "goto 3\ndefault\ndefault timeout\n", "", {HeyBox + "DEFAULT command malformed."}, 0},
        ScriptCase{"GotoBackwardsRewinds",
                   "goto 4\ndefault timeout\nexit\ngoto 2\n",
                   "",
                   {HeyBox + "DEFAULT command malformed.", "exit\t0"},
                   0},
        ScriptCase{
            "GotoBeyondTheEnd", "goto 9\n", "", {FatalBox + "Goto found too few lines in SEQUENCE.", "exit\t1"}, 1},
        ScriptCase{"GotoZero", "goto 0\n", "", {FatalBox + "Goto found too few lines in SEQUENCE.", "exit\t1"}, 1},
        ScriptCase{"GotoNegative",
                   "goto -2147483648\n",
                   "",
                   {FatalBox + "Goto found too few lines in SEQUENCE.", "exit\t1"},
                   1},
        ScriptCase{"GotoNotANumberIsZero",
                   "goto abc\n",
                   "",
                   {FatalBox + "Goto found too few lines in SEQUENCE.", "exit\t1"},
                   1},
        ScriptCase{
            "GotoWithoutNumber", "goto\n", "", {FatalBox + "GOTO line number missing.", "beep\t0x30", "exit\t1"}, 1},
        // The empty line at the end of a file is a line GOTO can reach.
        ScriptCase{"GotoTheEmptyLastLine", "goto 2\n", "", {"exit\t0"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Reading, GotoOneRunsTheScriptAgainAndAgain) {
    PlayerRun run = Play("goto-one", "default\ngoto 1\n", "300 key escape\n");
    EXPECT_GE(run.Events("box").size(), 3u) << run.Dump();
    EXPECT_EQ(run.exitCode, 0);
}

TEST(Reading, WindowsLineEndsAndUpperCaseFileName) {
    fs::path root = test::MakeTempDir("crlf");
    test::WriteFile(root / "SEQUENCE", "goto 3\r\ndefault\r\nDEFAULT timeout\r\n");
    PlayerRun run = RunPlayer(root);
    EXPECT_EQ(BoxTexts(run), (std::vector<std::string>{"DEFAULT command malformed."})) << run.Dump();
    EXPECT_EQ(run.exitCode, 0);
}

// ---------------------------------------------------------------- DEFAULT

INSTANTIATE_TEST_SUITE_P(
    Default, Script,
    testing::Values(
        ScriptCase{"WithoutTimeout", "default\n", "", {HeyBox + "TIMEOUT missing.", "exit\t0"}, 0},
        ScriptCase{"OtherSubKeyword", "default time 5 -next\n", "", {HeyBox + "TIMEOUT missing."}, 0},
        ScriptCase{"WithoutSeconds", "default timeout\n", "", {HeyBox + "DEFAULT command malformed."}, 0},
        ScriptCase{"WithoutAction", "default TIMEOUT 5\n", "", {HeyBox + "DEFAULT command malformed."}, 0},
        ScriptCase{"UnknownAction", "default timeout 5 -jump\n", "", {FatalBox + "Unknown action", "exit\t1"}, 1},
        ScriptCase{
            "GotoWithoutLine", "default timeout 5 -goto\n", "", {FatalBox + "ACTION argument missing", "exit\t1"}, 1},
        ScriptCase{
            "DirWithoutName", "default timeout 5 -DIR\n", "", {FatalBox + "ACTION argument missing", "exit\t1"}, 1},
        ScriptCase{"Complete", "default timeout 5 -next extra words\nexit\n", "", {"exit\t0"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- PAUSE and input

INSTANTIATE_TEST_SUITE_P(
    Input, Script,
    testing::Values(ScriptCase{"PauseEndsOnAKey",
                               "pause\ndefault\n",
                               "200 key a\n",
                               {"beep\t-1", HeyBox + "TIMEOUT missing.", "exit\t0"},
                               0},
                    // A click in the running state is unexpected: a notice, then the pause ends.
                    ScriptCase{"PauseEndsOnAClick",
                               "pause\ndefault\n",
                               "200 click 10 10\n",
                               {"box\twindow\t0x0\tWhoah!\tBummer! Unrecognized State!", HeyBox + "TIMEOUT missing.",
                                "exit\t0"},
                               0},
                    ScriptCase{"TimerOtherThanTheStillsIsReported",
                               "pause\n",
                               "100 message 275 5\n200 key escape\n",
                               {"box\twindow\t0x0\tWeird\tUnrecognized timer message received.", "exit\t0"},
                               0},
                    // Escape ends a pause like any key, and quits.
                    ScriptCase{"EscapeDuringPause", "pause\ndefault\n", "200 key escape\n", {"exit\t0"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Input, PauseWaitsForItsKey) {
    PlayerRun run = Play("pause-waits", "pause\n", "2500 key space\n");
    ASSERT_FALSE(run.Events("exit").empty()) << run.Dump();
    EXPECT_GE(run.Events("exit").back().time, 2500);
    EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
