// SPDX-License-Identifier: GPL-3.0-or-later
// Findings about script lines and the folder tree, one crafted tree per kind,
// with the exact lines corvanta-check prints; the rule that tells slips of a
// keyword from comments; and the program's exit status and --quiet.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "check/typo.h"
#include "check_fixture.h"
#include "interp/script_line.h"

namespace {

using check_test::File;
using check_test::Picture;
using check_test::Tree;

struct TreeCase {
    std::string name;
    Tree tree;
    std::vector<std::string> expected;
};
void PrintTo(const TreeCase& c, std::ostream* out) { *out << c.name; }

File Script(std::string text) { return {"sequence", std::move(text)}; }

std::vector<TreeCase> TreeCases() {
    const File pic{"pic.bmp", Picture(64, 48)};
    return {
        {"CleanTreeInWindowsForm",
         {{"SEQUENCE",
           "Menu of the demo; lines that are no command are comments\r\n"
           "music THEME.MID loop\r\nmovie INTRO\r\nrestart\r\ndefault timeout 9 -next\r\n"
           "still PIC\r\ntimeout 5 -goto 2\r\nhotspot 0 0 63 47 -dir EXTRAS\r\nclick\r\ncursor arrow\r\nendstill\r\n"
           "run true --version\r\ngoto 5\r\n"},
          {"theme.wav", check_test::Sound()},
          {"intro.flc", check_test::Movie()},
          {"intro.wav", check_test::Sound()},
          {"pic.bmp", Picture(64, 48)},
          {"extras/Sequence", "exit\n"}},
         {}},
        {"SlipsOfKeywords",
         {Script("stil pic\nstill pic\nhotspt 0 0 9 9 -next\nendstill\nmovei intro\nThis shows the menu\n"), pic},
         {"sequence:1: unknown command \"stil\" is ignored; did you mean \"still\"?",
          "sequence:3: unknown command \"hotspt\" is ignored; did you mean \"hotspot\"?",
          "sequence:5: unknown command \"movei\" is ignored; did you mean \"movie\"?"}},
        {"MissingMediaWithTheNamesTried",
         {Script("still menu\nendstill\nstill title.\nendstill\nmovie intro\nmusic theme.mid\nmusic none\n")},
         {"sequence:1: The file menu.bmp could not be found.", "sequence:3: The file title.bmp could not be found.",
          "sequence:5: Unable to open Flic file: intro (tried intro, intro.flc)",
          "sequence:6: music file theme.wav not found: the line plays nothing"}},
        {"GotoTargetsCountTheLinesAsTheInterpreterDoes",
         // Three lines and a line end: line 5 is the end of the script, 6 is beyond.
         {Script("goto 5\ngoto 6\ngoto 0\n")},
         {"sequence:2: Goto found too few lines in SEQUENCE. (line 6; the script has 3)",
          "sequence:3: Goto found too few lines in SEQUENCE. (line 0; the script has 3)"}},
        {"LongLinesAreReadInPieces",
         {Script(std::string(300, 'x') + "\ngoto 6\ngoto 7\n")},
         {"sequence:4: Goto found too few lines in SEQUENCE. (line 7; the script has 4)"}},
        {"SecondsThatAreNoNumber",
         {Script("default timeout x -next\nstill pic\ntimeout five -next\nendstill\nstill pic\ntimeout 5s -next\n"
                 "endstill\nstill pic\ntimeout -3 -next\nendstill\n"),
          pic},
         {"sequence:1: DEFAULT TIMEOUT seconds \"x\" are not a number: taken as 0, the still ends after 10 ms",
          "sequence:3: TIMEOUT seconds \"five\" are not a number: taken as 0, the still ends after 10 ms",
          "sequence:6: TIMEOUT seconds \"5s\" are not a number: taken as 5"}},
        {"TheRestOfALongLineReadAsACommand",
         {Script("rem " + std::string(251, 'x') + "run true\nrem " + std::string(251, 'x') + "not a command\n" +
                 "still pic\nrem " + std::string(251, 'y') + "timeout 1 -exit\nendstill\n"),
          pic},
         {"sequence:2: the text after the 255th character of line 1 is read as a line of its own: the command \"run\"",
          "sequence:7: the text after the 255th character of line 6 is read as a line of its own: the command "
          "\"timeout\""}},
        {"PathsOutOfTheTree",
         {Script("still ..\\pic\nendstill\nmovie C:\\intro\nmusic /etc/tone\nrun ..\\..\\bin\\sh\n"
                 "still pic\ntimeout 1 -dir ..\\..\\outside\nendstill\n"),
          pic},
         {"sequence:1: ..\\pic.bmp is outside the presentation's tree as written (a drive, or \"..\" above "
          "its top): the player takes it from the tree's top",
          "sequence:3: C:\\intro is outside the presentation's tree as written (a drive, or \"..\" above its "
          "top): the player takes it from the tree's top",
          "sequence:3: Unable to open Flic file: C:\\intro (tried C:\\intro, C:\\intro.flc)",
          "sequence:4: music file /etc/tone.wav not found: the line plays nothing",
          "sequence:5: ..\\..\\bin\\sh is outside the presentation's tree as written (a drive, or \"..\" "
          "above its top): the player takes it from the tree's top",
          "sequence:5: RUN program \"..\\..\\bin\\sh\" is not found (in this folder, then PATH)",
          "sequence:7: ..\\..\\outside is outside the presentation's tree as written (a drive, or \"..\" "
          "above its top): the player takes it from the tree's top",
          "sequence:7: Failed descending into directory. (..\\..\\outside)"}},
        {"GotoActionsOfStillsAndDefaults",
         {Script("default timeout 3 -goto 40\nstill pic\ntimeout 1 -goto 4\nhotspot 0 0 1 1 -goto 41\nendstill\n"),
          pic},
         {"sequence:1: Goto found too few lines in SEQUENCE. (line 40; the script has 5)",
          "sequence:4: Goto found too few lines in SEQUENCE. (line 41; the script has 5)"}},
        {"FoldersThatCannotBeEntered",
         {Script("restart\ndefault timeout 1 -dir nowhere\ndefault timeout 1 -dir empty\n"), {"empty/", ""}},
         {"sequence:2: Failed descending into directory. (nowhere)",
          "sequence:3: Unable to open SEQUENCE file. (empty)"}},
        {"ParentWithoutRestartLine",
         {Script("movie intro\nstill pic\nhotspot 0 0 9 9 -dir sub\nendstill\n"),
          pic,
          {"intro.flc", check_test::Movie()},
          {"sub/sequence", "still ..\\pic\nendstill\nstil pic\n"}},
         {"sequence:3: no \"restart\" line: coming back from sub, the viewer starts this script again from the top",
          "sub/sequence:3: unknown command \"stil\" is ignored; did you mean \"still\"?"}},
        {"CyclesOfFoldersAreCheckedOnce",
         {Script("restart\ndefault timeout 1 -dir a\nmovie gone\n"),
          {"a/sequence", "restart\ndefault timeout 1 -dir ..\n"},
          {"a/b/sequence", "never reached\n"}},
         {"sequence:3: Unable to open Flic file: gone (tried gone, gone.flc)"}},
        {"HotspotsOutsideThePictureOrInsideOut",
         {Script("still pic\nhotspot 0 0 64 47 -next\nhotspot -1 0 9 9 -next\nhotspot 9 0 8 9 -next\n"
                 "hotspot 0 9 9 8 -next\nhotspot 0 0 63 47 -next\nendstill\n"),
          pic},
         {"sequence:2: hotspot 0 0 64 47 reaches outside the 64x48 picture",
          "sequence:3: hotspot -1 0 9 9 reaches outside the 64x48 picture",
          "sequence:4: hotspot 9 0 8 9 can never be hit (left > right)",
          "sequence:5: hotspot 0 9 9 8 can never be hit (top > bottom)"}},
        {"StillWithoutEndstill",
         {Script("still pic\ntimeout 5 -next\nmovie intro\n"), pic},
         {"sequence:1: STILL without \"endstill\": every line after it is read as its block"}},
        {"LinesAnsweredWithANotice",
         {Script("default 5 -next\ndefault timeout 5\nstill pic\ntimeout 5\nhotspot 1 2 3 -next\nhotspot 1 2 3 4\n"
                 "cursor\nendstill\n"),
          pic},
         {"sequence:1: TIMEOUT missing.", "sequence:2: DEFAULT command malformed.",
          "sequence:4: TIMEOUT command malformed.", "sequence:5: HOTSPOT command malformed.",
          "sequence:6: HOTSPOT command malformed.", "sequence:7: CURSOR filename missing."}},
        {"LinesThatEndThePresentation",
         {Script("movie\ngoto\nmusic\nstill\nendstill\ndefault timeout 5 -nxt\ndefault timeout 5 -dir\n")},
         {"sequence:1: MOVIE file name missing.", "sequence:2: GOTO line number missing.",
          "sequence:3: MUSIC command malformed.", "sequence:4: STILL file name missing.",
          "sequence:6: Unknown action (-nxt)", "sequence:7: ACTION argument missing"}},
        {"ProgramLines",
         {Script("run\nexec\nrun nosuch.exe /x\nexec \"tools\\show.sh\" a\nrun   \n"),
          {"tools/show.sh", "#!/bin/sh\n"}},
         {"sequence:1: RUN command malformed.", "sequence:2: EXEC without a command line ends the presentation",
          "sequence:3: RUN program \"nosuch.exe\" is not found (in this folder, then PATH)",
          "sequence:4: EXEC program \"tools\\show.sh\" may not be run",
          "sequence:5: RUN program \"\" is not found (in this folder, then PATH)"}},
        {"MusicOptions",
         {Script("music theme lop\nmusic theme L2\nmusic cdaudio t5x\nmusic cdaudio t5 mix l2\n"),
          {"theme.wav", check_test::Sound()}},
         {"sequence:1: MUSIC option \"lop\": the loop count is not a number",
          "sequence:2: unknown MUSIC option \"L2\" is ignored",
          "sequence:3: MUSIC option \"t5x\": the track is not a number"}},
        {"SongSections",
         {Script("music autodigitalaudio song\nmusic AutoDigitalAudio again\n"),
          {"verse/verse1.wav", check_test::Sound()},
          {"verse/verse2.wav", check_test::Sound()},
          {"verse/Verse4.wav", check_test::Sound()},
          {"verse/verse03.wav", check_test::Sound()},
          {"chorus/chorus2.wav", check_test::Sound()},
          {"bridge/bridge1.wav", check_test::Sound()},
          {"outro/outro1.wav", check_test::Sound()}},
         {"sequence:1: song section folder intro is missing: the song has no intro",
          "sequence:1: song section verse: verse03.wav, Verse4.wav never played; the numbers stop at verse2.wav",
          "sequence:1: no chorus1.wav in chorus: the song has no chorus"}},
        {"SongPassOverTheBudget",
         // Three choruses a pass: 3 x 2,730,667 bytes reach the budget.
         {Script("music autodigitalaudio song\n"),
          {"intro/intro1.wav", check_test::Sound()},
          {"verse/verse1.wav", check_test::Sound()},
          {"chorus/chorus1.wav", check_test::Sound(), 2730667},
          {"bridge/bridge1.wav", check_test::Sound()},
          {"outro/outro1.wav", check_test::Sound()}},
         {"sequence:1: a pass of the song can take 8192541 bytes, not below the budget of 8192000: sections will be "
          "skipped"}},
    };
}

class TreeFindings : public testing::TestWithParam<TreeCase> {};

TEST_P(TreeFindings, AreReportedAsPrinted) {
    EXPECT_EQ(check_test::Check(GetParam().tree), GetParam().expected);
    // A program on a disc runs from a copy that may always be run.
    std::vector<std::string> fromImage = GetParam().expected;
    std::erase_if(fromImage, [](const std::string& line) { return line.ends_with("may not be run"); });
    EXPECT_EQ(check_test::Check(GetParam().tree, check_test::Where::Image), fromImage) << "from an image";
}

INSTANTIATE_TEST_SUITE_P(Check, TreeFindings, testing::ValuesIn(TreeCases()),
                         [](const auto& info) { return info.param.name; });

// Slips of a keyword, and comment lines that must stay quiet.
struct SlipCase {
    const char* line;
    bool inStill;
    const char* meant;  // empty: quiet
};

constexpr SlipCase SlipCases[] = {
    {"stil menu", false, "still"},
    {"STIL menu", false, "still"},
    {"stilll menu.bmp", false, "still"},
    {"movei intro", false, "movie"},
    {"muisc theme loop wait", false, "music"},
    {"defualt timeout 10 -next", false, "default"},
    {"paus", false, "pause"},
    {"goot 12", false, "goto"},
    {"exce setup.exe /s", false, "exec"},
    {"hotspt 0 0 319 479 -dir extras", true, "hotspot"},
    {"timout 30 -next", true, "timeout"},
    {"endstil", true, "endstill"},
    {"cusor hand", true, "cursor"},
    {"This presentation was made for the trade show", false, ""},
    {"Exits to the main menu", false, ""},
    {"Movies for the intro come first", false, ""},
    {"Stills of the factory floor", false, ""},
    {"Pauses until a key is pressed", false, ""},
    {"Edit this script with care", false, ""},
    {"Blanks the screen before the menu", false, ""},
    {"Music by the studio band", false, ""},
    {"Musical interlude", false, ""},
    {"Restarts here after the gallery", false, ""},
    {"Got here from the menu", false, ""},
    {"rum and coke", false, ""},
    {"Goes back to the start", false, ""},
    {"Clock face in the corner", true, ""},
    {"Timeouts are in seconds", true, ""},
    {"# still menu", false, ""},
    {"stiff 12", false, ""},
};

TEST(KeywordSlips, AreToldFromComments) {
    for (const SlipCase& c : SlipCases) {
        script::Words words(c.line);
        const std::string first = words.Next();
        std::vector<std::string> rest;
        for (const char* word = words.Next(); word; word = words.Next()) rest.emplace_back(word);
        EXPECT_EQ(check::KeywordMeant(first, rest, c.inStill), c.meant) << c.line;
    }
}

// The program itself: its output and exit status.
struct RunCase {
    std::string name;
    Tree tree;
    std::string arguments;
    int status;
    std::string output;
};
void PrintTo(const RunCase& c, std::ostream* out) { *out << c.name; }

std::vector<RunCase> RunCases() {
    const File clean = Script("blank\n");
    const File twoFindings = Script("movie\nmusic\n");
    return {
        {"Clean", {clean}, ".", 0, ""},
        {"CurrentFolderByDefault", {clean}, "", 0, ""},
        {"Findings",
         {twoFindings},
         ".",
         1,
         "sequence:1: MOVIE file name missing.\nsequence:2: MUSIC command malformed.\n"},
        {"QuietGivesTheCount", {twoFindings}, "--quiet .", 1, "2\n"},
        {"NoScript", {{"other", ""}}, ".", 2, ""},
        {"NoFolder", {clean}, "missing", 2, ""},
        {"UnknownOption", {clean}, "--fast .", 2, ""},
        {"TwoFolders", {clean}, ". .", 2, ""},
        {"FixPaletteWithoutOutput", {clean}, "--fix-palette in.bmp", 2, ""},
        {"Version", {clean}, "--version", 0, "corvanta-check " CORVANTA_VERSION "\n"},
    };
}

class CheckProgram : public testing::TestWithParam<RunCase> {};

TEST_P(CheckProgram, ExitsWithItsStatus) {
    const RunCase& c = GetParam();
    const std::string command =
        "cd '" + check_test::Write(c.tree).string() + "' && '" CORVANTA_CHECK "' " + c.arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.status);
    EXPECT_EQ(output, c.output);
}

INSTANTIATE_TEST_SUITE_P(Check, CheckProgram, testing::ValuesIn(RunCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
