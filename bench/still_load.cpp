// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 640 x 480 8-bit still, the common size of a presentation's
// pictures, with and without an audio library to serve between the reads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "sound/sound_class.h"
#include "still/slide_win.h"
#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace {

// Writes the picture once, into a folder that becomes the working directory.
void PreparePicture(const std::string& name, const std::string& args) {
    static const std::filesystem::path folder = [] {
        setenv("CORVANTA_DRIVER", "headless", 0);
        const std::filesystem::path made = test::MakeTempDir("still-bench");
        std::filesystem::current_path(made);
        return made;
    }();
    if (!std::filesystem::exists(folder / name)) test::MakeBmpWithTool(args, folder / name);
}

void Load(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        DSlideWin slide(nullptr, name);
        benchmark::DoNotOptimize(slide.Palette());
        if (!slide.Palette()) state.SkipWithError("the picture did not load");
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

void BM_LoadEightBit(benchmark::State& state) {
    PreparePicture("logo8.bmp", "logo: -colors 256 -compress None");
    Load(state, "logo8.bmp");
}
BENCHMARK(BM_LoadEightBit)->Unit(benchmark::kMillisecond);

void BM_LoadEightBitServingSound(benchmark::State& state) {
    PreparePicture("logo8.bmp", "logo: -colors 256 -compress None");
    static SoundClass* const sound = [] {
        auto* manager = new SoundClass;
        manager->Startup();
        return manager;
    }();
    if (!sound->IsEnabled()) state.SkipWithError("the audio library is not bound");
    SoundManager = sound;
    Load(state, "logo8.bmp");
    SoundManager = nullptr;
}
BENCHMARK(BM_LoadEightBitServingSound)->Unit(benchmark::kMillisecond);

void BM_LoadRle8(benchmark::State& state) {
    PreparePicture("logo-rle.bmp", "logo: -colors 256 -compress RLE");
    Load(state, "logo-rle.bmp");
}
BENCHMARK(BM_LoadRle8)->Unit(benchmark::kMillisecond);

void BM_LoadFourBit(benchmark::State& state) {
    PreparePicture("logo4.bmp", "logo: -colors 16 -compress None");
    Load(state, "logo4.bmp");
}
BENCHMARK(BM_LoadFourBit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
