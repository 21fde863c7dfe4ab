// SPDX-License-Identifier: GPL-3.0-or-later
// Sounds of every encoding the player meets, made by sox, decoded and
// converted by the library and compared with sox's own conversion.
#include <cmath>
#include <numeric>

#include "audio_test_support.h"

namespace audtest {
namespace {

struct Encoding {
    const char* name;
    const char* soxFormat;  // sox output options for the source file
    bool exact;             // the output format itself: no conversion at all
};

class Decode : public AudioTest, public ::testing::WithParamInterface<Encoding> {};

// How far `got` is from `want`, relative to the loudness of `want`.
double RelativeRmsError(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& want,
                        std::size_t count) {
    double error = 0, power = 0;
    for (std::size_t i = 0; i < count; ++i) {
        error += std::pow(static_cast<double>(got[i]) - want[i], 2);
        power += std::pow(static_cast<double>(want[i]), 2);
    }
    return std::sqrt(error / power);
}

// Samples up to the last one that is not silent.
std::size_t SoundingLength(const std::vector<std::int16_t>& samples) {
    std::size_t length = samples.size();
    while (length > 0 && std::abs(samples[length - 1]) < 8) --length;
    return length;
}

std::vector<std::int16_t> ReadRaw(const std::filesystem::path& path) {
    const auto bytes = ReadBytes(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
}

TEST_P(Decode, SoundsLikeSoxsConversionOfTheSameFile) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    const Encoding e = GetParam();
    const auto source = dir_ / "source.wav";
    const auto reference = dir_ / "reference.raw";
    // Different tones left and right, so that swapped channels show. The
    // rate comes before -n: after it, sox makes the tones at 48 kHz and
    // resamples them, which folds whatever lies above 24 kHz.
    const std::string format = e.soxFormat;
    const std::string rate = format.substr(0, format.find(" -c"));
    ASSERT_TRUE(
        Sox("-D " + rate + " -n " + format + " '" + source.string() + "' synth 0.5 sine 440 sine 1250 vol 0.6"));
    ASSERT_TRUE(Sox("-D '" + source.string() + "' -r 44100 -c 2 -b 16 -e signed-integer '" + reference.string() + "'"));
    const auto want = ReadRaw(reference);
    ASSERT_GT(want.size(), 40000u);

    OpenOutput();
    const auto image = ReadBytes(source);
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_start_sample(voice);
    SetNow(1000);
    const WavFile out = Finish();
    const auto& got = out.pcm.samples;
    ASSERT_GE(got.size(), want.size());
    // The sound ends where sox's does, give or take a little resampler tail.
    EXPECT_NEAR(static_cast<double>(SoundingLength(got)), static_cast<double>(SoundingLength(want)), 44100 * 2 * 0.005);

    if (e.exact) {
        const auto original = ReadWav(source);
        // Up to the last 5 ms, which fade out.
        const auto unfaded = original.pcm.samples.end() - 2 * FadeFrames44k;
        EXPECT_TRUE(std::equal(original.pcm.samples.begin(), unfaded, got.begin()));
    }
    // Leave out the edges, where resamplers differ most.
    const std::size_t skip = 2 * 441;
    const std::vector<std::int16_t> gotMiddle(got.begin() + skip, got.begin() + want.size() - skip);
    const std::vector<std::int16_t> wantMiddle(want.begin() + skip, want.end() - skip);
    EXPECT_LT(RelativeRmsError(gotMiddle, wantMiddle, wantMiddle.size()), e.exact ? 1e-9 : 0.05);
}

INSTANTIATE_TEST_SUITE_P(Encodings, Decode,
                         ::testing::Values(Encoding{"Pcm16Stereo44k", "-r 44100 -c 2 -b 16 -e signed-integer", true},
                                           Encoding{"Pcm16Mono22k", "-r 22050 -c 1 -b 16 -e signed-integer", false},
                                           Encoding{"Pcm16Stereo48k", "-r 48000 -c 2 -b 16 -e signed-integer", false},
                                           Encoding{"Pcm8Mono11k", "-r 11025 -c 1 -b 8 -e unsigned-integer", false},
                                           Encoding{"Pcm8Stereo22k", "-r 22050 -c 2 -b 8 -e unsigned-integer", false},
                                           Encoding{"ImaAdpcmMono22k", "-r 22050 -c 1 -e ima-adpcm", false},
                                           Encoding{"ImaAdpcmStereo44k", "-r 44100 -c 2 -e ima-adpcm", false},
                                           Encoding{"MsAdpcmMono11k", "-r 11025 -c 1 -e ms-adpcm", false},
                                           Encoding{"MsAdpcmStereo22k", "-r 22050 -c 2 -e ms-adpcm", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace audtest
