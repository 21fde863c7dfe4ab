// Plays any bytes as the root script of a presentation that also holds a
// still, a movie and a sound, headless, for a few virtual seconds. The player
// keeps its state in globals and ends through ExitProcess, so each input runs
// in the real (sanitized) executable, started afresh; a crash, a sanitizer
// report or a run that outlasts its wall-clock limit is a finding.
#include <fcntl.h>
#include <signal.h>
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

#include "presentation.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* VirtualLimitMs = "3000";
constexpr auto WallLimit = std::chrono::seconds(20);
constexpr int SanitizerExit = 77;

fs::path folder;

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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view script(reinterpret_cast<const char*>(data), size);
    if (Unsafe(script)) return 0;
    std::ofstream(folder / "sequence", std::ios::binary).write(script.data(), static_cast<std::streamsize>(size));
    const fs::path errors = folder.parent_path() / "stderr";

    const pid_t child = fork();
    if (child == 0) {
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
        setenv("ASAN_OPTIONS", "exitcode=77:detect_leaks=1", 1);
        setenv("UBSAN_OPTIONS", "halt_on_error=1:exitcode=77:print_stacktrace=1", 1);
        execl(CORVANTA_BINARY, CORVANTA_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) Finding("fork failed", "");

    const auto deadline = std::chrono::steady_clock::now() + WallLimit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            Finding("the run outlasted its wall-clock limit", Slurp(errors));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFSIGNALED(status)) Finding(strsignal(WTERMSIG(status)), Slurp(errors));
    if (WEXITSTATUS(status) == SanitizerExit || WEXITSTATUS(status) >= 126) Finding("the player failed", Slurp(errors));
    return 0;
}
