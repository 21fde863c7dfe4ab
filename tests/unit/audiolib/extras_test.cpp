// SPDX-License-Identifier: GPL-3.0-or-later
// The entry points the player binds without calling: helpers, timers, raw
// and streamed samples, playback rate, MIDI; and the real device's thread.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "audio_test_support.h"

namespace audtest {
namespace {

TEST_F(AudioTest, FileHelpersReadWholeFiles) {
    const std::vector<std::uint8_t> content = {'s', 'o', 'u', 'n', 'd', 0, 1, 2};
    const auto path = dir_ / "file.bin";
    WriteBytes(path, content);
    EXPECT_EQ(AUD_file_size(path.c_str()), 8);
    EXPECT_EQ(AUD_file_size((dir_ / "missing").c_str()), -1);
    EXPECT_EQ(AUD_file_read((dir_ / "missing").c_str(), nullptr), nullptr);

    std::vector<std::uint8_t> given(8);
    EXPECT_EQ(AUD_file_read(path.c_str(), given.data()), given.data());
    EXPECT_EQ(given, content);
    auto* allocated = static_cast<std::uint8_t*>(AUD_file_read(path.c_str(), nullptr));
    ASSERT_NE(allocated, nullptr);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), allocated));
    AUD_mem_free_lock(allocated);
}

TEST_F(AudioTest, MidiIsReportedAsMissing) {
    AUD_HANDLE driver = 99;
    EXPECT_NE(AUD_midiOutOpen(&driver, nullptr, 0), AUD_OPEN_OK);
    EXPECT_EQ(driver, 0u);
    EXPECT_NE(std::strstr(AUD_last_error(), "MIDI"), nullptr);
    EXPECT_EQ(AUD_allocate_sequence_handle(1), 0u);
    EXPECT_EQ(AUD_init_sequence(1, nullptr, 0), 0);
}

TEST_F(AudioTest, PreferencesRememberTheirValues) {
    EXPECT_EQ(AUD_set_preference(15, 1), 0);
    EXPECT_EQ(AUD_set_preference(15, 7), 1);
    EXPECT_EQ(AUD_set_preference(15, 0), 7);
    EXPECT_EQ(AUD_set_preference(100000, 1), -1);
}

std::atomic<int> ticks{0};
std::atomic<std::uint32_t> tickUser{0};
void Tick(std::uint32_t user) {
    ++ticks;
    tickUser = user;
}

TEST_F(AudioTest, TimersTickWithTheMixedOutput) {
    ticks = 0;
    const AUD_HANDLE timer = AUD_register_timer(&Tick);
    ASSERT_NE(timer, 0u);
    AUD_set_timer_period(timer, 10'000);
    AUD_set_timer_user(timer, 77);
    AUD_start_timer(timer);
    OpenOutput();
    SetNow(995);
    AUD_serve();
    EXPECT_EQ(ticks, 99);
    SetNow(1000);
    AUD_serve();
    EXPECT_EQ(ticks, 100);
    EXPECT_EQ(tickUser, 77u);
    AUD_shutdown();
    SetNow(2000);
    AUD_serve();
    EXPECT_EQ(ticks, 100) << "timers go with the output";
}

struct RateCase {
    std::int32_t rate;
    std::size_t frames;  // output frames the 22050-frame sound then lasts
};

class PlaybackRate : public AudioTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(PlaybackRate, ChangesHowLongTheSoundLasts) {
    OpenOutput();
    const auto image = WavImage(Constant(1000, 22050));
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_set_sample_playback_rate(voice, GetParam().rate);
    AUD_start_sample(voice);
    SetNow(3000);
    const WavFile out = Finish();
    EXPECT_EQ(LastSoundingFrame(out.pcm), GetParam().frames - 1);
    EXPECT_NEAR(out.pcm.samples[GetParam().frames / 2 * 2], 1000, 2);
}

INSTANTIATE_TEST_SUITE_P(Rates, PlaybackRate,
                         ::testing::Values(RateCase{44100, 22050}, RateCase{88200, 11025}, RateCase{22050, 44100},
                                           RateCase{33075, 29400}));

TEST_F(AudioTest, RawSamplesPlayInTheirDeclaredLayout) {
    OpenOutput();
    const std::vector<std::uint8_t> unsigned8(441, 128 + 64);
    const std::vector<std::uint8_t> signed8(441, 32);
    const std::vector<std::uint8_t> stereo16 = [] {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 441; ++i) bytes.insert(bytes.end(), {0x10, 0x27, 0xF0, 0xD8});  // 10000, -10000
        return bytes;
    }();
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver_);
    struct Case {
        std::int32_t type;
        std::uint32_t flags;
        const std::vector<std::uint8_t>& data;
        std::int16_t left, right;
    };
    const std::vector<Case> cases = {{AUD_SAMPLE_TYPE_MONO_8, 0, unsigned8, 64 << 8, 64 << 8},
                                     {AUD_SAMPLE_TYPE_MONO_8, AUD_SAMPLE_FLAG_SIGNED_8, signed8, 32 << 8, 32 << 8},
                                     {AUD_SAMPLE_TYPE_STEREO_16, 0, stereo16, 10000, -10000}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SetNow(static_cast<std::uint32_t>(20 * i));
        AUD_init_sample(voice);
        AUD_set_sample_type(voice, cases[i].type, cases[i].flags);
        AUD_set_sample_playback_rate(voice, 44100);
        AUD_set_sample_address(voice, cases[i].data.data(), static_cast<std::uint32_t>(cases[i].data.size()));
        AUD_start_sample(voice);
    }
    SetNow(100);
    const WavFile out = Finish();
    // Each sound's last 5 ms fade out.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(out.pcm.samples[882 * i * 2], cases[i].left) << i;
        EXPECT_EQ(out.pcm.samples[882 * i * 2 + 1], cases[i].right) << i;
        EXPECT_EQ(out.pcm.samples[(882 * i + 200) * 2], cases[i].left) << i;
        EXPECT_NE(out.pcm.samples[(882 * i + 440) * 2], 0) << i;
        EXPECT_EQ(out.pcm.samples[(882 * i + 441) * 2], 0) << i;
    }
}

