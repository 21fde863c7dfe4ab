// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_fixture.h"

namespace {

constexpr auto WaitMode = MusicMode::Wait;
constexpr auto MixMode = MusicMode::Mix;
constexpr auto Fade = MusicMode::Fade;

}  // namespace

TEST_F(SoundTest, MusicNamesPlayTheWavOfTheirBaseName) {
    struct Case {
        const char* name;
        const char* file;  // present in the folder; null: none
        bool plays;
    };
    const Case cases[] = {
        {"theme", "theme.wav", true}, {"theme.mid", "theme.wav", true}, {"Theme.x.y", "Theme.wav", true},
        {"missing", nullptr, false},  {"empty", "empty.wav", false},  // a file of zero bytes gives nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        if (c.file) MakeFile(c.file, std::string(c.name) == "empty" ? 0 : 100);
        Play(c.name, MixMode);
        EXPECT_EQ(sound->PlayingCount(), c.plays ? 1u : 0u);
        EXPECT_EQ(audio.Calls("start").size(), c.plays ? 1u : 0u);
    }
}

TEST_F(SoundTest, PlayCountAndLoopModeFollowTheRequest) {
    struct Case {
        std::int32_t playOnce, loopCount;
        std::int32_t expectedCount;
        LoopMode expectedLoopMode;
    };
    const Case cases[] = {{1, 0, 1, LoopMode::PlayOnce},
                          {1, 3, 1, LoopMode::PlayOnce},
                          {0, 0, 0, LoopMode::EndlessRequested},
                          {0, 3, 3, LoopMode::EndlessRequested}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.playOnce << " " << c.loopCount);
        Start();
        MakeFile("theme.wav");
        Play("theme", MixMode, c.playOnce, c.loopCount);
        const AUD_HANDLE voice = audio.Voice(0);
        std::erase(audio.calls, "serve");
        EXPECT_EQ(audio.calls, (std::vector<std::string>{Call("init", voice), Call("file", voice) + " -1",
                                                         Call("loops", voice) + " " + std::to_string(c.expectedCount),
                                                         Call("start", voice), Call("eos", voice) + " on"}));
        ASSERT_EQ(sound->PlayingCount(), 1u);
        EXPECT_EQ(sound->PlayingAt(0)->loopMode, c.expectedLoopMode);
        EXPECT_EQ(sound->PlayingAt(0)->finished, EndMark::Open);
    }
}

TEST_F(SoundTest, CdRequestsPlayUsableTracksAndOtherwiseLookForTheNameAsWritten) {
    struct Case {
        const char* label;
        std::uint32_t track;
        bool playsCd;
    };
    const Case cases[] = {{"usable track", 5, true},
                          {"above the track count", 6, false},
                          {"start 0", 2, false},
                          {"end not above start", 3, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Start();
        MakeFile("cdaudio");  // no extension: only a CD request that falls back finds it
        audio.cdTracks = 5;
        audio.cdTrackRange = {{5, {150, 900}}, {2, {0, 900}}, {3, {900, 900}}};
        sound->StartMusic("cdaudio", 1, MixMode, 0, c.track, EntryKind::CdTrack);
        ASSERT_EQ(sound->PlayingCount(), 1u);
        EXPECT_EQ(sound->PlayingAt(0)->IsCd(), c.playsCd);
        EXPECT_EQ(audio.Calls("cd play").size(), c.playsCd ? 1u : 0u);
        EXPECT_EQ(audio.Calls("start").size(), c.playsCd ? 0u : 1u);
    }
}

TEST_F(SoundTest, FadeReplacesWhatPlaysWhileMixAndNoneDoNot) {
    Start();
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) MakeFile(name);
    Play("a", MixMode);
    Play("b", MixMode);
    EXPECT_EQ(sound->PlayingCount(), 2u);
    Play("c", WaitMode);
    Play("a", Fade);  // the queue survives a fade
    EXPECT_EQ(sound->PlayingCount(), 1u);
    EXPECT_EQ(sound->QueuedCount(), 1u);
    EXPECT_EQ(audio.Calls("end").size(), 2u);
    sound->StartMusic("NoNe", 1, MixMode, 0, 0, EntryKind::MusicFile);
    EXPECT_EQ(sound->PlayingCount() + sound->QueuedCount(), 0u);
}

TEST_F(SoundTest, MovieSoundWaitsForItsStartAndIsReleasedAfterItEnds) {
    Start();
    MakeFile("movie.wav");
    ASSERT_TRUE(sound->AttachMovieSound("movie.wav"));
    const AUD_HANDLE voice = audio.Voice(0);
    EXPECT_TRUE(audio.Calls("start").empty());
    EXPECT_TRUE(audio.Calls("loops").empty());  // plays once
    EXPECT_EQ(audio.calls.back(), "serve");

    sound->Service();  // prepared, not started: reads idle but is kept
    ASSERT_EQ(sound->PlayingCount(), 1u);
    MakeFile("m.wav");
    Play("m", MixMode);  // does not take the movie's voice
    EXPECT_EQ(sound->PlayingAt(1)->voice, audio.Voice(1));

    sound->StartMovieSound();
    EXPECT_EQ(audio.Calls("start").back(), Call("start", voice));
    audio.Finish(voice);
    sound->Service();
    ASSERT_EQ(sound->PlayingCount(), 1u);
    EXPECT_EQ(sound->PlayingAt(0)->voice, audio.Voice(1));
}

TEST_F(SoundTest, MovieWithoutSoundOrFreeVoiceAttachesNothing) {
    for (bool fileMissing : {true, false}) {
        SCOPED_TRACE(fileMissing ? "no file" : "voices 0 to 6 busy");
        Start();
        if (!fileMissing) {
            MakeFile("movie.wav");
            for (std::size_t i = 0; i < 7; ++i) audio.voices[audio.Voice(i)].status = AUD_SAMPLE_PLAYING;
        }
        EXPECT_FALSE(sound->AttachMovieSound("movie.wav"));
        EXPECT_EQ(audio.calls.back(), "serve");
        sound->StartMovieSound();
        EXPECT_TRUE(audio.Calls("init").empty());
        EXPECT_TRUE(audio.Calls("start").empty());
        EXPECT_EQ(sound->PlayingCount(), 0u);
    }
}
