// SPDX-License-Identifier: GPL-3.0-or-later
// A kiosk that goes down with "-dir .." instead of "-exit" for a week of
// virtual time (a level a second, 604,800 levels), headless:
//   peak_mb   the player's peak resident memory
// CORVANTA_KIOSK_DAYS sets the virtual days (default 7).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "support/kiosk.h"

namespace {

void KioskWeek(benchmark::State& state) {
    const char* setting = std::getenv("CORVANTA_KIOSK_DAYS");
    const long long days = setting ? std::max(1, std::atoi(setting)) : 7;
    const auto root = test::MakeTempDir("kiosk");
    test::WriteKiosk(root);
    for (auto _ : state) {
        const test::PlayerRun run = test::RunKiosk(root, days * 24 * 3600 * 1000);
        if (run.exitCode != 3) state.SkipWithError("the kiosk did not run to its time limit");
        state.counters["peak_mb"] = static_cast<double>(run.peakKb) / 1024;
    }
}
BENCHMARK(KioskWeek)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
