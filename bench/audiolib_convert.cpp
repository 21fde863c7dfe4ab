// SPDX-License-Identifier: GPL-3.0-or-later
// A WAV file as the player takes music: read into memory, handed to a voice,
// resampled and mixed to 44.1 kHz 16-bit stereo, and written to a WAV file
// through the library's headless output, to its end. This is the work of a
// file converter, which scripts/bench-compare times on the same file.
// Usage: bench_audiolib_convert FILE.wav [benchmark options]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/audiolib_host.h"

namespace {

namespace fs = std::filesystem;

void LoadAndResample(benchmark::State& state, const std::string& file) {
    for (auto _ : state) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(in), {}};
        AUD_HANDLE driver = 0;
        if (!bench::StartLibrary(state, driver)) break;
        const AUD_HANDLE voice = AUD_allocate_sample_handle(driver);
        if (AUD_set_sample_file(voice, image.data(), -1) != 1) {
            state.SkipWithError(AUD_last_error());
            AUD_shutdown();
            break;
        }
        AUD_start_sample(voice);
        while (AUD_sample_status(voice) == AUD_SAMPLE_PLAYING) {
            bench::virtualNow += 1000;
            AUD_serve();
        }
        AUD_shutdown();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: bench_audiolib_convert FILE.wav [benchmark options]\n");
        return 2;
    }
    const std::string file = argv[1];
    argv[1] = argv[0];
    ++argv;
    --argc;
    // One output file for every run: the library keeps it open between them.
    const fs::path output = fs::temp_directory_path() / ("audiolib-convert-" + std::to_string(getpid()) + ".wav");
    setenv("CORVANTA_AUDIO_OUT", output.c_str(), 1);
    benchmark::RegisterBenchmark("LoadAndResample", LoadAndResample, file)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove(output);
    return 0;
}
