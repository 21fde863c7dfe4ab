// What one present of a 640 x 480 screen costs: the conversion through the
// system palette alone, and the whole SDL path (convert, upload, draw) with
// SDL's dummy video driver and its software renderer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "platform/backend.h"
#include "platform/screen.h"

namespace {

constexpr platform::Size ScreenSize{640, 480};

platform::Screen TestPicture() {
    platform::Screen screen(platform::PaletteMode::Static, ScreenSize);
    for (int y = 0; y < ScreenSize.height; ++y)
        for (int x = 0; x < ScreenSize.width; ++x) screen.Row(y)[x] = static_cast<std::uint8_t>(x ^ y);
    return screen;
}

void ConvertOnly(benchmark::State& state) {
    platform::Screen screen = TestPicture();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(ScreenSize.width) * ScreenSize.height);
    for (auto _ : state) {
        platform::ConvertToXrgb(screen, pixels.data(), ScreenSize.width);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * ScreenSize.width * ScreenSize.height);
}
BENCHMARK(ConvertOnly)->Unit(benchmark::kMicrosecond);

void SdlPresent(benchmark::State& state) {
    platform::Settings settings;
    settings.screen = ScreenSize;
    auto backend = platform::MakeSdlBackend(settings);
    if (!backend->OpenFrame("present benchmark", ScreenSize)) {
        state.SkipWithError("no SDL window");
        return;
    }
    platform::Screen screen = TestPicture();
    for (auto _ : state) {
        screen.Row(0)[0] ^= 1;  // a changed picture every time
        backend->Present(screen);
    }
    backend->CloseFrame();
}
BENCHMARK(SdlPresent)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // Before the layer reads its settings.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("CORVANTA_SCREEN", "640x480", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
