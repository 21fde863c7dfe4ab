// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_fixture.h"

namespace {

constexpr auto WaitMode = MusicMode::Wait;
constexpr auto MixMode = MusicMode::Mix;
constexpr auto Fade = MusicMode::Fade;

}  // namespace

TEST_F(SoundTest, QueuedMusicStartsOneAtATimeOnceTheHeadHasFinished) {
    Start();
    MakeFile("a.wav");
    MakeFile("b.wav");
    Play("a", WaitMode);
    Play("b", WaitMode);
    const AUD_HANDLE a = sound->QueuedAt(0)->voice, b = sound->QueuedAt(1)->voice;
    // What wakes the program for the service: music waiting while nothing
    // plays, and each end; nothing while the head plays.
    EXPECT_TRUE(sound->ServiceDue());

    sound->Service();  // empty playing list: one start only
    EXPECT_FALSE(sound->ServiceDue());
    EXPECT_TRUE(sound->ServiceRunning());
    EXPECT_EQ(audio.Calls("start"), std::vector<std::string>{Call("start", a)});
    ASSERT_EQ(sound->PlayingCount(), 1u);
    EXPECT_EQ(sound->PlayingAt(0)->queueState, QueueState::StartedFromQueue);
    EXPECT_EQ(sound->QueuedCount(), 1u);

    sound->Service();  // head still playing
    EXPECT_EQ(audio.Calls("start").size(), 1u);

    audio.Finish(a);
    EXPECT_TRUE(sound->ServiceDue());
    sound->Service();  // b starts, a is released
    EXPECT_FALSE(sound->ServiceDue());
    EXPECT_EQ(audio.Calls("start").back(), Call("start", b));
    ASSERT_EQ(sound->PlayingCount(), 1u);
    EXPECT_EQ(sound->PlayingAt(0)->voice, b);
    EXPECT_EQ(sound->QueuedCount(), 0u);
}

TEST_F(SoundTest, QueuedEntriesThatCannotStartArePassedOver) {
    Start();
    MakeFile("a.wav");
    MakeFile("b.wav");
    audio.cdTracks = 3;
    audio.cdTrackRange[2] = {150, 900};
    for (bool cdFirst : {true, false}) {
        SCOPED_TRACE(cdFirst ? "CD does not play" : "voice busy");
        sound->StopMusic();
        if (cdFirst) {
            audio.cdPlayResult = 0;
            sound->StartMusic("cdaudio", 1, WaitMode, 0, 2, EntryKind::CdTrack);
        } else {
            Play("a", WaitMode);
            audio.voices[sound->QueuedAt(0)->voice].status = AUD_SAMPLE_PLAYING;
        }
        Play("b", WaitMode);
        const AUD_HANDLE b = sound->QueuedAt(1)->voice;
        sound->Service();
        ASSERT_EQ(sound->PlayingCount(), 1u);
        EXPECT_EQ(sound->PlayingAt(0)->voice, b);
        EXPECT_EQ(audio.Calls("start").back(), Call("start", b));
        ASSERT_EQ(sound->QueuedCount(), 1u);
        EXPECT_EQ(sound->QueuedAt(0)->queueState, QueueState::Waiting);
        EXPECT_EQ(sound->QueuedAt(0)->kind, cdFirst ? EntryKind::CdTrack : EntryKind::MusicFile);
    }
}

