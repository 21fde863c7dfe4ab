// SPDX-License-Identifier: GPL-3.0-or-later
// Recording the bundled demo with its scripted viewer, per container: virtual
// seconds recorded per wall second (above 1: faster than real time).
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

// The demo's viewer script, its snapshots sent to `out`.
std::string DemoInput(const fs::path& out) {
    std::ifstream in(fs::path(CORVANTA_SOURCE_DIR) / "scripts/demo.input");
    std::stringstream text;
    text << in.rdbuf();
    std::string input = text.str();
    for (std::size_t at = input.find("@OUT@"); at != std::string::npos; at = input.find("@OUT@", at))
        input.replace(at, 5, out.string());
    return input;
}

void BM_RecordDemo(benchmark::State& state, const char* extension) {
    const fs::path out = test::MakeTempDir(std::string("record-bench-") + (extension + 1));
    const fs::path source(CORVANTA_SOURCE_DIR);
    test::PlayerOptions options;
    options.args = {"--record", (out / (std::string("demo") + extension)).string()};
    options.input = DemoInput(out);
    options.env = {{"CORVANTA_CDROM", (source / "examples/demo-cd").string()}};
    double virtualSeconds = 0, wallSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const test::PlayerRun run = test::RunPlayer(source / "examples/demo", options);
        wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run.exitCode != 0 || run.Events("exit").empty()) {
            state.SkipWithError("the recording failed");
            return;
        }
        virtualSeconds += static_cast<double>(run.Events("exit").back().time) / 1000;
    }
    state.counters["virtual_s_per_wall_s"] = virtualSeconds / wallSeconds;
    state.counters["MB"] = static_cast<double>(fs::file_size(options.args[1])) / (1 << 20);
}
BENCHMARK_CAPTURE(BM_RecordDemo, mkv, ".mkv")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(BM_RecordDemo, mp4, ".mp4")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(BM_RecordDemo, webm, ".webm")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
