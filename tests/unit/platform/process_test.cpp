// SPDX-License-Identifier: GPL-3.0-or-later
// Other programs: command lines split as a Windows runtime splits them, the
// program found as Windows finds it, and the start, wait and exit status.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/core/command_line.h"
#include "platform/core/program_search.h"
#include "platform/win/win.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;

TEST(CommandLine, SplitsAsAWindowsRuntimeDoes) {
    struct Case {
        const char* line;
        std::string program;
        std::vector<std::string> arguments;
    } cases[] = {
        {"prog a b", "prog", {"a", "b"}},
        {"  \tprog", "prog", {}},
        {"", "", {}},
        {"\"C:\\Program Files\\x.exe\" y", "C:\\Program Files\\x.exe", {"y"}},
        {"\"a b\"c d", "a b", {"c", "d"}},  // the name ends at its closing quote
        {"\"open", "open", {}},
        {"dir\\\"x y", "dir\\\"x", {"y"}},  // no escapes in the name
        {"p a,b;c|d$(e) `f`", "p", {"a,b;c|d$(e)", "`f`"}},
        {"p a\t\tb ", "p", {"a", "b"}},
        {"p \"a b\"c \"\"", "p", {"a bc", ""}},
        {"p \"a\tb\"", "p", {"a\tb"}},
        {"p a\\\\b c\\", "p", {"a\\\\b", "c\\"}},  // backslashes before anything but a quote
        {"p a\\\"b", "p", {"a\"b"}},               // 1 backslash and a quote: a quote
        {"p \"a\\\\\" b\"", "p", {"a\\", "b"}},    // 2: one backslash, the quote closes
        {"p a\\\\\\\"b", "p", {"a\\\"b"}},         // 3: one backslash and a quote
        {"p \\\\\\\\\"x y\"", "p", {"\\\\x y"}},   // 4: two backslashes, the quote opens
        {"p \"a\"\"b\" c", "p", {"a\"b", "c"}},    // "" inside quotes: a quote, still quoted
        {"p \"a\"\" b\"", "p", {"a\" b"}},
        {"p a\"\"b", "p", {"ab"}},  // "" outside quotes: an empty quoted part
        {"p \"unclosed arg", "p", {"unclosed arg"}},
    };
    for (const auto& c : cases) {
        platform::CommandLine split = platform::SplitCommandLine(c.line);
        EXPECT_EQ(split.program, c.program) << c.line;
        EXPECT_EQ(split.arguments, c.arguments) << c.line;
    }
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::MakeTempDir("programs");
        Make("Tools/Viewer", 0755);
        Make("Tools/other.EXE", 0755);
        Make("both", 0644);
        Make("both.exe", 0755);
        Make("only.exe", 0755);
        Make("readme.txt", 0644);
        Make("setup.exe", 0644, "MZ\x90");
        Make("tools.d/setup.exe", 0755);
        Make("bin1/onpath", 0755);
        Make("bin1/tool.exe", 0755);
        Make("bin2/tool", 0755);
        Make("bin2/wine", 0755);
        Make("bin3/wine", 0644);
        fs::create_directories(root_ / "folder");
        fs::create_directories(root_ / "bin1" / "sub");
        ASSERT_EQ(::chdir(root_.c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(::chdir(test::TempRoot().c_str()), 0); }

    void Make(const std::string& name, mode_t mode, const std::string& text = "#!/bin/true\n") {
        test::WriteText(root_ / name, text);
        ASSERT_EQ(::chmod((root_ / name).c_str(), mode), 0);
    }

    fs::path root_;
};

TEST_F(Programs, AreFoundAsWindowsFindsThem) {
    const std::string bins = (root_ / "bin1").string() + "::" + (root_ / "bin2").string();
    const std::string bin1 = (root_ / "bin1").string(), bin2 = (root_ / "bin2").string();
    struct Case {
        std::string name, path;
        int error;
        std::vector<std::string> run;
    } cases[] = {
        {"tools\\viewer", bins, 0, {"Tools/Viewer"}},
        {"TOOLS/Other", bins, 0, {"Tools/other.EXE"}},
        {".\\Tools\\VIEWER", bins, 0, {"./Tools/Viewer"}},
        {(root_ / "tools" / "viewer").string(), "", 0, {(root_ / "Tools" / "Viewer").string()}},
        {"Viewer", bins, ENOENT, {}},         // a folder of the presentation is not searched
        {"tools\\onpath", bins, ENOENT, {}},  // a name with a folder is not looked for on PATH
        {"both", bins, EACCES, {}},           // the plain name first, even when it may not run
        {"ONLY", bins, 0, {"./only.exe"}},
        {"tools.d\\setup", bins, 0, {"tools.d/setup.exe"}},  // a dot in a folder's name is no extension
        {"only.com", bins, ENOENT, {}},                      // with an extension, nothing is appended
        {"readme.txt", bins, EACCES, {}},
        {"onpath", bins, 0, {bin1 + "/onpath"}},
        {"OnPath", bins, 0, {bin1 + "/onpath"}},
        {"tool", bins, 0, {bin1 + "/tool.exe"}},  // folder by folder, ".exe" before the next
        {"onpath", "", ENOENT, {}},
        {"sub", bins, ENOENT, {}},
        {"folder", bins, ENOENT, {}},
        {"", bins, ENOENT, {}},
        {"setup", bins, 0, {bin2 + "/wine", "./setup.exe"}},
        {"setup.exe", (root_ / "bin3").string() + ":" + bin2, 0, {bin2 + "/wine", "./setup.exe"}},
        {"setup", (root_ / "bin3").string(), ENOENT, {}},  // no wine that runs
    };
    for (const auto& c : cases) {
        platform::ProgramFound found = platform::FindProgram(c.name, c.path);
        EXPECT_EQ(found.error, c.error) << c.name;
        EXPECT_EQ(found.run, c.run) << c.name;
    }
}

TEST_F(Programs, StartWaitAndEnd) {
    std::string line = "sleep 60";
    win::STARTUPINFOA startup{sizeof(win::STARTUPINFOA), 0};
    win::PROCESS_INFORMATION started{};
    ASSERT_TRUE(win::CreateProcessA(nullptr, line.data(), nullptr, nullptr, win::FALSE, win::DETACHED_PROCESS, nullptr,
                                    nullptr, &startup, &started));
    const auto trace = test::OwnTrace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back().substr(trace.back().find('\t')).rfind("\tspawn\t", 0), 0u) << trace.back();
    EXPECT_TRUE(trace.back().ends_with("\tsleep 60")) << trace.back();
    EXPECT_EQ(started.dwProcessId, started.dwThreadId);
    win::DWORD code = 0;
    EXPECT_TRUE(win::GetExitCodeProcess(started.hProcess, &code));
    EXPECT_EQ(code, win::STILL_ACTIVE);
    EXPECT_EQ(win::WaitForSingleObject(started.hProcess, 1000), win::WAIT_FAILED) << "only INFINITE is supported";
    ASSERT_EQ(::kill(static_cast<pid_t>(started.dwProcessId), SIGTERM), 0);
    EXPECT_EQ(win::WaitForSingleObject(started.hProcess, win::INFINITE), win::WAIT_OBJECT_0);
    EXPECT_TRUE(win::GetExitCodeProcess(started.hProcess, &code));
    EXPECT_EQ(code, 128u + SIGTERM);
    EXPECT_EQ(win::WaitForSingleObject(started.hThread, win::INFINITE), win::WAIT_OBJECT_0) << "ended already";
    EXPECT_TRUE(win::CloseHandle(started.hThread));
    EXPECT_TRUE(win::CloseHandle(started.hProcess));
    EXPECT_FALSE(win::CloseHandle(started.hProcess));
    EXPECT_EQ(win::WaitForSingleObject(started.hProcess, win::INFINITE), win::WAIT_FAILED);
    EXPECT_FALSE(win::GetExitCodeProcess(started.hProcess, &code));

    line = "false";
    ASSERT_TRUE(win::CreateProcessA(nullptr, line.data(), nullptr, nullptr, win::FALSE, 0, nullptr, nullptr, nullptr,
                                    &started));
    EXPECT_EQ(win::WaitForSingleObject(started.hProcess, win::INFINITE), win::WAIT_OBJECT_0);
    EXPECT_TRUE(win::GetExitCodeProcess(started.hProcess, &code));
    EXPECT_EQ(code, 1u);
    win::CloseHandle(started.hThread);
    win::CloseHandle(started.hProcess);
}

