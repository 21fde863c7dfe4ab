// SPDX-License-Identifier: GPL-3.0-or-later
// What the player costs the machine while a presentation waits, in a real SDL
// window (run it on a display with a window manager: a virtual X display
// will do), beside an image viewer showing the same picture:
//   cpu_percent      CPU time over wall time, all threads
//   wakeups_per_s    context switches of all threads a second (each is a
//                    wake-up of a sleeping thread or a preemption)
// and the time from launch to the first paint of the first still.
// CORVANTA_IDLE_SECONDS sets how long each wait is measured (default 30).
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/bmp_writer.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Usage {
    double cpuSeconds = 0;
    long long switches = 0;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// User and system time of the whole process and the context switches of
// each of its threads, from /proc.
Usage UsageOf(pid_t pid) {
    Usage usage;
    const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::stod(field);
    usage.cpuSeconds = ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            std::istringstream status(ReadAll(tasks + "/" + entry->d_name + "/status"));
            for (std::string line; std::getline(status, line);) {
                const auto colon = line.find(':');
                if (colon != std::string::npos && line.find("ctxt_switches") != std::string::npos)
                    usage.switches += std::stoll(line.substr(colon + 1));
            }
        }
        closedir(dir);
    }
    return usage;
}

std::chrono::seconds Measured() {
    const char* seconds = std::getenv("CORVANTA_IDLE_SECONDS");
    return std::chrono::seconds(seconds ? std::max(1, std::atoi(seconds)) : 30);
}

// A folder with the script, a 640x480 picture and a two-second tune.
std::filesystem::path Presentation(const std::string& script) {
    const auto dir = test::MakeTempDir("idle");
    test::WriteFile(dir / "sequence", script);
    test::BmpFile picture;
    picture.width = 640;
    picture.height = 480;
    picture.colours.assign(256, test::Rgb{40, 80, 160});
    picture.pixels.assign(640 * 480, 7);
    test::WriteBytes(dir / "picture.bmp", picture.Bytes());
    test::WavFile tune;
    test::WriteBytes(dir / "tune.wav", tune.ToneBytes(440, 2 * tune.rate));
    return dir;
}

pid_t Launch(const std::filesystem::path& dir, const std::vector<std::string>& args) {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("CORVANTA_DRIVER", "sdl", 1);
        if (!getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::vector<char*> argv;
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

void End(pid_t child) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
}

// Measures a program that has settled, for the measured time.
void MeasureIdle(benchmark::State& state, const std::filesystem::path& dir, const std::vector<std::string>& args) {
    for (auto _ : state) {
        const pid_t child = Launch(dir, args);
        // Start-up (the window, the audio device, the picture) is not idling.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const Usage before = UsageOf(child);
        const auto start = Clock::now();
        std::this_thread::sleep_for(Measured());
        const Usage after = UsageOf(child);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        End(child);
        state.counters["cpu_percent"] = 100.0 * (after.cpuSeconds - before.cpuSeconds) / wall;
        state.counters["wakeups_per_s"] = static_cast<double>(after.switches - before.switches) / wall;
    }
}

void BM_PlayerIdleOnAStill(benchmark::State& state) {
    MeasureIdle(state, Presentation("still picture\nendstill\n"), {CORVANTA_BINARY});
}
BENCHMARK(BM_PlayerIdleOnAStill)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PlayerIdleInPause(benchmark::State& state) { MeasureIdle(state, Presentation("pause\n"), {CORVANTA_BINARY}); }
BENCHMARK(BM_PlayerIdleInPause)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PlayerOnAStillWithLoopingMusic(benchmark::State& state) {
    MeasureIdle(state, Presentation("music tune loop\nstill picture\nendstill\n"), {CORVANTA_BINARY});
}
BENCHMARK(BM_PlayerOnAStillWithLoopingMusic)->Iterations(1)->Unit(benchmark::kSecond);

// The same picture in an image viewer, for comparison.
void BM_FehShowingTheStill(benchmark::State& state) { MeasureIdle(state, Presentation(""), {"feh", "picture.bmp"}); }
BENCHMARK(BM_FehShowingTheStill)->Iterations(1)->Unit(benchmark::kSecond);

// From launch to the present that follows the first still's opening.
void BM_LaunchToFirstPaint(benchmark::State& state) {
    const auto dir = Presentation("still picture\nendstill\n");
    for (auto _ : state) {
        const auto trace = dir / "trace.txt";
        std::filesystem::remove(trace);
        setenv("CORVANTA_TRACE", trace.c_str(), 1);
        const auto start = Clock::now();
        const pid_t child = Launch(dir, {CORVANTA_BINARY});
        bool painted = false;
        while (!painted && Clock::now() - start < std::chrono::seconds(10)) {
            const std::string text = ReadAll(trace);
            const auto shown = text.find("\tshow\tstill\t");
            painted = shown != std::string::npos && text.find("\tpresent\t", shown) != std::string::npos;
            if (!painted) std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        End(child);
        unsetenv("CORVANTA_TRACE");
        if (!painted) state.SkipWithError("no first paint within 10 s");
        state.counters["ms"] = ms;
    }
}
BENCHMARK(BM_LaunchToFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
