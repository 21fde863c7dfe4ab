// SPDX-License-Identifier: GPL-3.0-or-later
// RUN and EXEC end to end: the player starts the recorder program, which
// writes down how it was started, or fails to start what is not there.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "support/mix_file.h"
#include "support/player_run.h"

extern char** environ;

namespace fs = std::filesystem;
using test::PlayerOptions;
using test::PlayerRun;

namespace {

const std::string FatalBox = "box\tnone\t0x30\tFatal Error\t";
const std::string HeyBox = "box\twindow\t0x30\tHey!\t";

struct Record {
    std::vector<std::string> args;
    std::map<std::string, std::string> env;
    std::vector<std::string> others;  // cwd, descriptors, signals, session: "KIND\tTEXT"
};

// Waits for the recorder's file (it appears whole), up to 20 s.
std::optional<Record> ReadRecord(const fs::path& path) {
    for (int i = 0; i < 2000 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    Record record;
    for (std::string item; std::getline(in, item, '\0');) {
        const std::size_t tab = item.find('\t');
        const std::string kind = item.substr(0, tab), text = item.substr(tab + 1);
        if (kind == "arg") {
            record.args.push_back(text);
        } else if (kind == "env") {
            const std::size_t equals = text.find('=');
            record.env[text.substr(0, equals)] = text.substr(equals + 1);
        } else {
            record.others.push_back(item);
        }
    }
    return record;
}

// The player's environment: this program's, with the settings it was given.
std::map<std::string, std::string> PlayerEnvironment(const PlayerOptions& options) {
    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        environment[text.substr(0, text.find('='))] = text.substr(text.find('=') + 1);
    }
    environment["CORVANTA_DRIVER"] = "headless";
    for (const auto& [name, value] : options.env) environment[name] = value;
    return environment;
}

// What every started program must see besides its arguments.
void ExpectCleanStart(Record record, const PlayerOptions& options, const fs::path& folder) {
    // The player's own trace and input files: where they are is its runner's business.
    EXPECT_EQ(record.env.erase("CORVANTA_TRACE") + record.env.erase("CORVANTA_INPUT"), 2u);
    auto expected = PlayerEnvironment(options);
    expected.erase("CORVANTA_TRACE");
    expected.erase("CORVANTA_INPUT");
    EXPECT_EQ(record.env, expected);
    EXPECT_EQ(record.others,
              (std::vector<std::string>{"cwd\t" + folder.string(), "fd\t0", "fd\t1", "fd\t2", "session\town"}));
}

// The player starts with a blocked and an ignored signal and a descriptor
// without close-on-exec; none of them may reach the programs it starts.
class Leaky {
public:
    Leaky() {
        sigset_t usr1;
        sigemptyset(&usr1);
        sigaddset(&usr1, SIGUSR1);
        sigprocmask(SIG_BLOCK, &usr1, &mask_);
        hangup_ = signal(SIGHUP, SIG_IGN);
        descriptor_ = open("/dev/null", O_RDONLY);
    }
    ~Leaky() {
        close(descriptor_);
        signal(SIGHUP, hangup_);
        sigprocmask(SIG_SETMASK, &mask_, nullptr);
    }
    Leaky(const Leaky&) = delete;
    Leaky& operator=(const Leaky&) = delete;

private:
    sigset_t mask_;
    sighandler_t hangup_;
    int descriptor_;
};

// A presentation with the recorder copied in at `recorderAt` (none: not copied).
struct Presentation {
    fs::path root, record;
    PlayerOptions options;
};

Presentation Prepare(const std::string& name, const std::string& script, const std::string& recorderAt) {
    Presentation setup;
    setup.root = test::MakeTempDir(name);
    setup.record = test::MakeTempDir(name + "-record") / "record";
    test::WriteFile(setup.root / "sequence", script);
    if (!recorderAt.empty()) {
        fs::create_directories((setup.root / recorderAt).parent_path());
        fs::copy_file(START_RECORDER, setup.root / recorderAt);
    }
    setup.options.env["START_RECORD"] = setup.record.string();
    return setup;
}

std::vector<std::string> TraceTexts(const PlayerRun& run) {
    std::vector<std::string> texts;
    for (const auto& line : run.trace) texts.push_back(line.Text());
    return texts;
}

struct ProgramCase {
    const char* name;
    std::string script;
    std::string recorderAt;          // where the recorder is copied, none: nowhere
    std::vector<std::string> trace;  // the whole trace
    int exitCode;
    std::vector<std::string> args;  // what the recorder was given; empty: not started
    std::map<std::string, std::string> env = {};
};

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }

class Program : public testing::TestWithParam<ProgramCase> {};

TEST_P(Program, StartsAsWritten) {
    const ProgramCase& c = GetParam();
    Presentation setup = Prepare(c.name, c.script, c.recorderAt);
    setup.options.env.insert(c.env.begin(), c.env.end());
    PlayerRun run;
    {
        Leaky leaky;
        run = test::RunPlayer(setup.root, setup.options);
    }
    EXPECT_EQ(TraceTexts(run), c.trace) << run.Dump();
    EXPECT_EQ(run.exitCode, c.exitCode) << run.Dump();
    if (c.args.empty()) {
        EXPECT_FALSE(fs::exists(setup.record));
        return;
    }
    std::optional<Record> record = ReadRecord(setup.record);
    ASSERT_TRUE(record) << run.Dump();
    EXPECT_EQ(record->args, c.args);
    ExpectCleanStart(*record, setup.options, setup.root);
}