TEST_F(Programs, AFailedStartSaysWhyInErrno) {
    std::string missing = "no-such-program x", text = "readme.txt", windows = "setup", good = "true";
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    ::setenv("PATH", (root_ / "bin3").c_str(), 1);  // a wine that may not run
    struct Case {
        const char* application;
        char* line;
        void* environment;
        const char* folder;
        int error;
    } cases[] = {
        {nullptr, missing.data(), nullptr, nullptr, ENOENT}, {nullptr, text.data(), nullptr, nullptr, EACCES},
        {nullptr, windows.data(), nullptr, nullptr, ENOENT}, {nullptr, nullptr, nullptr, nullptr, EINVAL},
        {"true", good.data(), nullptr, nullptr, EINVAL},     {nullptr, good.data(), good.data(), nullptr, EINVAL},
        {nullptr, good.data(), nullptr, ".", EINVAL},
    };
    for (const auto& c : cases) {
        win::PROCESS_INFORMATION started{};
        errno = 0;
        EXPECT_FALSE(win::CreateProcessA(c.application, c.line, nullptr, nullptr, win::FALSE, 0, c.environment,
                                         c.folder, nullptr, &started));
        EXPECT_EQ(errno, c.error) << (c.line ? c.line : "(none)");
        EXPECT_EQ(started.hProcess, nullptr);
    }
    ::setenv("PATH", saved.c_str(), 1);
}

TEST(SoundRoutine, StopsWhatNeverPlays) {
    EXPECT_TRUE(win::sndPlaySoundA(nullptr, win::SND_ASYNC));
    EXPECT_FALSE(win::sndPlaySoundA("chime.wav", win::SND_ASYNC));
}

}  // namespace
