// SPDX-License-Identifier: GPL-3.0-or-later
// What showing a movie frame costs: a 640 x 480 frame copied onto the screen
// and presented, from the copy to the frame on its way to the display, in
// windows from 640 x 480 to 2560 x 1440 (the screen as large as the window,
// as when the player fills it) with SDL's software renderer and with
// OpenGL; and the conversion through the system palette alone. A real
// display gives real figures (xvfb-run -s "-screen 0 2560x1440x24"); without
// one SDL's dummy driver stands in.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/screen.h"

namespace {

constexpr platform::Size Frame{640, 480};
const char* const Renderers[] = {"software", "opengl"};

std::vector<std::uint8_t> FramePixels(int phase) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(Frame.width) * Frame.height);
    for (int y = 0; y < Frame.height; ++y)
        for (int x = 0; x < Frame.width; ++x)
            pixels[static_cast<std::size_t>(y) * Frame.width + x] = static_cast<std::uint8_t>((x ^ y) + phase);
    return pixels;
}

void ConvertOnly(benchmark::State& state) {
    platform::Screen screen(platform::PaletteMode::Static, Frame);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(Frame.width) * Frame.height);
    for (auto _ : state) {
        platform::ConvertToXrgb(screen, pixels.data(), Frame.width);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * Frame.width * Frame.height);
}
BENCHMARK(ConvertOnly)->Unit(benchmark::kMicrosecond);

// Arguments: window width, height, renderer (an index into Renderers).
void DrawFrame(benchmark::State& state) {
    const platform::Size window{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))};
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, Renderers[state.range(2)]);
    auto backend = platform::MakeSdlBackend(platform::Settings{});
    if (!backend->OpenFrame("present benchmark", window)) {
        state.SkipWithError("no SDL window");
        return;
    }
    backend->ShowFrame(false);
    platform::Screen screen(platform::PaletteMode::Static, backend->ClientSize());
    backend->Present(screen, screen.Bounds());
    const std::vector<std::uint8_t> frames[] = {FramePixels(0), FramePixels(1)};
    const platform::Size size = screen.GetSize();
    const int left = (size.width - Frame.width) / 2, top = (size.height - Frame.height) / 2;
    int n = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t>& frame = frames[n++ % 2];
        for (int y = 0; y < Frame.height && top + y < size.height; ++y) {
            if (top + y < 0) continue;
            std::memcpy(screen.Row(top + y) + std::max(left, 0),
                        frame.data() + static_cast<std::size_t>(y) * Frame.width,
                        static_cast<std::size_t>(std::min(Frame.width, size.width)));
        }
        screen.MarkChanged({left, top, left + Frame.width, top + Frame.height});
        backend->Present(screen, *screen.TakeChanged());
    }
    state.SetLabel(Renderers[state.range(2)]);
    backend->CloseFrame();
}
BENCHMARK(DrawFrame)
    ->ArgsProduct({{640}, {480}, {0, 1}})
    ->ArgsProduct({{1920}, {1080}, {0, 1}})
    ->ArgsProduct({{2560}, {1440}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