TEST_F(SoundTest, EndedCdTrackIsReplayedWhenLoopingAndReleasedOtherwise) {
    Start();
    MakeFile("b.wav");
    audio.cdTracks = 5;
    audio.cdTrackRange[5] = {150, 900};
    for (std::int32_t playOnce : {0, 1}) {
        SCOPED_TRACE(playOnce ? "once" : "loop");
        sound->StartMusic("cdaudio", playOnce, Fade, 0, 5, EntryKind::CdTrack);
        Play("b", WaitMode);
        sound->Service();  // the CD plays: b waits
        EXPECT_EQ(sound->QueuedCount(), 1u);

        audio.calls.clear();
        audio.cdStatus = 0;  // the track has ended
        sound->Service();
        EXPECT_EQ(sound->QueuedCount(), 0u);  // b starts beside the replayed track
        EXPECT_EQ(audio.Calls("cd play"),
                  playOnce ? std::vector<std::string>{} : std::vector<std::string>{"cd play 55 150 900"});
        ASSERT_EQ(sound->PlayingCount(), playOnce ? 1u : 2u);
        EXPECT_EQ(sound->PlayingAt(0)->kind, playOnce ? EntryKind::MusicFile : EntryKind::CdTrack);
        if (!playOnce) {
            EXPECT_EQ(sound->PlayingAt(0)->loopMode, LoopMode::EndlessUnderWay);
        }
    }
}

TEST_F(SoundTest, FullListsRefuseTheEntryBeyondThem) {
    Start();
    for (const char* name : {"m.wav", "w.wav", "movie.wav"}) MakeFile(name);
    for (int i = 0; i < 8; ++i) Play("m", MixMode);
    EXPECT_EQ(sound->PlayingCount(), 7u);
    EXPECT_EQ(audio.Calls("init").size(), 7u);  // the eighth prepared nothing
    EXPECT_FALSE(sound->AttachMovieSound("movie.wav"));

    for (int i = 0; i < 15; ++i) Play("w", WaitMode);
    EXPECT_EQ(sound->QueuedCount(), 14u);
    EXPECT_EQ(audio.Calls("init").size(), 14u);  // voices 7 to 13; the rest wait for a voice
    EXPECT_EQ(sound->QueuedAt(7)->voice, 0u);

    // With the playing list full nothing more starts until finished entries are gone.
    for (std::uint32_t i = 0; i < 7; ++i) audio.Finish(sound->PlayingAt(i)->voice);
    sound->Service();
    EXPECT_EQ(sound->PlayingCount(), 0u);
    EXPECT_EQ(sound->QueuedCount(), 14u);
    sound->Service();
    EXPECT_EQ(sound->PlayingCount(), 1u);
    EXPECT_EQ(sound->QueuedCount(), 13u);
}

TEST_F(SoundTest, VoicesHeldByWaitingEntriesAreNotPreparedAgain) {
    Start();
    for (const char* name : {"a.wav", "b.wav", "c.wav", "m.wav"}) MakeFile(name);

    Play("a", WaitMode);
    Play("m", MixMode);  // a's voice reads idle but is taken
    EXPECT_EQ(sound->QueuedAt(0)->voice, audio.Voice(0));
    EXPECT_EQ(sound->PlayingAt(0)->voice, audio.Voice(1));

    Play("b", WaitMode);  // from index 1 on: voice 1 plays, voice 2 is free
    audio.Finish(audio.Voice(1));
    sound->Service();  // a starts; b moves up to the front
    ASSERT_EQ(sound->QueuedCount(), 1u);
    audio.voices[audio.Voice(1)].status = AUD_SAMPLE_PLAYING;
    Play("c", WaitMode);  // from index 1 on again: voice 1 plays, b holds voice 2
    EXPECT_EQ(sound->QueuedAt(1)->voice, audio.Voice(3));
    EXPECT_EQ(audio.Calls(Call("init", audio.Voice(2))).size(), 1u);
}

TEST_F(SoundTest, MusicFallsBackToVoiceSevenUnlessAWaitingEntryHoldsIt) {
    for (bool voiceSevenWaits : {false, true}) {
        SCOPED_TRACE(voiceSevenWaits ? "held" : "free");
        Start();
        MakeFile("m.wav");
        for (std::size_t i = 0; i < 7; ++i) audio.voices[audio.Voice(i)].status = AUD_SAMPLE_PLAYING;
        if (voiceSevenWaits) Play("m", WaitMode);
        Play("m", MixMode);
        EXPECT_EQ(audio.Calls(Call("init", audio.Voice(7))).size(), 1u);
        EXPECT_EQ(sound->PlayingCount(), voiceSevenWaits ? 0u : 1u);
        sound->DropQueue();
    }
}

