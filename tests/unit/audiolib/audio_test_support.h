// Shared pieces of the audio library's tests: a virtual host clock and trace,
// WAV images made in memory, the library's output file read back, and sox.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
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

    // Opens the output headless, writing the mix to out.wav in the test's folder.
    AUD_HANDLE OpenOutput(std::uint32_t rate = 44100, std::uint16_t bits = 16, std::uint16_t channels = 2);
    // A voice holding the image (kept alive by the test).
    AUD_HANDLE VoiceWith(const std::vector<std::uint8_t>& image);
    // Shuts the library down and reads what it wrote.
    WavFile Finish();

    std::filesystem::path dir_;
    AUD_HANDLE driver_ = 0;
};

}  // namespace audtest