TEST_F(AudioTest, StreamedBuffersPlayInTurnWhileTwoAreQueued) {
    OpenOutput();
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver_);
    AUD_set_sample_type(voice, AUD_SAMPLE_TYPE_MONO_16, 0);
    AUD_set_sample_playback_rate(voice, 44100);
    EXPECT_GT(AUD_minimum_sample_buffer_size(driver_, 44100, AUD_SAMPLE_TYPE_MONO_16), 0);
    EXPECT_EQ(AUD_minimum_sample_buffer_size(driver_ + 1, 44100, AUD_SAMPLE_TYPE_MONO_16), 0);
    const auto buffer = [](std::int16_t value) {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 441; ++i) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
        }
        return bytes;
    };
    const auto first = buffer(1000), second = buffer(2000), third = buffer(3000);
    EXPECT_EQ(AUD_sample_buffer_ready(voice), 0);
    AUD_load_sample_buffer(voice, 0, first.data(), 882);
    EXPECT_EQ(AUD_sample_buffer_ready(voice), 1);
    AUD_load_sample_buffer(voice, 1, second.data(), 882);
    EXPECT_EQ(AUD_sample_buffer_ready(voice), -1);
    AUD_start_sample(voice);
    SetNow(10);
    EXPECT_EQ(AUD_sample_buffer_ready(voice), 0) << "the first has played";
    AUD_load_sample_buffer(voice, 0, third.data(), 882);
    SetNow(100);
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE) << "ran dry";
    const WavFile out = Finish();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out.pcm.samples[441 * i * 2], 1000 * (i + 1));
        EXPECT_EQ(out.pcm.samples[(441 * i + 200) * 2], 1000 * (i + 1));
    }
    EXPECT_EQ(out.pcm.samples[(441 + 440) * 2], 2000) << "the stream went on: no fade";
    EXPECT_EQ(LastSoundingFrame(out.pcm), 1322u);
}

std::atomic<bool> endCalled{false};
std::thread::id endThread;
void RecordThread(AUD_HANDLE) {
    endThread = std::this_thread::get_id();
    endCalled = true;
}

TEST_F(AudioTest, RealDeviceCallsEndOfSampleFromItsMixingThread) {
    SetHeadless(false);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const AUD_PCMWAVEFORMAT format{1, 2, 44100, 176400, 4, 16};
    if (AUD_waveOutOpen(&driver_, nullptr, 0, &format) != AUD_OPEN_OK) {
        GTEST_SKIP() << "no SDL audio driver: " << AUD_last_error();
    }
    endCalled = false;
    const auto image = WavImage(Constant(1000, 2205));
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_register_EOS_callback(voice, &RecordThread);
    AUD_start_sample(voice);
    for (int i = 0; i < 500 && !endCalled; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(endCalled);
    EXPECT_NE(endThread, std::this_thread::get_id());
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
    AUD_shutdown();
    unsetenv("SDL_AUDIODRIVER");
}

TEST_F(AudioTest, WithoutADeviceSoundsStillPlayAndEndInRealTime) {
    SetHeadless(false);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const AUD_PCMWAVEFORMAT format{1, 2, 44100, 176400, 4, 16};
    ASSERT_EQ(AUD_waveOutOpen(&driver_, nullptr, 0, &format), AUD_OPEN_OK);
    endCalled = false;
    const auto image = WavImage(Constant(1000, 4410));  // 100 ms
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_register_EOS_callback(voice, &RecordThread);
    const auto started = std::chrono::steady_clock::now();
    AUD_start_sample(voice);
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_PLAYING);
    for (int i = 0; i < 500 && !endCalled; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(endCalled);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(90));
    EXPECT_NE(endThread, std::this_thread::get_id());
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
    AUD_shutdown();
    unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace audtest
