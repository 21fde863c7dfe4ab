// SPDX-License-Identifier: GPL-3.0-or-later
// A presentation's files are untrusted: a FIFO, a device, a socket, a folder
// or a symlink loop wherever a file is opened ends the run with the message a
// missing file gives (the player and the checker alike), and never hangs it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/player_run.h"
#include "support/unusual_files.h"

namespace fs = std::filesystem;

namespace {

// Long enough for any machine, short of the suite's own limit: a run killed
// here hung.
constexpr int HangSeconds = 20;

struct Place {
    const char* name;
    std::string script;
    std::string file;                // the file made special, below the root
    std::vector<std::string> trace;  // the player's whole trace
    std::string findings;            // the checker's output
    int checkStatus;
    std::string special = {};  // the checker's finding of it, before the others
};

const std::string Present = "0\tpresent\tfd15e9aa";
const std::string SpecialFinding =
    " is not a regular file (a FIFO, a device, a socket or a symlink loop): the player takes it for missing\n";
const std::string Fatal = "0\tbox\tnone\t0x30\tFatal Error\t";
const std::vector<std::string> FatalEnd = {"0\tbeep\t0x30", "0\texit\t1"};

std::vector<std::string> Join(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::vector<Place> Places() {
    return {
        {"Sequence", "", "sequence", Join({Present, Fatal + "Unable to open SEQUENCE file."}, FatalEnd), "", 2},
        {"Still", "still pic\nendstill\n", "pic.bmp",
         Join({Present, "0\tbox\twindow\t0x30\tFatal Error\tThe file pic.bmp could not be found."}, FatalEnd),
         "sequence:1: The file pic.bmp could not be found.\n", 1, "sequence:1: pic.bmp"},
        {"Movie", "movie intro\n", "intro.flc", Join({Present, Fatal + "Unable to open Flic file: intro"}, FatalEnd),
         "sequence:1: Unable to open Flic file: intro (tried intro, intro.flc)\n", 1, "sequence:1: intro.flc"},
        // Sound failures are silent: the line plays nothing.
        {"Music",
         "music tone\n",
         "tone.wav",
         {Present, "0\texit\t0"},
         "sequence:1: music file tone.wav not found: the line plays nothing\n",
         1,
         "sequence:1: tone.wav"},
        {"SongSection",
         "music autodigitalaudio x\n",
         "verse/verse1.wav",
         {Present, "0\texit\t0"},
         "sequence:1: song section folder intro is missing: the song has no intro\n"
         "sequence:1: no verse1.wav in verse: the song has no verse\n"
         "sequence:1: song section folder chorus is missing: the song has no chorus\n"
         "sequence:1: song section folder bridge is missing: the song has no bridge\n"
         "sequence:1: song section folder outro is missing: the song has no outro\n",
         1},
    };
}

std::vector<std::string> TimedTrace(const test::PlayerRun& run) {
    std::vector<std::string> lines;
    for (const auto& line : run.trace) lines.push_back(std::to_string(line.time) + "\t" + line.Text());
    return lines;
}

TEST(SpecialFiles, EveryPlaceEndsWithTheMissingFilesMessage) {
    for (const Place& place : Places()) {
        for (test::SpecialFile kind : test::SpecialFiles) {
            // A folder named like a picture exists, as on Windows: the loader then cannot open it.
            if (kind == test::SpecialFile::Folder && std::string(place.name) == "Still") continue;
            const std::string name = place.name + test::Name(kind);
            SCOPED_TRACE(name);
            const fs::path root = test::MakeTempDir("special-" + name);
            if (!place.script.empty()) test::WriteFile(root / "sequence", place.script);
            ASSERT_TRUE(test::MakeSpecialFile(root / place.file, kind));

            test::PlayerOptions options;
            options.killAfterSeconds = HangSeconds;
            const test::PlayerRun run = test::RunPlayer(root, options);
            EXPECT_EQ(TimedTrace(run), place.trace) << run.Dump();

            options.program = CORVANTA_CHECK;
            options.args = {"."};
            const test::PlayerRun check = test::RunPlayer(root, options);
            EXPECT_EQ(check.exitCode, place.checkStatus) << check.stdErr;
            const bool special = kind != test::SpecialFile::Folder && !place.special.empty();
            EXPECT_EQ(check.stdOut, (special ? place.special + SpecialFinding : "") + place.findings);
        }
    }
}

TEST(SpecialFiles, DiscImagesAndSheetsThatAreNoFilesAreRefused) {
    const fs::path root = test::MakeTempDir("special-discs");
    ASSERT_EQ(::mkfifo((root / "disc.iso").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((root / "data.bin").c_str(), 0644), 0);
    test::WriteFile(root / "disc.cue", "FILE \"data.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n");
    const struct {
        const char* argument;
        std::string said;
    } cases[] = {{"disc.iso", "disc.iso: not a disc image or a drive"},
                 {"disc.cue", "disc.cue: cannot be read as a disc image"}};
    for (const auto& c : cases) {
        for (const char* program : {CORVANTA_BINARY, CORVANTA_CHECK}) {
            test::PlayerOptions options;
            options.killAfterSeconds = HangSeconds;
            options.program = program;
            options.args = {c.argument};
            const test::PlayerRun run = test::RunPlayer(root, options);
            EXPECT_EQ(run.exitCode, 2) << program << " " << c.argument;
            EXPECT_NE(run.stdErr.find(c.said), std::string::npos) << run.stdErr;
        }
    }
}

TEST(SpecialFiles, ACdTrackThatIsNoFileIsNoTrack) {
    const fs::path root = test::MakeTempDir("special-cd");
    test::WriteFile(root / "sequence", "music cdaudio t1\n");
    ASSERT_EQ(::mkfifo((root / "track01.wav").c_str(), 0644), 0);
    test::WriteFile(root / "sheet.cue", "FILE \"track01.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    for (const std::string setting : {".", "sheet.cue", "track01.wav"}) {
        test::PlayerOptions options;
        options.killAfterSeconds = HangSeconds;
        options.env = {{"CORVANTA_CDROM", (root / setting).string()}};
        const test::PlayerRun run = test::RunPlayer(root, options);
        EXPECT_EQ(TimedTrace(run), (std::vector<std::string>{Present, "0\texit\t0"})) << setting << run.Dump();
    }
}

}  // namespace
