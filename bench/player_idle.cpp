// CPU used by the player while a presentation waits (a PAUSE, a still), in a
// real SDL window (on SDL's dummy audio driver). The counter
// cpu_percent is CPU time over wall time of the player process.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace {

// User and system time of a running process, from /proc.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double IdleCpuPercent(const std::string& script, std::chrono::milliseconds wait) {
    const auto dir = test::MakeTempDir("idle");
    test::WriteFile(dir / "sequence", script);
    test::BmpFile picture;
    picture.width = 640;
    picture.height = 480;
    picture.colours.assign(256, test::Rgb{40, 80, 160});
    picture.pixels.assign(640 * 480, 7);
    test::WriteBytes(dir / "picture.bmp", picture.Bytes());
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        setenv("CORVANTA_DRIVER", "sdl", 1);
        // A real display when there is one (xvfb-run -a ...): SDL's dummy
        // video driver can only poll, which costs more than a real wait.
        if (!getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(CORVANTA_BINARY, CORVANTA_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    // Start-up (SDL, the audio library, loading the picture) is not idling.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double cpuBefore = CpuSeconds(child);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(wait);
    const double cpu = CpuSeconds(child) - cpuBefore;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    return 100.0 * cpu / wall;
}

void BM_PlayerIdleInPause(benchmark::State& state) {
    double percent = 0;
    for (auto _ : state) percent = IdleCpuPercent("pause\n", std::chrono::seconds(3));
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_PlayerIdleInPause)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PlayerIdleOnAStill(benchmark::State& state) {
    double percent = 0;
    for (auto _ : state) percent = IdleCpuPercent("still picture\nendstill\n", std::chrono::seconds(3));
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(BM_PlayerIdleOnAStill)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
