// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up cost of music in the audio library: from handing a WAV image to a
// voice (AUD_set_sample_file) to the first mixed block of the output
// (44.1 kHz 16-bit stereo), for files of 1 and 10 MB in the formats period
// music comes in. Sounds are kept in their own format and converted as they
// are mixed, so this should not grow with the file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "support/audiolib_host.h"
#include "support/wav_writer.h"

namespace {

// One output block of about 25 ms (1024 frames) is what a device asks for first.
constexpr std::uint32_t BlockMs = 24;

void StartMusic(benchmark::State& state) {
    const auto megabytes = static_cast<std::uint32_t>(state.range(0));
    const auto rate = static_cast<std::uint32_t>(state.range(1));
    const auto channels = static_cast<std::uint16_t>(state.range(2));
    const auto bits = static_cast<std::uint16_t>(state.range(3));
    const auto image =
        test::WavFile{1, channels, rate, bits}.ToneBytes(440, ((megabytes << 20) - 44) / (channels * bits / 8u));
    unsetenv("CORVANTA_AUDIO_OUT");
    AUD_HANDLE driver = 0;
    if (!bench::StartLibrary(state, driver)) return;
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (AUD_set_sample_file(voice, image.data(), -1) != 1) {
            state.SkipWithError(AUD_last_error());
            break;
        }
        AUD_start_sample(voice);
        bench::virtualNow += BlockMs;
        AUD_serve();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        AUD_end_sample(voice);
    }
    AUD_shutdown();
}

BENCHMARK(StartMusic)
    ->ArgNames({"MB", "rate", "channels", "bits"})
    ->ArgsProduct({{1, 10}, {11025}, {1}, {8}})
    ->ArgsProduct({{1, 10}, {22050}, {2}, {16}})
    ->ArgsProduct({{1, 10}, {44100}, {2}, {16}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
