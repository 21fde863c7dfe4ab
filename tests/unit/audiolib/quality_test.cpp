// SPDX-License-Identifier: GPL-3.0-or-later
// What resampling and fading sound like through the real mixer: tones of
// every common rate and format, measured for their images and aliases across
// a loop seam, and clicks where volumes change and sounds stop.
#include <cmath>

#include "audio_test_support.h"

namespace audtest {
namespace {

constexpr double ToneAmplitude = 0.45;  // of full scale, for each tone
constexpr double LoopSeconds = 0.2;     // whole cycles of every tone below

struct ToneCase {
    const char* name;
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
    double tone;
    double outside;   // a second tone above the output's band, 0 for none
    double unwanted;  // where an image or alias would land, 0 for none
    std::uint32_t output = 44100;
};

class ToneQuality : public AudioTest, public ::testing::WithParamInterface<ToneCase> {};

// The analysis window straddles the first loop seam, so that a seam that is
// not seamless shows as unwanted components and as a step.
TEST_P(ToneQuality, ImagesAliasesAndTheLoopSeamStayFarBelowTheTone) {
    const ToneCase c = GetParam();
    OpenOutput(c.output);
    std::vector<Sine> sines{{c.tone, ToneAmplitude}};
    if (c.outside > 0) sines.push_back({c.outside, ToneAmplitude});
    const auto frames = static_cast<std::size_t>(c.rate * LoopSeconds);
    const auto image = WavImage(Tones(sines, frames, c.rate, c.channels, c.bits));
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_set_sample_loop_count(voice, 3);
    AUD_start_sample(voice);
    SetNow(1000);
    const WavFile out = Finish();

    const std::size_t window = c.output / 5;  // 5 Hz bins
    const std::size_t seam = static_cast<std::size_t>(c.output * LoopSeconds);
    const std::size_t first = seam - window / 2;
    const double tone = LevelDb(out.pcm, first, window, c.tone);
    EXPECT_NEAR(tone, 20 * std::log10(ToneAmplitude), 0.1) << "the tone itself";
    if (c.unwanted > 0) {
        EXPECT_LT(LevelDb(out.pcm, first, window, c.unwanted), tone - 90) << "image or alias";
    }
    if (c.bits == 16) {
        EXPECT_LT(StrongestOtherDb(out.pcm, first, window, c.tone), tone - 85) << "anything else";
    }
    // The tone's own largest step, plus 1% of full scale.
    const double ownStep = 2 * std::numbers::pi * c.tone / c.output * ToneAmplitude * 32768;
    EXPECT_LT(MaxStep(out.pcm, first, window), ownStep + 328) << "a click at the seam";
}

INSTANTIATE_TEST_SUITE_P(Rates, ToneQuality,
                         ::testing::Values(ToneCase{"Pcm8Mono11k", 11025, 8, 1, 4995, 0, 6030},
                                           ToneCase{"Pcm16Mono11k", 11025, 16, 1, 4995, 0, 6030},
                                           ToneCase{"Pcm8Mono22k", 22050, 8, 1, 10000, 0, 12050},
                                           ToneCase{"Pcm16Stereo22k", 22050, 16, 2, 10000, 0, 12050},
                                           ToneCase{"Pcm8Mono44k", 44100, 8, 1, 10000, 0, 0},
                                           ToneCase{"Pcm16Stereo44k", 44100, 16, 2, 10000, 0, 0},
                                           ToneCase{"Pcm8Mono48k", 48000, 8, 1, 10000, 23000, 21100},
                                           ToneCase{"Pcm16Stereo48k", 48000, 16, 2, 10000, 23000, 21100},
                                           ToneCase{"Pcm8Mono96k", 96000, 8, 1, 10000, 30000, 14100},
                                           ToneCase{"Pcm16Mono96k", 96000, 16, 1, 10000, 30000, 14100},
                                           ToneCase{"Pcm16Stereo96k", 96000, 16, 2, 10000, 40000, 4100},
                                           ToneCase{"Pcm16Mono192k", 192000, 16, 1, 10000, 60000, 15900},
                                           ToneCase{"Pcm16Stereo192k", 192000, 16, 2, 10000, 90000, 1800},
                                           ToneCase{"Pcm16Stereo44kInto22k", 44100, 16, 2, 5000, 15000, 7050, 22050}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ClickCase {
    const char* name;
    double seconds;  // of the sound; it ends mid-wave unless stopped before
    std::function<void(AUD_HANDLE)> at100ms;
    std::int32_t volumeAfter;  // the level expected 50 ms after, as a volume
};

class Clicks : public AudioTest, public ::testing::WithParamInterface<ClickCase> {};

// The tone is at a crest 100 ms in, where a change without a ramp would jump most.
TEST_P(Clicks, NoStepLargerThanTheWavesOwnPlusOnePercent) {
    const ClickCase& c = GetParam();
    constexpr double kHz = 212.5;
    constexpr double Loud = 0.9;
    OpenOutput();
    const auto frames = static_cast<std::size_t>(22050 * c.seconds);
    const auto image = WavImage(Tones({{kHz, Loud}}, frames, 22050, 1, 16));
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_start_sample(voice);
    SetNow(100);
    c.at100ms(voice);
    SetNow(500);
    const WavFile out = Finish();
    const double ownStep = 2 * std::numbers::pi * kHz / 44100 * Loud * 32768;
    EXPECT_LT(MaxStep(out.pcm, 0, out.pcm.samples.size() / 2), ownStep + 328);
    // What follows has the level asked for: twenty whole cycles from 150 ms on.
    const double level = LevelDb(out.pcm, 6615, 4150, kHz);
    const double expected = c.volumeAfter == 0 ? -120 : 20 * std::log10(Loud * c.volumeAfter / 255.0);
    EXPECT_NEAR(std::max(level, -120.0), expected, 0.2);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, Clicks,
    ::testing::Values(ClickCase{"VolumeHalved", 1.0, [](AUD_HANDLE v) { AUD_set_sample_volume(v, 128); }, 128},
                      ClickCase{"FadeStep", 1.0, [](AUD_HANDLE v) { AUD_set_sample_volume(v, 238); }, 238},
                      ClickCase{"VolumeToNothing", 1.0, [](AUD_HANDLE v) { AUD_set_sample_volume(v, 0); }, 0},
                      ClickCase{"Stopped", 1.0, [](AUD_HANDLE v) { AUD_end_sample(v); }, 0},
                      ClickCase{"ResetWhilePlaying", 1.0, [](AUD_HANDLE v) { AUD_init_sample(v); }, 0},
                      ClickCase{"EndsMidWave", 0.1, [](AUD_HANDLE) {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Headless output must not depend on how often the library is called.
TEST_F(AudioTest, ResampledMixIsTheSameHoweverOftenItIsServed) {
    const auto image = WavImage(Tones({{440, 0.5}, {3000, 0.2}}, 11025, 11025, 1, 8));
    std::vector<std::vector<std::int16_t>> mixes;
    for (const std::uint32_t stepMs : {1000u, 7u}) {
        SetNow(0);
        OpenOutput(44100, 16, 2, stepMs == 7 ? "often.wav" : "seldom.wav");
        const AUD_HANDLE voice = VoiceWith(image);
        AUD_set_sample_loop_count(voice, 2);
        AUD_start_sample(voice);
        for (std::uint32_t ms = 0; ms <= 2500; ms += stepMs) {
            SetNow(ms);
            AUD_serve();
        }
        SetNow(2500);
        mixes.push_back(Finish().pcm.samples);
    }
    ASSERT_EQ(mixes[0].size(), mixes[1].size());
    EXPECT_TRUE(mixes[0] == mixes[1]);
    EXPECT_EQ(LastSoundingFrame(Pcm{44100, 2, 16, mixes[0]}), 2 * 44100u - 1) << "two plays of one second";
}

}  // namespace
}  // namespace audtest
