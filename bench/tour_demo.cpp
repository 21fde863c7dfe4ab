// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-tour over the bundled demo (the goal: the whole demo in under
// 30 s): wall time, then the places, the branches tried and the runs of the
// player for each place found, as the tour's summary gives them; and the same
// tour recorded as a video.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/player_run.h"

namespace {

void TourOfTheDemo(benchmark::State& state) {
    const std::filesystem::path examples = CORVANTA_EXAMPLES;
    setenv("CORVANTA_CDROM", (examples / "demo-cd").c_str(), 1);
    const std::filesystem::path out = test::MakeTempDir("bench-tour");
    int places = 0, branches = 0, cut = 0, runs = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(out / "tour");
        const std::string command = std::string("'") + CORVANTA_TOUR + "' '" + (examples / "demo").string() + "' '" +
                                    (out / "tour").string() + "'";
        FILE* tour = popen(command.c_str(), "r");
        if (!tour || std::fscanf(tour, "%d places, %d choices tried, %d cut by a limit, %d runs", &places, &branches,
                                 &cut, &runs) != 4) {
            state.SkipWithError("the tour gave no summary");
        }
        if (tour) pclose(tour);
    }
    state.counters["places"] = places;
    state.counters["branches"] = branches;
    state.counters["runs_per_place"] = places ? static_cast<double>(runs) / places : 0;
}
BENCHMARK(TourOfTheDemo)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

// Wall time of the tour with its recording, and the video's size.
void TourOfTheDemoRecorded(benchmark::State& state, const char* extension) {
    const std::filesystem::path examples = CORVANTA_EXAMPLES;
    setenv("CORVANTA_CDROM", (examples / "demo-cd").c_str(), 1);
    const std::filesystem::path out = test::MakeTempDir("bench-tour-recorded");
    const std::filesystem::path video = out / (std::string("tour") + extension);
    for (auto _ : state) {
        std::filesystem::remove_all(out / "tour");
        const std::string command = std::string("'") + CORVANTA_TOUR + "' --record '" + video.string() + "' '" +
                                    (examples / "demo").string() + "' '" + (out / "tour").string() + "'";
        if (std::system(command.c_str()) != 0) state.SkipWithError("the recording failed");
    }
    std::error_code error;
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(video, error)) / (1 << 20);
}
BENCHMARK_CAPTURE(TourOfTheDemoRecorded, mkv, ".mkv")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