INSTANTIATE_TEST_SUITE_P(
    RunAndExec, Program,
    testing::Values(
        // Two spaces after the keyword leave one; commas, quotes, backslashes,
        // tabs and shell characters are the Windows runtime's to split.
        ProgramCase{"RunSplitsTheRestOfTheLine",
                    "run  recorder a,b\t\"c d\" x\\\"y \\\\\"e f\" \"g\"\"h\" ;|$(i)\ndefault\n",
                    "recorder",
                    {"present\tfd15e9aa", "spawn\t.\t recorder a,b\t\"c d\" x\\\"y \\\\\"e f\" \"g\"\"h\" ;|$(i)",
                     HeyBox + "TIMEOUT missing.", "exit\t0"},
                    0,
                    {"recorder", "a,b", "c d", "x\"y", "\\e f", "g\"h", ";|$(i)"}},
        ProgramCase{"RunFindsABackslashPathWithoutRegardToCase",
                    "run TOOLS\\Rec.EXE one\n",
                    "Tools/rec.exe",
                    {"present\tfd15e9aa", "spawn\t.\tTOOLS\\Rec.EXE one", "exit\t0"},
                    0,
                    {"TOOLS\\Rec.EXE", "one"}},
        // The presentation's tree is all it reaches: ".." at its top stays there.
        ProgramCase{"RunAboveTheTopFindsNothing",
                    "run ..\\..\\..\\..\\bin\\sh -c true\n",
                    "",
                    {"present\tfd15e9aa",
                     FatalBox + "CreateProcess command of ..\\..\\..\\..\\bin\\sh -c true failed.\n Error number: 2.",
                     "beep\t0x30", "exit\t1"},
                    1,
                    {}},
        ProgramCase{"NeverStartsAsIfMissing",
                    "run recorder\n",
                    "recorder",
                    {"present\tfd15e9aa", FatalBox + "CreateProcess command of recorder failed.\n Error number: 2.",
                     "beep\t0x30", "exit\t1"},
                    1,
                    {},
                    {{"CORVANTA_PROGRAMS", "never"}}},
        // Headless, the question is dismissed: the answer is no.
        ProgramCase{
            "AskAnsweredNoIsAFailedStart",
            "run recorder x\n",
            "recorder",
            {"present\tfd15e9aa",
             "box\tnone\t0x24\tCorvanta\tThe presentation wants to start the program recorder with the "
             "command line\nrecorder x\nStart it?",
             FatalBox + "CreateProcess command of recorder x failed.\n Error number: 13.", "beep\t0x30", "exit\t1"},
            1,
            {},
            {{"CORVANTA_PROGRAMS", "ask"}}},
        ProgramCase{"RunWithoutCommandLineIsANotice",
                    "run \ndefault\n",
                    "",
                    {"present\tfd15e9aa", HeyBox + "RUN command malformed.", HeyBox + "TIMEOUT missing.", "exit\t0"},
                    0,
                    {}},
        ProgramCase{"ExecOfAMissingProgram",
                    "exec nothing here\ndefault\n",
                    "",
                    {"present\tfd15e9aa", FatalBox + "CreateProcess command of nothing here failed.\n Error number: 2.",
                     "beep\t0x30", "exit\t1"},
                    1,
                    {}},
        ProgramCase{"ExecWithoutCommandLineQuits", "exec\ndefault\n", "", {"present\tfd15e9aa", "exit\t0"}, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Program, ExecHandsOverToAProgramThatOutlivesThePlayer) {
    Presentation setup = Prepare("exec-outlives", "exec recorder last\ndefault\n", "recorder");
    // The recorder writes only once this file exists, after the player has ended.
    const fs::path go = setup.record.parent_path() / "go";
    setup.options.env["START_RECORD_AFTER"] = go.string();
    PlayerRun run;
    {
        Leaky leaky;
        run = test::RunPlayer(setup.root, setup.options);
    }
    EXPECT_EQ(TraceTexts(run), (std::vector<std::string>{"present\tfd15e9aa", "spawn\t.\trecorder last", "exit\t0"}))
        << run.Dump();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(fs::exists(setup.record));
    test::WriteFile(go, "");
    std::optional<Record> record = ReadRecord(setup.record);
    ASSERT_TRUE(record) << "the program did not outlive the player";
    EXPECT_EQ(record->args, (std::vector<std::string>{"recorder", "last"}));
    ExpectCleanStart(*record, setup.options, setup.root);
}

TEST(Program, RunStopsTheMusicForGood) {
    Presentation setup = Prepare("run-music", "music tone\nrun recorder\nexit\n", "recorder");
    if (!test::WriteTone(setup.root / "tone.wav", "5.0")) GTEST_SKIP() << "sox is not installed";
    PlayerRun run = test::RunPlayer(setup.root, setup.options);
    ASSERT_GE(run.trace.size(), 3u) << run.Dump();
    const std::string voice = run.trace[2].fields.back();
    // The shut-down fades the music out before the program starts; nothing plays after.
    std::vector<std::string> expected{"present\tfd15e9aa", "music\ttone.wav\tfade", "sound\tstart\t" + voice};
    for (int volume = 238; volume > 0; volume -= 17)
        expected.push_back("sound\tvolume\t" + voice + "\t" + std::to_string(volume));
    expected.insert(expected.end(), {"sound\tstop\t" + voice, "spawn\t.\trecorder", "exit\t0"});
    EXPECT_EQ(TraceTexts(run), expected) << run.Dump();
    EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
