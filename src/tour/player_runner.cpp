// SPDX-License-Identifier: GPL-3.0-or-later
#include "tour/player_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

extern char** environ;

namespace tour {

namespace {

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The player's environment: this one, with the tour's own settings over it.
std::vector<std::string> PlayerEnvironment(const std::filesystem::path& input, long maxMs) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("CORVANTA_", 0) == 0 && text.rfind("CORVANTA_CDROM=", 0) != 0 &&
            text.rfind("CORVANTA_CLIENT=", 0) != 0 && text.rfind("CORVANTA_SCREEN=", 0) != 0 &&
            text.rfind("CORVANTA_PALETTE=", 0) != 0)
            continue;
        env.push_back(text);
    }
    env.push_back("CORVANTA_DRIVER=headless");
    env.push_back("CORVANTA_TRACE=-");
    env.push_back("CORVANTA_TRACE_WAITS=1");
    env.push_back("CORVANTA_INPUT=" + input.string());
    env.push_back("CORVANTA_MAX_MS=" + std::to_string(maxMs));
    return env;
}

void KillGroup(pid_t pid) {
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

// Ends every process left below this one: programs the player started in
// a session of their own come here when the player ends, as this process
// is their subreaper.
void EndDescendants() {
    for (;;) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            std::getline(stat, line);
            // "pid (name) state ppid ...": the name may hold anything but ends at the last ')'.
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos) continue;
            char state = 0;
            long parent = 0;
            if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 && parent == ::getpid())
                ::kill(static_cast<pid_t>(std::stol(name)), SIGKILL);
        }
        if (::waitpid(-1, nullptr, 0) < 0 && errno == ECHILD) return;
    }
}

// Starts the player on `arguments` with its stderr on `traceEnd`; the child's
// pid, or below 0 when it could not be forked.
pid_t StartPlayer(std::vector<std::string> arguments, std::vector<std::string> env, const std::string& workDir,
                  int traceEnd) {
    // Built before the fork: the child only calls what is safe there.
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Its own process group, so that whatever it starts ends with it.
        ::setpgid(0, 0);
        ::dup2(traceEnd, 2);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        if (::chdir(workDir.c_str()) != 0) ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

// Why reading the trace ended: the player closed it, the run reached the
// wait it was to stop at, or the wall limit passed.
enum class ReadEnd { Closed, Stopped, Hung };

// Moves the complete lines of `pending` into `result`, trace or messages;
// true once the run reached the wait it is to stop at.
bool TakeLines(std::string& pending, const RunRequest& request, RunResult& result, int& waits, bool& fatal) {
    std::size_t lineEnd;
    while ((lineEnd = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, lineEnd);
        pending.erase(0, lineEnd + 1);
        TraceEvent event;
        if (!ParseTraceLine(line, event)) {
            result.messages += line + "\n";
            continue;
        }
        result.trace.push_back(event);
        // After a fatal box the player only winds down: let it end.
        if (event.fields[0] == "box" && event.fields.size() > 3 && event.fields[3] == "Fatal Error") fatal = true;
        if (event.fields[0] == "wait" && !fatal && ++waits == request.stopAtWait) return true;
    }
    return false;
}

ReadEnd ReadTrace(int traceEnd, const RunRequest& request, RunResult& result) {
    const auto deadline = std::chrono::steady_clock::now() + request.wallLimit;
    std::string pending;
    int waits = 0;
    bool fatal = false;
    char buffer[8192];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return ReadEnd::Hung;
        pollfd readable{traceEnd, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
        const ssize_t got = ::read(traceEnd, buffer, sizeof buffer);
        if (got <= 0) return ReadEnd::Closed;
        pending.append(buffer, static_cast<std::size_t>(got));
        if (TakeLines(pending, request, result, waits, fatal)) return ReadEnd::Stopped;
    }
}

void SetRunEnd(ReadEnd readEnd, int status, RunResult& result) {
    if (readEnd == ReadEnd::Stopped) {
        result.end = RunEnd::Stopped;
    } else if (readEnd == ReadEnd::Hung) {
        result.end = RunEnd::Hung;
    } else if (WIFSIGNALED(status)) {
        result.end = RunEnd::Crashed;
        result.status = WTERMSIG(status);
    } else {
        result.end = RunEnd::Exited;
        result.status = WEXITSTATUS(status);
    }
}

}  // namespace

bool ParseTraceLine(const std::string& line, TraceEvent& event) {
    const std::size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string::npos) return false;
    for (std::size_t i = 0; i < tab; ++i)
        if (line[i] < '0' || line[i] > '9') return false;
    event.time = std::strtol(line.c_str(), nullptr, 10);
    event.fields.clear();
    std::size_t start = tab + 1;
    for (;;) {
        const std::size_t end = line.find('\t', start);
        event.fields.push_back(Unescape(line.substr(start, end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

PlayerRunner::PlayerRunner(std::filesystem::path player, std::string presentation, std::filesystem::path workDir)
    : player_(std::move(player)), presentation_(std::move(presentation)), workDir_(std::move(workDir)) {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

RunResult PlayerRunner::Run(const RunRequest& request) {
    ++runs_;
    RunResult result;
    const std::filesystem::path inputFile = workDir_ / "branch.input";
    std::ofstream(inputFile) << request.input;

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.end = RunEnd::Crashed;
        return result;
    }
    std::vector<std::string> arguments{player_.string()};
    arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());
    arguments.push_back(presentation_);
    const pid_t pid =
        StartPlayer(arguments, PlayerEnvironment(inputFile, request.maxMs), workDir_.string(), pipeEnds[1]);
    ::close(pipeEnds[1]);
    if (pid < 0) {
        ::close(pipeEnds[0]);
        result.end = RunEnd::Crashed;
        return result;
    }
    ::setpgid(pid, pid);

    const ReadEnd readEnd = ReadTrace(pipeEnds[0], request, result);
    ::close(pipeEnds[0]);
    if (readEnd != ReadEnd::Closed) KillGroup(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::kill(-pid, SIGKILL);
    EndDescendants();
    SetRunEnd(readEnd, status, result);
    return result;
}

}  // namespace tour
