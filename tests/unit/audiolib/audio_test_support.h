// SPDX-License-Identifier: GPL-3.0-or-later
// Shared pieces of the audio library's tests: a virtual host clock and trace,
// WAV images made in memory, the library's output file read back and
// measured (tone levels, steps), and sox.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "audiolib/aud32.h"

namespace audtest {

// The host services this program exports to the library.
void SetNow(std::uint32_t ms);
std::vector<std::string> TakeTrace();  // the events since the last call
void SetHeadless(bool headless);

struct Pcm {
    std::uint32_t rate = 44100;
    std::uint16_t channels = 2;
    std::uint16_t bits = 16;
    std::vector<std::int16_t> samples;  // interleaved; 8-bit data holds values -128..127
};

// A PCM WAV file image of exactly the right size.
std::vector<std::uint8_t> WavImage(const Pcm& pcm);
// `frames` frames of one constant value on every channel.
Pcm Constant(std::int16_t value, std::size_t frames, std::uint32_t rate = 44100, std::uint16_t channels = 2);

struct Sine {
    double hz;
    double amplitude;  // of full scale
};
// A sum of sines from phase 0, the same on every channel, `frames` long.
Pcm Tones(const std::vector<Sine>& sines, std::size_t frames, std::uint32_t rate, std::uint16_t channels,
          std::uint16_t bits);

// Frames the library fades a sound out over at the end, and ramps gains over.
inline constexpr std::size_t FadeFrames44k = 220;

// Measures of the first channel over `frames` frames from `first`: the level
// of one frequency in dB of full scale (a DFT bin, so `frames` should hold
// whole cycles of every tone), the strongest level at any other bin, and the
// largest step from one sample to the next.
double LevelDb(const Pcm& pcm, std::size_t first, std::size_t frames, double hz);
double StrongestOtherDb(const Pcm& pcm, std::size_t first, std::size_t frames, double wantedHz);
int MaxStep(const Pcm& pcm, std::size_t first, std::size_t frames);
// The last frame with a sample other than 0; SIZE_MAX when all are silent.
std::size_t LastSoundingFrame(const Pcm& pcm);

// A WAV file written by the library (or sox); empty samples when unreadable.
struct WavFile {
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    Pcm pcm;
};
WavFile ReadWav(const std::filesystem::path& path);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

bool HaveSox();
// Runs sox with the arguments (each quoted); true when it succeeded.
bool Sox(const std::string& arguments);

std::filesystem::path MakeTempDir();

// Every test starts with a fresh library and clock and leaves it shut down.
class AudioTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the output headless, writing the mix to `file` in the test's folder.
    AUD_HANDLE OpenOutput(std::uint32_t rate = 44100, std::uint16_t bits = 16, std::uint16_t channels = 2,
                          const char* file = "out.wav");
    // A voice holding the image (kept alive by the test).
    AUD_HANDLE VoiceWith(const std::vector<std::uint8_t>& image);
    // Shuts the library down and reads what it wrote.
    WavFile Finish();

    std::filesystem::path dir_;
    std::filesystem::path out_;
    AUD_HANDLE driver_ = 0;
};

}  // namespace audtest
