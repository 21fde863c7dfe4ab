// SPDX-License-Identifier: GPL-3.0-or-later
// Movie decoding at 640 x 480: frames per second of a play without its pace
// (every frame decoded and drawn on the palette screen), the time from the
// MOVIE line to the first frame on screen, and a plain copy of the frame bytes
// as the floor. After the benchmarks, the same files are decoded by ffmpeg
// when it is installed (scripts/bench-compare installs it) and the two rates
// are printed side by side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "flic/flc_window.h"
#include "support/flc_writer.h"
#include "support/player_run.h"

namespace {

constexpr int Width = 640, Height = 480, Frames = 150;

// Serves nothing and never waits: its clock moves half a frame interval per
// read, so every frame is shown right after it is decoded.
class UnpacedHost final : public MovieHost {
public:
    void FatalError(const char* text) override { std::fprintf(stderr, "movie error: %s\n", text); }
    bool PumpMessages() override { return true; }
    bool TakeAbort() override { return false; }
    void Serve() override {}
    win::DWORD Ticks() override { return clock += 34; }
    void WaitForMessage(win::DWORD) override {}
    bool AttachMovieSound(const char*) override { return false; }
    void StartMovieSound() override {}
    void DropUnstartedMovieSound() override {}

private:
    win::DWORD clock = 0;
};

struct Bench {
    std::filesystem::path folder;
    win::HWND window = nullptr;
    flc::Bytes delta, runLength;
};

const Bench& Setup() {
    static const Bench bench = [] {
        setenv("CORVANTA_DRIVER", "headless", 0);
        Bench made;
        made.folder = test::MakeTempDir("flic-bench");
        std::filesystem::current_path(made.folder);
        win::WNDCLASSA wc{0, win::DefWindowProcA, nullptr, nullptr, "MovieBench"};
        win::RegisterClassA(&wc);
        made.window = win::CreateWindowExA(0, "MovieBench", "", win::WS_POPUP, 0, 0, Width, Height, nullptr, nullptr,
                                           nullptr, nullptr);
        std::vector<flc::Image> images;
        for (int i = 0; i < Frames; ++i) images.push_back(flc::TestPattern(Width, Height, i, 236));
        std::vector<flc::Rgb> palette;
        for (int i = 0; i < 256; ++i)
            palette.push_back(
                {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i)});
        const flc::Movie delta = flc::Animation(Width, Height, images, palette, flc::Compression::Delta);
        const flc::Movie runLength = flc::Animation(Width, Height, images, palette, flc::Compression::ByteRun);
        made.delta = flc::Encode(delta);
        made.runLength = flc::Encode(runLength);
        flc::WriteFile("delta.flc", delta);
        flc::WriteFile("runlength.flc", runLength);
        flc::Movie first = runLength;
        first.frames.resize(1);
        first.ringFrame.reset();
        flc::WriteFile("first.flc", first);
        return made;
    }();
    return bench;
}

void PlayFromMemory(const flc::Bytes& bytes) {
    UnpacedHost host;
    DFLCWindow movie(Setup().window, "movie.flc", host);
    movie.PlayFrom(std::make_unique<platform::ByteReader>(bytes), "movie.flc");
}

void BM_PlayDelta(benchmark::State& state) {
    const Bench& bench = Setup();
    for (auto _ : state) PlayFromMemory(bench.delta);
    state.SetItemsProcessed(state.iterations() * Frames);
}
BENCHMARK(BM_PlayDelta)->Unit(benchmark::kMillisecond);

void BM_PlayRunLength(benchmark::State& state) {
    const Bench& bench = Setup();
    for (auto _ : state) PlayFromMemory(bench.runLength);
    state.SetItemsProcessed(state.iterations() * Frames);
}
BENCHMARK(BM_PlayRunLength)->Unit(benchmark::kMillisecond);

// From the file on disk: open, header, frame buffer, first frame decoded and drawn.
void BM_MovieLineToFirstFrame(benchmark::State& state) {
    const Bench& bench = Setup();
    UnpacedHost host;
    for (auto _ : state) {
        DFLCWindow movie(bench.window, "first", host);
        movie.Play();
    }
}
BENCHMARK(BM_MovieLineToFirstFrame)->Unit(benchmark::kMicrosecond);

void BM_CopyFrameBytes(benchmark::State& state) {
    std::vector<std::uint8_t> from(Width * Height, 7), to(Width * Height);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyFrameBytes);

// Both sides are timed on their best of several whole decodes: a decode takes
// a few milliseconds, and one slow start on a shared machine would decide it.
constexpr int Tries = 7;

double OwnFramesPerSecond(const flc::Bytes& bytes) {
    double best = 0;
    for (int i = 0; i < Tries; ++i) {
        const auto start = std::chrono::steady_clock::now();
        PlayFromMemory(bytes);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::max(best, Frames / elapsed.count());
    }
    return best;
}

// ffmpeg's own account of its decoding time ("bench: ... rtime=S") and of the
// frames it decoded ("frame=N"); 0 without ffmpeg. Its clock counts whole
// milliseconds, a third of one decode of the delta movie: it decodes the
// movie ten times over in one run.
double FfmpegFramesPerSecond(const std::string& file) {
    const std::string command = "ffmpeg -nostdin -hide_banner -benchmark -stream_loop 9 -i " + file + " -f null - 2>&1";
    double best = 0;
    for (int i = 0; i < Tries; ++i) {
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return 0;
        double seconds = 0, frames = 0;
        char line[1024];
        while (std::fgets(line, sizeof line, pipe)) {
            if (const char* at = std::strstr(line, "rtime=")) seconds = std::atof(at + 6);
            // Progress lines end in a carriage return: the last count wins.
            for (const char* at = std::strstr(line, "frame="); at; at = std::strstr(at + 6, "frame="))
                frames = std::atof(at + 6);
        }
        if (pclose(pipe) != 0 || seconds <= 0) return 0;
        // ffmpeg also decodes the ring frame the header does not count.
        best = std::max(best, frames / seconds);
    }
    return best;
}

void CompareWithFfmpeg() {
    const Bench& bench = Setup();
    std::printf("\n%-12s %14s %14s %8s\n", "movie", "corvanta fps", "ffmpeg fps", "ratio");
    for (const auto& [name, bytes] : {std::pair{"delta", &bench.delta}, std::pair{"runlength", &bench.runLength}}) {
        const double own = OwnFramesPerSecond(*bytes);
        const double peer = FfmpegFramesPerSecond((bench.folder / (std::string(name) + ".flc")).string());
        if (peer > 0)
            std::printf("%-12s %14.0f %14.0f %8.2f\n", name, own, peer, own / peer);
        else
            std::printf("%-12s %14.0f %14s %8s\n", name, own, "(no ffmpeg)", "-");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CompareWithFfmpeg();
    return 0;
}
