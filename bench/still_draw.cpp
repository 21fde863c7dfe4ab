// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a loaded 640 x 480 still into the screen: one to one when it fits,
// squeezed when the target is smaller.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "still/slide_win.h"
#include "support/bmp_writer.h"
#include "support/fake_host.h"
#include "support/player_run.h"

namespace {

const DSlideWin& Slide() {
    static const DSlideWin* const slide = [] {
        setenv("CORVANTA_DRIVER", "headless", 0);
        setenv("CORVANTA_CLIENT", "800x600", 0);
        const std::filesystem::path folder = test::MakeTempDir("still-draw-bench");
        test::MakeBmpWithTool("logo: -colors 256 -compress None", folder / "logo.bmp");
        static test::FakeHost host;
        return new DSlideWin(nullptr, (folder / "logo.bmp").c_str(), host);
    }();
    return *slide;
}

void Draw(benchmark::State& state, win::RECT target) {
    const DSlideWin& slide = Slide();
    if (!slide.Palette()) state.SkipWithError("the picture did not load");
    win::HDC screen = win::GetDC(nullptr);
    for (auto _ : state) slide.Draw(screen, target);
    win::ReleaseDC(nullptr, screen);
}

void BM_DrawFitting(benchmark::State& state) { Draw(state, {0, 0, 800, 600}); }
BENCHMARK(BM_DrawFitting)->Unit(benchmark::kMicrosecond);

void BM_DrawExactSize(benchmark::State& state) { Draw(state, {0, 0, 640, 480}); }
BENCHMARK(BM_DrawExactSize)->Unit(benchmark::kMicrosecond);

void BM_DrawSqueezed(benchmark::State& state) { Draw(state, {0, 0, 512, 384}); }
BENCHMARK(BM_DrawSqueezed)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
