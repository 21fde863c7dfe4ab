// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/player_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace test {
namespace fs = std::filesystem;

std::vector<std::string> TraceFields(const std::string& text) {
    std::vector<std::string> fields;
    std::istringstream in(text);
    std::string field;
    while (std::getline(in, field, '\t')) {
        std::string unescaped;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 1 < field.size()) {
                const char c = field[++i];
                unescaped += c == 't' ? '\t' : c == 'n' ? '\n' : c;
            } else {
                unescaped += field[i];
            }
        }
        fields.push_back(std::move(unescaped));
    }
    return fields;
}

namespace {

std::vector<TraceLine> ReadTrace(const fs::path& path) {
    std::vector<TraceLine> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        TraceLine entry;
        entry.time = std::strtol(line.c_str(), nullptr, 10);
        entry.fields = TraceFields(line.substr(tab + 1));
        if (!entry.fields.empty()) lines.push_back(std::move(entry));
    }
    return lines;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string TraceLine::Text() const {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? "\t" : "") + fields[i];
    return text;
}

std::vector<TraceLine> PlayerRun::Events(const std::string& kind) const {
    std::vector<TraceLine> found;
    for (const auto& line : trace)
        if (line.fields.front() == kind) found.push_back(line);
    return found;
}

std::string PlayerRun::Dump() const {
    std::string text;
    for (const auto& line : trace) text += std::to_string(line.time) + "\t" + line.Text() + "\n";
    return text + stdErr;
}

bool PlayerRun::ContainsInOrder(const std::vector<std::string>& expected) const {
    std::size_t next = 0;
    for (const auto& line : trace)
        if (next < expected.size() && line.Text() == expected[next]) ++next;
    return next == expected.size();
}

fs::path MakeTempDir(const std::string& name) {
    static const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "corvanta-test-XXXXXX").string();
        fs::path made = mkdtemp(pattern.data());
        return made;
    }();
    static struct Cleanup {
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(root, ignored);
        }
    } cleanup;
    fs::path dir = root / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void WriteFile(const fs::path& path, const std::string& text) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

PlayerRun RunPlayer(const fs::path& presentation, const PlayerOptions& options) {
    static int runs = 0;
    fs::path work = MakeTempDir("run" + std::to_string(++runs));
    fs::path trace = work / "trace.txt";
    fs::path input = work / "input.txt";
    fs::path output = work / "stdout.txt";
    fs::path errors = work / "stderr.txt";
    WriteFile(input, options.input);

    pid_t child = fork();
    if (child == 0) {
        if (chdir(presentation.c_str()) != 0) _exit(126);
        setenv("CORVANTA_DRIVER", "headless", 1);
        setenv("CORVANTA_TRACE", trace.c_str(), 1);
        setenv("CORVANTA_INPUT", input.c_str(), 1);
        for (const auto& [name, value] : options.env) setenv(name.c_str(), value.c_str(), 1);
        FILE* out = std::freopen(output.c_str(), "w", stdout);
        FILE* err = std::freopen(errors.c_str(), "w", stderr);
        (void)out;
        (void)err;
        std::vector<std::string> args{options.program};
        args.insert(args.end(), options.args.begin(), options.args.end());
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(options.program.c_str(), argv.data());
        _exit(127);
    }
    PlayerRun run;
    int status = 0;
    struct rusage usage {};
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::seconds(options.killAfterSeconds);
    bool signalled = options.signal == 0;
    pid_t ended = 0;
    while (child > 0 && (options.killAfterSeconds > 0 || !signalled) &&
           (ended = wait4(child, &status, WNOHANG, &usage)) == 0) {
        const auto now = std::chrono::steady_clock::now();
        if (!signalled && now >= start + std::chrono::milliseconds(options.signalAfterMs)) {
            kill(child, options.signal);
            signalled = true;
        }
        if (options.killAfterSeconds > 0 && now > deadline) {
            kill(child, SIGKILL);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (child > 0 && ended == 0) ended = wait4(child, &status, 0, &usage);
    if (ended == child && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.peakKb = usage.ru_maxrss;
    run.trace = ReadTrace(trace);
    run.stdOut = ReadAll(output);
    run.stdErr = ReadAll(errors);
    return run;
}

}  // namespace test
