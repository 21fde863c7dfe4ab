// SPDX-License-Identifier: GPL-3.0-or-later
// A movie in a real window: the player plays a 300-frame 640 x 480 movie in
// its maximized window, and the intervals between the frames' presents are
// read from its trace (wall milliseconds). Frames are paced 67 ms apart from
// the end of the previous frame's drawing, so the intervals show what
// drawing costs. Needs a display with a window manager, for instance
//   xvfb-run -a -s "-screen 0 1280x1024x24" sh -c 'openbox & sleep 1; build/bin/bench_movie_window'
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "support/flc_writer.h"
#include "support/player_run.h"

namespace {

constexpr int Width = 640, Height = 480, Frames = 300;

void MovieInAMaximizedWindow(benchmark::State& state) {
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no display");
        return;
    }
    const auto folder = test::MakeTempDir("movie-window");
    std::vector<flc::Image> images;
    for (int i = 0; i < Frames; ++i) images.push_back(flc::TestPattern(Width, Height, i, 236));
    std::vector<flc::Rgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i)});
    flc::WriteFile((folder / "intro.flc").string(),
                   flc::Animation(Width, Height, images, palette, flc::Compression::Delta));
    test::WriteFile(folder / "sequence", "movie intro\n");
    std::vector<double> intervals;
    for (auto _ : state) {
        const test::PlayerRun run =
            test::RunPlayer(folder, {{}, {}, {{"CORVANTA_DRIVER", "sdl"}, {"SDL_AUDIODRIVER", "dummy"}}});
        const auto presents = run.Events("present");
        for (std::size_t i = 2; i < presents.size(); ++i)  // the first present is the window's black
            intervals.push_back(static_cast<double>(presents[i].time - presents[i - 1].time));
    }
    if (intervals.empty()) {
        state.SkipWithError("the player showed no movie");
        return;
    }
    const double mean =
        std::accumulate(intervals.begin(), intervals.end(), 0.0) / static_cast<double>(intervals.size());
    double worst = 0;
    for (double interval : intervals) worst = std::max(worst, std::abs(interval - 67));
    state.counters["frames"] = static_cast<double>(intervals.size() + 1);
    state.counters["mean_interval_ms"] = mean;
    state.counters["worst_offset_ms"] = worst;
}
BENCHMARK(MovieInAMaximizedWindow)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
