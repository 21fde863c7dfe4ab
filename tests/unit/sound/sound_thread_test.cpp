// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <thread>

#include "sound_fixture.h"

// The library may report ends of samples from its mixing thread while the
// main thread changes the lists; run under ThreadSanitizer to check the guard.
TEST_F(SoundTest, EndOfSampleFromAnotherThreadWhileTheListsChange) {
    Start();
    MakeFile("a.wav");
    MakeFile("b.wav");
    std::vector<AUD_HANDLE> voices;
    for (std::size_t i = 0; i < SoundClass::MusicVoices; ++i) voices.push_back(audio.Voice(i));

    std::atomic<bool> stop{false};
    std::thread mixer([&] {
        while (!stop.load())
            for (AUD_HANDLE voice : voices) SoundClass::OnSampleEnd(voice);
    });
    for (int round = 0; round < 50; ++round) {
        for (int i = 0; i < 3; ++i) sound->StartMusic("a", 1, MusicMode::Mix, 0, 0, EntryKind::MusicFile);
        sound->StartMusic("b", 1, MusicMode::Wait, 0, 0, EntryKind::MusicFile);
        // The mixed sounds end; the other thread's marks race the releases.
        for (std::uint32_t i = 0; i < 3; ++i) audio.voices[sound->PlayingAt(i)->voice].status = AUD_SAMPLE_DONE;
        for (int tries = 0; tries < 100000 && sound->QueuedCount() != 0; ++tries) {
            sound->Service();
            std::this_thread::yield();
        }
        ASSERT_EQ(sound->QueuedCount(), 0u) << "round " << round;
        EXPECT_EQ(sound->PlayingCount(), 1u);
        sound->StopMusic();
    }
    stop = true;
    mixer.join();
    EXPECT_EQ(sound->PlayingCount(), 0u);
}
