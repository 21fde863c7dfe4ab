// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_test_support.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <numbers>

#include "platform/core/host_services.h"

namespace audtest {
namespace fs = std::filesystem;

namespace {

std::atomic<std::uint32_t> now{0};
std::atomic<bool> headless{true};
std::mutex traceMutex;
std::vector<std::string> trace;

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t GetLe(const std::vector<std::uint8_t>& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | in[at + i];
    return value;
}

}  // namespace

void SetNow(std::uint32_t ms) { now = ms; }
void SetHeadless(bool value) { headless = value; }

std::vector<std::string> TakeTrace() {
    std::lock_guard lock(traceMutex);
    return std::exchange(trace, {});
}

std::vector<std::uint8_t> WavImage(const Pcm& pcm) {
    const std::uint32_t frameBytes = pcm.channels * pcm.bits / 8u;
    const auto dataBytes = static_cast<std::uint32_t>(pcm.samples.size() * (pcm.bits / 8u));
    std::vector<std::uint8_t> image{'R', 'I', 'F', 'F'};
    PutLe(image, 36 + dataBytes, 4);
    image.insert(image.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(image, 16, 4);
    PutLe(image, 1, 2);
    PutLe(image, pcm.channels, 2);
    PutLe(image, pcm.rate, 4);
    PutLe(image, pcm.rate * frameBytes, 4);
    PutLe(image, frameBytes, 2);
    PutLe(image, pcm.bits, 2);
    image.insert(image.end(), {'d', 'a', 't', 'a'});
    PutLe(image, dataBytes, 4);
    for (std::int16_t sample : pcm.samples) {
        if (pcm.bits == 8) {
            image.push_back(static_cast<std::uint8_t>(sample + 128));
        } else {
            PutLe(image, static_cast<std::uint16_t>(sample), 2);
        }
    }
    return image;
}

Pcm Constant(std::int16_t value, std::size_t frames, std::uint32_t rate, std::uint16_t channels) {
    return Pcm{rate, channels, 16, std::vector<std::int16_t>(frames * channels, value)};
}

Pcm Tones(const std::vector<Sine>& sines, std::size_t frames, std::uint32_t rate, std::uint16_t channels,
          std::uint16_t bits) {
    Pcm pcm{rate, channels, bits, {}};
    const double full = bits == 8 ? 127 : 32767;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        double value = 0;
        for (const Sine& sine : sines) {
            value += sine.amplitude * std::sin(2 * std::numbers::pi * sine.hz * static_cast<double>(frame) / rate);
        }
        pcm.samples.insert(pcm.samples.end(), channels, static_cast<std::int16_t>(std::lround(value * full)));
    }
    return pcm;
}

namespace {

std::complex<double> Bin(const Pcm& pcm, std::size_t first, std::size_t frames, double hz) {
    std::complex<double> sum;
    const std::complex<double> turn = std::polar(1.0, -2 * std::numbers::pi * hz / pcm.rate);
    std::complex<double> phase = 1;
    for (std::size_t i = 0; i < frames; ++i) {
        sum += static_cast<double>(pcm.samples[(first + i) * pcm.channels]) * phase;
        phase *= turn;
    }
    return sum;
}

double Db(std::complex<double> bin, std::size_t frames) {
    return 20 * std::log10(std::abs(bin) * 2 / static_cast<double>(frames) / 32768 + 1e-12);
}

}  // namespace

double LevelDb(const Pcm& pcm, std::size_t first, std::size_t frames, double hz) {
    return Db(Bin(pcm, first, frames, hz), frames);
}

double StrongestOtherDb(const Pcm& pcm, std::size_t first, std::size_t frames, double wantedHz) {
    const double binHz = static_cast<double>(pcm.rate) / static_cast<double>(frames);
    double strongest = -300;
    for (std::size_t bin = 0; bin <= frames / 2; ++bin) {
        const double hz = static_cast<double>(bin) * binHz;
        if (std::abs(hz - wantedHz) > binHz / 2) strongest = std::max(strongest, LevelDb(pcm, first, frames, hz));
    }
    return strongest;
}

int MaxStep(const Pcm& pcm, std::size_t first, std::size_t frames) {
    int step = 0;
    for (std::size_t i = first + 1; i < first + frames; ++i) {
        step = std::max(step, std::abs(pcm.samples[i * pcm.channels] - pcm.samples[(i - 1) * pcm.channels]));
    }
    return step;
}

std::size_t LastSoundingFrame(const Pcm& pcm) {
    const auto it = std::find_if(pcm.samples.rbegin(), pcm.samples.rend(), [](std::int16_t s) { return s != 0; });
    if (it == pcm.samples.rend()) return SIZE_MAX;
    return static_cast<std::size_t>(pcm.samples.rend() - it - 1) / pcm.channels;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

WavFile ReadWav(const fs::path& path) {
    const auto bytes = ReadBytes(path);
    WavFile wav;
    if (bytes.size() < 44) return wav;
    wav.riffSize = GetLe(bytes, 4, 4);
    wav.pcm.channels = static_cast<std::uint16_t>(GetLe(bytes, 22, 2));
    wav.pcm.rate = GetLe(bytes, 24, 4);
    wav.pcm.bits = static_cast<std::uint16_t>(GetLe(bytes, 34, 2));
    wav.dataSize = GetLe(bytes, 40, 4);
    for (std::size_t at = 44; at + wav.pcm.bits / 8 <= bytes.size(); at += wav.pcm.bits / 8) {
        wav.pcm.samples.push_back(wav.pcm.bits == 8 ? static_cast<std::int16_t>(bytes[at] - 128)
                                                    : static_cast<std::int16_t>(GetLe(bytes, at, 2)));
    }
    return wav;
}

bool HaveSox() { return std::system("sox --version > /dev/null 2>&1") == 0; }

bool Sox(const std::string& arguments) { return std::system(("sox -q " + arguments + " 2>/dev/null").c_str()) == 0; }

fs::path MakeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "audiolib-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return {};
    return pattern;
}

void AudioTest::SetUp() {
    SetNow(0);
    SetHeadless(true);
    TakeTrace();
    dir_ = MakeTempDir();
    ASSERT_FALSE(dir_.empty());
    unsetenv("CORVANTA_AUDIO_OUT");
    unsetenv("CORVANTA_CDROM");
    AUD_startup();
}

void AudioTest::TearDown() {
    AUD_redbook_close(1);
    AUD_shutdown();
    std::error_code error;
    fs::remove_all(dir_, error);
}

AUD_HANDLE AudioTest::OpenOutput(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels, const char* file) {
    out_ = dir_ / file;
    setenv("CORVANTA_AUDIO_OUT", out_.c_str(), 1);
    const AUD_PCMWAVEFORMAT format{
        1, channels, rate, rate * channels * bits / 8u, static_cast<std::uint16_t>(channels * bits / 8u), bits};
    EXPECT_EQ(AUD_waveOutOpen(&driver_, nullptr, 0, &format), AUD_OPEN_OK) << AUD_last_error();
    return driver_;
}

AUD_HANDLE AudioTest::VoiceWith(const std::vector<std::uint8_t>& image) {
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver_);
    AUD_init_sample(voice);
    AUD_set_sample_file(voice, image.data(), -1);
    return voice;
}

WavFile AudioTest::Finish() {
    AUD_shutdown();
    return ReadWav(out_);
}

}  // namespace audtest

extern "C" {
int corvanta_host_headless(void) { return audtest::headless ? 1 : 0; }
std::uint32_t corvanta_host_now_ms(void) { return audtest::now; }
void corvanta_host_trace(const char* event) {
    std::lock_guard lock(audtest::traceMutex);
    audtest::trace.emplace_back(event);
}
}
