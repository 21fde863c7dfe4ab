// SPDX-License-Identifier: GPL-3.0-or-later
// Mixing cost of the audio library into a 44.1 kHz 16-bit stereo output, one
// second of audio per iteration; the percent_of_realtime counter is the share
// of one core that playback takes. Fourteen voices at the output's own rate;
// eight voices at the rates period music comes in, resampled as they are
// mixed, with CD audio beside them; and the memory that playing a track of a
// 74-minute CD image takes, read from disk as it plays.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "support/audiolib_host.h"
#include "support/wav_writer.h"

namespace {

namespace fs = std::filesystem;

// A tone `seconds` long.
std::vector<std::uint8_t> ToneImage(double frequency, double seconds, std::uint32_t rate = 44100,
                                    std::uint16_t channels = 2, std::uint16_t bits = 16) {
    return test::WavFile{1, channels, rate, bits}.ToneBytes(frequency, static_cast<std::uint32_t>(rate * seconds));
}

fs::path MakeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "audiolib-bench-XXXXXX").string();
    return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

// A CUE sheet over one BIN image of `minutes` minutes of silence (a sparse
// file, so that it costs no disk), whose last track is its last minute.
fs::path MakeDisc(const fs::path& dir, std::uint32_t minutes) {
    const fs::path bin = dir / "disc.bin";
    std::ofstream(bin).close();
    fs::resize_file(bin, std::uintmax_t{minutes} * 60 * 75 * 2352);
    std::ofstream(dir / "disc.cue") << "FILE disc.bin BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                    << "  TRACK 02 AUDIO\n    INDEX 01 " << minutes - 1 << ":00:00\n";
    return dir / "disc.cue";
}

bool Open(benchmark::State& state, AUD_HANDLE& driver) {
    unsetenv("CORVANTA_AUDIO_OUT");
    return bench::StartLibrary(state, driver);
}

void LoopVoice(AUD_HANDLE driver, const std::vector<std::uint8_t>& image, std::int32_t volume) {
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver);
    AUD_set_sample_file(voice, image.data(), -1);
    AUD_set_sample_loop_count(voice, 0);
    AUD_set_sample_volume(voice, volume);
    AUD_start_sample(voice);
}

// Seconds of work per second of audio, as a percentage.
void MixSeconds(benchmark::State& state, AUD_HANDLE cd = 0, std::uint32_t cdTrack = 0) {
    std::chrono::duration<double> working{0};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bench::virtualNow += 1000;
        AUD_serve();
        if (cd != 0 && AUD_redbook_status(cd) != 1) {
            std::uint32_t first = 0, end = 0;
            AUD_redbook_track_info(cd, cdTrack, &first, &end);
            AUD_redbook_play(cd, first, end);
        }
        working += std::chrono::steady_clock::now() - start;
    }
    state.counters["percent_of_realtime"] = 100 * working.count() / static_cast<double>(state.iterations());
}

void MixFourteenVoices(benchmark::State& state) {
    AUD_HANDLE driver = 0;
    if (!Open(state, driver)) return;
    std::vector<std::vector<std::uint8_t>> images;
    for (int i = 0; i < 14; ++i) {
        // Lengths differ so that loops wrap at different moments.
        images.push_back(ToneImage(220.0 + 37 * i, 1.0 + 0.13 * i));
        LoopVoice(driver, images.back(), 100 + 10 * i);
    }
    MixSeconds(state);
    AUD_shutdown();
}

BENCHMARK(MixFourteenVoices)->Unit(benchmark::kMillisecond);

struct Format {
    std::uint32_t rate;
    std::uint16_t channels;
    std::uint16_t bits;
};

void MixEightResamplingVoicesAndCd(benchmark::State& state) {
    const fs::path dir = MakeTempDir();
    const auto track = ToneImage(330, 10);
    std::ofstream(dir / "track01.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(track.data()), static_cast<std::streamsize>(track.size()));
    setenv("CORVANTA_CDROM", dir.c_str(), 1);
    AUD_HANDLE driver = 0;
    if (!Open(state, driver)) return;
    const AUD_HANDLE cd = AUD_redbook_open(0);
    const std::vector<Format> formats = {{11025, 1, 8},  {11025, 2, 8},  {22050, 1, 8},  {22050, 2, 16},
                                         {22050, 1, 16}, {32000, 2, 16}, {48000, 2, 16}, {8000, 1, 8}};
    std::vector<std::vector<std::uint8_t>> images;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const Format& f = formats[i];
        images.push_back(ToneImage(200.0 + 50 * i, 1.0 + 0.17 * i, f.rate, f.channels, f.bits));
        LoopVoice(driver, images.back(), 100 + 15 * static_cast<std::int32_t>(i));
    }
    MixSeconds(state, cd, 1);
    AUD_shutdown();
    AUD_redbook_close(cd);
    unsetenv("CORVANTA_CDROM");
    fs::remove_all(dir);
}

BENCHMARK(MixEightResamplingVoicesAndCd)->Unit(benchmark::kMillisecond);

// Heap in use, including blocks mapped on their own.
double HeapMegabytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1 << 20);
}

double PeakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

// The last minute of a 74-minute image, played to its end; run it alone
// (--benchmark_filter) for the peak resident size to mean what it says.
void PlayCdTrackOf74MinuteImage(benchmark::State& state) {
    const fs::path dir = MakeTempDir();
    setenv("CORVANTA_CDROM", MakeDisc(dir, 74).c_str(), 1);
    AUD_HANDLE driver = 0;
    if (!Open(state, driver)) return;
    const AUD_HANDLE cd = AUD_redbook_open(0);
    std::uint32_t first = 0, end = 0;
    AUD_redbook_track_info(cd, 2, &first, &end);
    const double heapBefore = HeapMegabytes();
    double heapPeak = heapBefore;
    for (auto _ : state) {
        AUD_redbook_play(cd, first, end);
        for (int second = 0; second < 60; ++second) {
            bench::virtualNow += 1000;
            AUD_serve();
            heapPeak = std::max(heapPeak, HeapMegabytes());
        }
    }
    state.counters["heap_growth_MB"] = heapPeak - heapBefore;
    state.counters["peak_rss_MB"] = PeakRssMegabytes();
    AUD_redbook_close(cd);
    AUD_shutdown();
    unsetenv("CORVANTA_CDROM");
    fs::remove_all(dir);
}

BENCHMARK(PlayCdTrackOf74MinuteImage)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
