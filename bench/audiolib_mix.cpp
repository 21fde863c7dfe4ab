// Mixing cost of the audio library: fourteen voices playing at once into a
// 44.1 kHz 16-bit stereo output, one second of audio per iteration. The
// percent_of_realtime counter is the share of one core that playback takes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "audiolib/aud32.h"
#include "platform/host_services.h"

namespace {

std::uint32_t virtualNow = 0;

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 16-bit stereo 44.1 kHz WAV image of a tone, `seconds` long.
std::vector<std::uint8_t> ToneImage(double frequency, double seconds) {
    const auto frames = static_cast<std::uint32_t>(44100 * seconds);
    std::vector<std::uint8_t> image{'R', 'I', 'F', 'F'};
    PutLe(image, 36 + frames * 4, 4);
    image.insert(image.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0});
    PutLe(image, 44100, 4);
    PutLe(image, 44100 * 4, 4);
    image.insert(image.end(), {4, 0, 16, 0, 'd', 'a', 't', 'a'});
    PutLe(image, frames * 4, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::int16_t>(8000 * std::sin(2 * std::numbers::pi * frequency * i / 44100));
        PutLe(image, static_cast<std::uint16_t>(sample), 2);
        PutLe(image, static_cast<std::uint16_t>(sample), 2);
    }
    return image;
}

void MixFourteenVoices(benchmark::State& state) {
    unsetenv("CORVANTA_AUDIO_OUT");
    virtualNow = 0;
    AUD_startup();
    AUD_HANDLE driver = 0;
    const AUD_PCMWAVEFORMAT format{1, 2, 44100, 176400, 4, 16};
    if (AUD_waveOutOpen(&driver, nullptr, 0, &format) != AUD_OPEN_OK) {
        state.SkipWithError(AUD_last_error());
        return;
    }
    std::vector<std::vector<std::uint8_t>> images;
    for (int i = 0; i < 14; ++i) {
        // Lengths differ so that loops wrap at different moments.
        images.push_back(ToneImage(220.0 + 37 * i, 1.0 + 0.13 * i));
        const AUD_HANDLE voice = AUD_allocate_sample_handle(driver);
        AUD_set_sample_file(voice, images.back().data(), -1);
        AUD_set_sample_loop_count(voice, 0);
        AUD_set_sample_volume(voice, 100 + 10 * i);
        AUD_start_sample(voice);
    }
    std::chrono::duration<double> working{0};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        virtualNow += 1000;
        AUD_serve();
        working += std::chrono::steady_clock::now() - start;
    }
    // Seconds of work per second of audio, as a percentage.
    state.counters["percent_of_realtime"] = 100 * working.count() / static_cast<double>(state.iterations());
    AUD_shutdown();
}

BENCHMARK(MixFourteenVoices)->Unit(benchmark::kMillisecond);

}  // namespace

extern "C" {
int corvanta_host_headless(void) { return 1; }
std::uint32_t corvanta_host_now_ms(void) { return virtualNow; }
void corvanta_host_trace(const char*) {}
}

BENCHMARK_MAIN();
