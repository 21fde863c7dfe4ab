// SPDX-License-Identifier: GPL-3.0-or-later
// Plays any bytes as the root script of a presentation that also holds a
// still, a movie and a sound, headless, for a few virtual seconds. The player
// keeps its state in globals and ends the process, so each input plays in a
// child forked from the fuzzer, which hands its coverage counters back
// through shared memory before it ends: the fuzzer is guided by the player's
// code and its audio library's, not only by this harness. A crash, a
// sanitizer report or a run that outlasts its wall-clock limit is a finding.
#include <dlfcn.h>
#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "app/play.h"
#include "coverage_counters.h"
#include "platform/core/session.h"
#include "platform/win/internal.h"  // ExitProcess's finishers: the child's last word
#include "presentation.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* VirtualLimitMs = "3000";
constexpr auto WallLimit = std::chrono::seconds(20);
constexpr int SanitizerExit = 77;
constexpr int TimeLimitExit = 3;  // the player's last status: 1 and 2 are its own failures

fs::path folder;
const fuzz::CoverageCounters* counters = nullptr;
std::uint8_t* childCounters = nullptr;

// Scripts that start other programs are left out too: the fuzzer would run
// whatever command line it made up.
bool Unsafe(std::string_view script) {
    std::string lower(script);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return fuzz::LeavesFolder(script) || lower.find("run") != std::string::npos ||
           lower.find("exec") != std::string::npos;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

[[noreturn]] void Finding(const char* what, const std::string& errors) {
    std::fprintf(stderr, "sequence_run_fuzz: %s\n%s\n", what, errors.c_str());
    std::abort();
}

[[noreturn]] void Play(const fs::path& errors) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    const int null = open("/dev/null", O_RDWR);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null < 0 || err < 0) _exit(126);
    dup2(null, 0);
    dup2(null, 1);
    dup2(err, 2);
    setenv("CORVANTA_DRIVER", "headless", 1);
    setenv("CORVANTA_MAX_MS", VirtualLimitMs, 1);
    setenv("PATH", "", 1);
    unsetenv("CORVANTA_TRACE");
    unsetenv("CORVANTA_INPUT");
    unsetenv("CORVANTA_AUDIO_OUT");
    unsetenv("CORVANTA_CDROM");
    // A sanitizer report ends the child with a status no run of the player has.
    __sanitizer_set_death_callback([] { _exit(SanitizerExit); });
    // The settings and the starting folder are read afresh, here.
    new platform::FreshSession;
    platform::AtExit([] { counters->Save(childCounters); });
    char name[] = "corvanta";
    char* argv[] = {name, nullptr};
    PlayPresentation(1, argv);
}

// Plays `script` in a child and takes its coverage; returns its exit status.
int PlayInChild(std::string_view script) {
    std::ofstream(folder / "sequence", std::ios::binary)
        .write(script.data(), static_cast<std::streamsize>(script.size()));
    const fs::path errors = folder.parent_path() / "stderr";
    counters->Clear(childCounters);
    const pid_t child = fork();
    if (child == 0) Play(errors);
    if (child < 0) Finding("fork failed", "");

    const auto deadline = std::chrono::steady_clock::now() + WallLimit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            Finding("the run outlasted its wall-clock limit", Slurp(errors));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (WIFSIGNALED(status)) Finding(strsignal(WTERMSIG(status)), Slurp(errors));
    if (WEXITSTATUS(status) > TimeLimitExit) Finding("the player failed", Slurp(errors));
    counters->Load(childCounters);
    return WEXITSTATUS(status);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string name = (fs::temp_directory_path() / "sequence-fuzz-XXXXXX").string();
    if (!mkdtemp(name.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    folder = fs::path(name) / "presentation";
    fs::create_directory(folder);
    fuzz::WritePresentation(folder);
    std::atexit([] { fs::remove_all(folder.parent_path()); });
    // The player opens its audio library by this path in each child, which
    // then shares this mapping, counters and all.
    const fs::path library = fs::read_symlink("/proc/self/exe").parent_path() / "libaud32.so";
    if (!dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        std::fprintf(stderr, "sequence_run_fuzz: %s\n", dlerror());
        std::exit(1);
    }
    counters = new fuzz::CoverageCounters;
    void* shared = mmap(nullptr, counters->Size(), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        std::perror("mmap");
        std::exit(1);
    }
    childCounters = static_cast<std::uint8_t*>(shared);
    // A presentation the player refuses would leave every input at its first
    // line: this one must play to the pause and wait there until the limit.
    if (PlayInChild("still pic\ntimeout 1 -next\nendstill\nmovie intro\nmusic tune\npause\n") != TimeLimitExit) {
        std::fprintf(stderr, "sequence_run_fuzz: the presentation does not play\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    if (!Unsafe(script)) PlayInChild(script);
    return 0;
}
