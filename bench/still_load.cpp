// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 640 x 480 8-bit still, the common size of a presentation's
// pictures, with and without an audio library to serve between the reads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "interp/message_class.h"
#include "sound/sound_class.h"
#include "still/slide_win.h"
#include "support/bmp_writer.h"
#include "support/fake_host.h"
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

// Serves the real sound manager while the picture loads.
class SoundServingHost final : public SlideHost {
public:
    explicit SoundServingHost(SoundClass& sound) : sound_(sound) {}
    void FatalError(const char* text, win::HWND owner) override { MessageClass().FatalError(text, owner); }
    void Serve() override { sound_.Serve(); }

private:
    SoundClass& sound_;
};

void Load(benchmark::State& state, const char* name, SlideHost& host) {
    for (auto _ : state) {
        DSlideWin slide(nullptr, name, host);
        benchmark::DoNotOptimize(slide.Palette());
        if (!slide.Palette()) state.SkipWithError("the picture did not load");
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

void Load(benchmark::State& state, const char* name) {
    test::FakeHost host;
    Load(state, name, host);
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
    SoundServingHost host(*sound);
    Load(state, "logo8.bmp", host);
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
