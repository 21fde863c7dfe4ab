// SPDX-License-Identifier: GPL-3.0-or-later
// A presentation keeps to its own tree, as on its disc: ".." at the top stays
// at the top, a root or a drive letter is the top (on a disc, its root), and names written in the
// scripts' code page find the files Linux names in UTF-8.
#include <gtest/gtest.h>

#include "support/bmp_writer.h"
#include "support/disc_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Picture() {
    test::BmpFile picture;
    picture.width = picture.height = 1;
    picture.colours = {{0, 0, 0}, {200, 100, 50}};
    picture.clrUsed = 2;
    picture.pixels = test::PackRows({1}, 1, 1, 8);
    return picture.Bytes();
}

struct TreeCase {
    const char* name;
    std::string action;  // of the root still's timeout
    std::vector<std::string> trace;
};

const std::vector<std::string> Start = {"0\tpresent\tfd15e9aa", "0\tshow\tstill\ta.bmp", "0\tpresent\t8fb565e1"};
const std::vector<std::string> Refused = {"1000\tbox\tnone\t0x30\tFatal Error\tFailed descending into directory.",
                                          "1000\tbeep\t0x30", "1000\texit\t1"};
// Into sub, whose script leaves at once, and back to the top of the root script.
const std::vector<std::string> IntoSub = {"1000\tdir\tsub", "1000\tdir\t.", "1000\tshow\tstill\ta.bmp", "1500\tlimit",
                                          "1500\texit\t3"};

std::vector<std::string> Join(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(Tree, NoFolderOutsideIsReached) {
    const TreeCase cases[] = {
        {"UpAndOver", "-dir ..\\..\\outside", Join(Start, Refused)},
        {"HostRoot", "-dir /etc", Join(Start, Refused)},
        {"SymlinkOut", "-dir link", Join(Start, Refused)},
        {"UpAndBackDown", "-dir ..\\sub", Join(Start, IntoSub)},
        {"DriveLetter", "-dir C:\\sub", Join(Start, IntoSub)},
        {"OtherDrive", "-dir D:\\SUB", Join(Start, IntoSub)},
        {"Root", "-dir \\sub", Join(Start, IntoSub)},
        {"NineLevelsUp", "-dir ..\\..\\..\\..\\..\\..\\..\\..\\..",
         Join(Start, {"1000\tdir\t.", "1000\tshow\tstill\ta.bmp", "1500\tlimit", "1500\texit\t3"})},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path base = test::MakeTempDir(std::string("tree-") + c.name);
        const fs::path root = base / "presentation";
        test::WriteFile(root / "sequence", "still a\ntimeout 1 " + c.action + "\nendstill\n");
        test::WriteBytes(root / "a.bmp", Picture());
        test::WriteFile(root / "sub/sequence", "exit\n");
        test::WriteFile(base / "outside/sequence", "exit\n");
        fs::create_directory_symlink("../outside", root / "link");
        test::PlayerOptions options;
        options.env = {{"CORVANTA_MAX_MS", "1500"}};
        const test::PlayerRun run = test::RunPlayer(root, options);
        std::vector<std::string> lines;
        for (const auto& line : run.trace) lines.push_back(std::to_string(line.time) + "\t" + line.Text());
        EXPECT_EQ(lines, c.trace) << run.Dump();
    }
}

TEST(Tree, OnADiscItsRootIsTheTop) {
    const TreeCase cases[] = {
        {"HostRoot", "-dir /etc", Join(Start, Refused)},
        {"DriveLetter", "-dir C:\\sub", Join(Start, IntoSub)},
        {"UpAndBackDown", "-dir ..\\..\\sub", Join(Start, IntoSub)},
    };
    for (const TreeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path base = test::MakeTempDir(std::string("disc-tree-") + c.name);
        test::WriteFile(base / "disc/sequence", "still a\ntimeout 1 " + c.action + "\nendstill\n");
        test::WriteBytes(base / "disc/a.bmp", Picture());
        test::WriteFile(base / "disc/sub/sequence", "exit\n");
        ASSERT_TRUE(test::MakeIso(base / "disc", base / "disc.iso", test::IsoNames::RockRidge));
        test::PlayerOptions options;
        options.env = {{"CORVANTA_MAX_MS", "1500"}};
        options.args = {(base / "disc.iso").string()};
        const test::PlayerRun run = test::RunPlayer(base, options);
        std::vector<std::string> lines;
        for (const auto& line : run.trace) lines.push_back(std::to_string(line.time) + "\t" + line.Text());
        EXPECT_EQ(lines, c.trace) << run.Dump();
    }
}

TEST(Tree, NamesInTheScriptsCodePageFindUtf8Files) {
    const fs::path root = test::MakeTempDir("code-page");
    // "ÉTÉ\PHOTO" in Windows-1252; the folder and the file are "été/photo.bmp".
    test::WriteFile(root / "sequence", "still \xC9T\xC9\\PHOTO\nendstill\n");
    fs::create_directories(root / "\xC3\xA9t\xC3\xA9");
    test::WriteBytes(root / "\xC3\xA9t\xC3\xA9/photo.bmp", Picture());
    test::PlayerOptions options;
    options.env = {{"CORVANTA_MAX_MS", "1000"}};
    for (const char* page : {"", "1252", "437"}) {
        SCOPED_TRACE(page);
        if (*page) options.env["CORVANTA_CODEPAGE"] = page;
        const test::PlayerRun run = test::RunPlayer(root, options);
        const std::string shown = "show\tstill\t\xC9T\xC9\\PHOTO.bmp";
        // In code page 437, 0xC9 is a box-drawing character: no such folder.
        const std::string opened =
            std::string(page) == "437"
                ? "box\twindow\t0x30\tFatal Error\tThe file \xC9T\xC9\\PHOTO.bmp could not be found."
                : shown;
        ASSERT_GE(run.trace.size(), 2u) << run.Dump();
        EXPECT_EQ(run.trace[1].Text(), opened) << run.Dump();
    }
}

}  // namespace
