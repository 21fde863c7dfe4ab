// Loading cost of the audio library: handing a 10 MB WAV image to a voice,
// decoding and converting it to the output format (44.1 kHz 16-bit stereo).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "audiolib/aud32.h"
#include "platform/host_services.h"

namespace {

constexpr std::uint32_t kImageBytes = 10 * 1024 * 1024;

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A PCM WAV image of a tone, about kImageBytes long.
std::vector<std::uint8_t> ToneImage(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const std::uint32_t frameBytes = channels * bits / 8u;
    const std::uint32_t frames = (kImageBytes - 44) / frameBytes;
    std::vector<std::uint8_t> image{'R', 'I', 'F', 'F'};
    image.reserve(kImageBytes);
    PutLe(image, 36 + frames * frameBytes, 4);
    image.insert(image.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    PutLe(image, channels, 2);
    PutLe(image, rate, 4);
    PutLe(image, rate * frameBytes, 4);
    PutLe(image, frameBytes, 2);
    PutLe(image, bits, 2);
    image.insert(image.end(), {'d', 'a', 't', 'a'});
    PutLe(image, frames * frameBytes, 4);
    for (std::uint32_t i = 0; i < frames * channels; ++i) {
        const double value = std::sin(2 * std::numbers::pi * 440 * (i / channels) / rate);
        if (bits == 8) {
            image.push_back(static_cast<std::uint8_t>(128 + 60 * value));
        } else {
            PutLe(image, static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * value)), 2);
        }
    }
    return image;
}

void LoadTenMegabytes(benchmark::State& state) {
    const auto rate = static_cast<std::uint32_t>(state.range(0));
    const auto channels = static_cast<std::uint16_t>(state.range(1));
    const auto bits = static_cast<std::uint16_t>(state.range(2));
    const auto image = ToneImage(rate, channels, bits);
    unsetenv("CORVANTA_AUDIO_OUT");
    AUD_startup();
    AUD_HANDLE driver = 0;
    const AUD_PCMWAVEFORMAT format{1, 2, 44100, 176400, 4, 16};
    if (AUD_waveOutOpen(&driver, nullptr, 0, &format) != AUD_OPEN_OK) {
        state.SkipWithError(AUD_last_error());
        return;
    }
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver);
    for (auto _ : state) {
        if (AUD_set_sample_file(voice, image.data(), -1) != 1) {
            state.SkipWithError(AUD_last_error());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kImageBytes);
    AUD_shutdown();
}

// The output format itself; then conversions of rate, channels and bits.
BENCHMARK(LoadTenMegabytes)
    ->ArgNames({"rate", "channels", "bits"})
    ->Args({44100, 2, 16})
    ->Args({44100, 2, 8})
    ->Args({22050, 1, 16})
    ->Args({11025, 1, 8})
    ->Unit(benchmark::kMillisecond);

}  // namespace

extern "C" {
int corvanta_host_headless(void) { return 1; }
std::uint32_t corvanta_host_now_ms(void) { return 0; }
void corvanta_host_trace(const char*) {}
}

BENCHMARK_MAIN();
