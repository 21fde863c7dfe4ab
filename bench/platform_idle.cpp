// SPDX-License-Identifier: GPL-3.0-or-later
// How much processor an idle window takes: a frame window (SDL, dummy video
// driver) whose program pumps PeekMessage as the player's waits do, for a few
// seconds. Reports processor time over wall time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "platform/win/win.h"

namespace {

constexpr auto IdleFor = std::chrono::seconds(3);

win::LRESULT Procedure(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return win::DefWindowProcA(hwnd, msg, wParam, lParam);
}

void IdleWindow(benchmark::State& state) {
    win::WNDCLASSA wc{0, Procedure, nullptr, nullptr, "IdleBenchmark"};
    win::RegisterClassA(&wc);
    win::HWND frame =
        win::CreateWindowExA(0, "IdleBenchmark", "idle benchmark", win::WS_OVERLAPPEDWINDOW, win::CW_USEDEFAULT,
                             win::CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr, nullptr);
    if (!frame) {
        state.SkipWithError("no window");
        return;
    }
    win::ShowWindow(frame, win::SW_SHOWMAXIMIZED);
    std::size_t handled = 0;
    double cpuShare = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::clock_t cpuStart = std::clock();
        while (std::chrono::steady_clock::now() - start < IdleFor) {
            win::MSG msg;
            while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_NOREMOVE)) {
                win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE);
                win::TranslateMessage(&msg);
                win::DispatchMessageA(&msg);
                ++handled;
            }
        }
        double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpuShare = cpu / wall;
    }
    state.counters["cpu_share_percent"] = cpuShare * 100;
    state.counters["messages_per_second"] =
        static_cast<double>(handled) / std::chrono::duration<double>(IdleFor).count();
    win::DestroyWindow(frame);
}
BENCHMARK(IdleWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Before the layer reads its settings: a real backend without a display.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("CORVANTA_DRIVER", "sdl", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
