// SPDX-License-Identifier: GPL-3.0-or-later
// A program for the tests to start. It writes down how it was started into
// the file that START_RECORD names, and exits with 0. Each item is KIND, a
// tab and its text, ended by a zero byte (texts may hold tabs and line ends):
//   arg TEXT         each argument, its first included
//   cwd PATH
//   env NAME=VALUE   the environment, sorted
//   fd N             each open descriptor
//   blocked N        each blocked signal
//   ignored N        each ignored signal
//   session own      when it leads a session of its own (else "inherited")
// With START_RECORD_AFTER set, it first waits (up to 20 s) for that file to appear.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Read before the program opens anything of its own.
std::vector<int> OpenDescriptors() {
    std::vector<int> descriptors;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return descriptors;
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = std::atoi(entry->d_name);
        if (fd != own) descriptors.push_back(fd);
    }
    ::closedir(dir);
    std::sort(descriptors.begin(), descriptors.end());
    return descriptors;
}

bool Exists(const char* path) { return ::access(path, F_OK) == 0; }

}  // namespace

int main(int argc, char** argv) {
    const std::vector<int> descriptors = OpenDescriptors();
    const char* record = std::getenv("START_RECORD");
    if (!record) return 2;
    if (const char* after = std::getenv("START_RECORD_AFTER")) {
        for (int i = 0; i < 2000 && !Exists(after); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    std::vector<std::string> lines;
    for (int i = 0; i < argc; ++i) lines.push_back(std::string("arg\t") + argv[i]);
    char cwd[4096];
    lines.push_back(std::string("cwd\t") + (::getcwd(cwd, sizeof cwd) ? cwd : "?"));
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) environment.push_back(std::string("env\t") + *entry);
    std::sort(environment.begin(), environment.end());
    lines.insert(lines.end(), environment.begin(), environment.end());
    for (int fd : descriptors) lines.push_back("fd\t" + std::to_string(fd));
    sigset_t blocked;
    ::sigprocmask(SIG_BLOCK, nullptr, &blocked);
    for (int signal = 1; signal <= SIGRTMAX; ++signal)
        if (::sigismember(&blocked, signal) == 1) lines.push_back("blocked\t" + std::to_string(signal));
    for (int signal = 1; signal <= SIGRTMAX; ++signal) {
        struct sigaction action {};
        if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
            lines.push_back("ignored\t" + std::to_string(signal));
    }
    lines.push_back(std::string("session\t") + (::getsid(0) == ::getpid() ? "own" : "inherited"));

    // Written aside and renamed, so that a reader never sees half a record.
    const std::string part = std::string(record) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "w");
    if (!file) return 3;
    for (const std::string& line : lines) std::fwrite(line.c_str(), 1, line.size() + 1, file);
    if (std::fclose(file) != 0 || std::rename(part.c_str(), record) != 0) return 3;
    return 0;
}
