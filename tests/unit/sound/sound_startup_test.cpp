// SPDX-License-Identifier: GPL-3.0-or-later
#include <tuple>
#include <vector>

#include "sound_fixture.h"

namespace {

using Format = std::tuple<std::uint32_t, int, int>;  // rate, bits, channels

const std::vector<Format> PreferenceOrder = {
    {44100, 16, 2}, {44100, 16, 1}, {44100, 8, 2},  {44100, 8, 1},  {22050, 16, 2}, {22050, 16, 1},
    {22050, 8, 2},  {22050, 8, 1},  {11025, 16, 2}, {11025, 16, 1}, {11025, 8, 2},  {11025, 8, 1},
};

struct FallbackCase {
    const char* label;
    bool (*accepts)(const AUD_PCMWAVEFORMAT&);
    std::size_t attempts;
};

const FallbackCase FallbackCases[] = {
    {"first format taken", [](const AUD_PCMWAVEFORMAT&) { return true; }, 1},
    {"8-bit only", [](const AUD_PCMWAVEFORMAT& f) { return f.wBitsPerSample == 8; }, 3},
    {"11025 mono only", [](const AUD_PCMWAVEFORMAT& f) { return f.nSamplesPerSec == 11025 && f.nChannels == 1; }, 10},
    {"nothing taken", [](const AUD_PCMWAVEFORMAT&) { return false; }, 12},
};

}  // namespace

TEST(SoundStartup, FallsBackThroughTheFormatsInOrder) {
    for (const auto& c : FallbackCases) {
        SCOPED_TRACE(c.label);
        FakeAudio audio;
        audio.acceptsFormat = c.accepts;
        SoundClass sound(FakeAudio::Table());
        sound.Startup();

        ASSERT_EQ(audio.formatsTried.size(), c.attempts);
        for (std::size_t i = 0; i < c.attempts; ++i) {
            const AUD_PCMWAVEFORMAT& f = audio.formatsTried[i];
            EXPECT_EQ(Format(f.nSamplesPerSec, f.wBitsPerSample, f.nChannels), PreferenceOrder[i]);
            EXPECT_EQ(f.wFormatTag, 1);
            EXPECT_EQ(f.nBlockAlign, f.wBitsPerSample / 8 * f.nChannels);
            EXPECT_EQ(f.nAvgBytesPerSec, f.nSamplesPerSec * f.nBlockAlign);
        }
        const bool opened = c.accepts(audio.formatsTried.back());
        EXPECT_EQ(sound.IsEnabled(), opened);
        EXPECT_EQ(audio.Calls("allocate 77").size(), opened ? 15u : 0u);
        EXPECT_EQ(audio.calls.front(), "startup");
        EXPECT_EQ(audio.calls[1], "preference 15 1");
        EXPECT_EQ(audio.calls.back(), "cd open 0");  // also without output
    }
}

TEST(SoundStartup, SaysOnceThatItPlaysWithoutSound) {
    for (bool opened : {true, false}) {
        SCOPED_TRACE(opened ? "enabled" : "no output");
        FakeAudio audio;
        audio.acceptsFormat = [opened](const AUD_PCMWAVEFORMAT&) { return opened; };
        SoundClass sound(FakeAudio::Table());
        testing::internal::CaptureStderr();
        sound.Startup();
        sound.Startup();
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  opened ? "" : "corvanta: no audio device could be opened: playing without sound\n");
    }
}

TEST(SoundStartup, ShutdownReleasesTheLibraryOnlyWhenEnabled) {
    for (bool opened : {true, false}) {
        SCOPED_TRACE(opened ? "enabled" : "no output");
        FakeAudio audio;
        audio.acceptsFormat = [opened](const AUD_PCMWAVEFORMAT&) { return opened; };
        SoundClass sound(FakeAudio::Table());
        sound.Startup();
        audio.calls.clear();
        sound.Shutdown();
        const std::vector<std::string> released{"cd close 55", "shutdown"};
        EXPECT_EQ(audio.calls, opened ? released : std::vector<std::string>{});
        audio.calls.clear();
        sound.ShutdownLibrary();
        EXPECT_EQ(audio.calls, std::vector<std::string>{"shutdown"});
    }
}

TEST_F(SoundTest, WithoutTheFirstVoiceNoMusicVoiceIsAllocatedAndMusicStaysSilent) {
    audio.allocationLimit = 0;
    Start();
    MakeFile("theme.wav");
    for (MusicMode mode : {MusicMode::Mix, MusicMode::Wait, MusicMode::Fade}) Play("theme", mode);
    EXPECT_TRUE(audio.Calls("init").empty());
    EXPECT_EQ(sound->PlayingCount() + sound->QueuedCount(), 0u);
    EXPECT_EQ(audio.allocated.size(), 0u);
}