namespace {

struct VolumeSteps {
    std::size_t count;
    std::int32_t first, last;
};

struct FadeCase {
    const char* label;
    std::vector<std::int32_t> volumes;  // of the playing voices, in start order
    std::vector<VolumeSteps> expected;
};

const FadeCase FadeCases[] = {
    {"one voice", {200}, {{15, 187, 5}}},
    {"lowest sets the step", {100, 30}, {{15, 98, 70}, {14, 28, 2}}},
    {"step at least 1", {10}, {{9, 9, 1}}},
    {"near full volume", {254}, {{15, 238, 14}}},
    {"lowest 0 gives step 0", {0, 30}, {{0, 0, 0}, {15, 30, 30}}},
    {"last read 0: no steps", {30, 0}, {{0, 0, 0}, {0, 0, 0}}},
};

}  // namespace

TEST_F(SoundTest, FadeOutStepsVolumesDownThenEndsEverything) {
    for (const auto& c : FadeCases) {
        SCOPED_TRACE(c.label);
        Start();
        MakeFile("m.wav");
        for (std::int32_t volume : c.volumes) {
            Play("m", MixMode);
            audio.voices[sound->PlayingAt(sound->PlayingCount() - 1)->voice].volume = volume;
        }
        audio.calls.clear();
        audio.volumeTicks.clear();
        sound->FadeOutPlaying();

        for (std::size_t i = 0; i < c.volumes.size(); ++i) {
            const AUD_HANDLE voice = audio.Voice(i);
            const auto sets = audio.Calls(Call("volume", voice) + " ");
            ASSERT_EQ(sets.size(), c.expected[i].count);
            if (!sets.empty()) {
                EXPECT_EQ(sets.front(), Call("volume", voice) + " " + std::to_string(c.expected[i].first));
                EXPECT_EQ(sets.back(), Call("volume", voice) + " " + std::to_string(c.expected[i].last));
            }
            std::vector<std::uint32_t> ticks;
            for (const auto& [changed, tick] : audio.volumeTicks)
                if (changed == voice) ticks.push_back(tick);
            for (std::size_t step = 1; step < ticks.size(); ++step) EXPECT_GE(ticks[step] - ticks[step - 1], 67u);
            EXPECT_EQ(audio.Calls(Call("eos", voice)), std::vector<std::string>{Call("eos", voice) + " off"});
            EXPECT_EQ(audio.Calls(Call("end", voice)).size(), 1u);
        }
        EXPECT_EQ(sound->PlayingCount(), 0u);
    }
}

TEST_F(SoundTest, StopMusicEndsWhatPlaysAndDropsTheQueue) {
    Start();
    MakeFile("a.wav");
    MakeFile("b.wav");
    audio.cdTracks = 1;
    audio.cdTrackRange[1] = {150, 900};
    Play("a", MixMode);
    sound->StartMusic("cdaudio", 1, MixMode, 0, 1, EntryKind::CdTrack);
    Play("b", WaitMode);
    sound->StartMusic("cdaudio", 1, WaitMode, 0, 1, EntryKind::CdTrack);
    ASSERT_EQ(sound->PlayingCount(), 2u);
    ASSERT_EQ(sound->QueuedCount(), 2u);

    audio.calls.clear();
    sound->StopMusic();
    EXPECT_EQ(audio.Calls("end"), std::vector<std::string>{Call("end", audio.Voice(0))});
    EXPECT_EQ(audio.Calls("cd stop"), std::vector<std::string>{"cd stop 55"});
    EXPECT_EQ(sound->PlayingCount() + sound->QueuedCount(), 0u);
    sound->Service();
    EXPECT_TRUE(audio.Calls("start").empty());
}
