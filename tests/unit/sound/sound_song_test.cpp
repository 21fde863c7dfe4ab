// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound_fixture.h"

namespace {

struct SectionFiles {
    const char* name;
    std::vector<std::size_t> sizes;  // of files 1, 2, ...; 0 leaves a gap
};

// Every file has a size of its own, so the queued entries tell which was chosen.
constexpr std::size_t Size(int section, int number) { return 1000 + 100 * section + number; }

}  // namespace

class SongTest : public SoundTest {
protected:
    void MakeSections(const std::vector<SectionFiles>& sections) {
        for (const auto& section : sections)
            for (std::size_t i = 0; i < section.sizes.size(); ++i)
                if (section.sizes[i] != 0)
                    MakeFile(std::string(section.name) + "/" + section.name + std::to_string(i + 1) + ".wav",
                             section.sizes[i]);
    }

    void MakeNumberedSections(int intros, int verses, int choruses, int bridges, int outros) {
        std::vector<SectionFiles> sections = {
            {"intro", {}}, {"verse", {}}, {"chorus", {}}, {"bridge", {}}, {"outro", {}}};
        const int counts[] = {intros, verses, choruses, bridges, outros};
        for (int s = 0; s < 5; ++s)
            for (int n = 1; n <= counts[s]; ++n) sections[s].sizes.push_back(Size(s, n));
        MakeSections(sections);
    }

    std::vector<std::size_t> QueuedSizes() const {
        std::vector<std::size_t> sizes;
        for (std::uint32_t i = 0; i < sound->QueuedCount(); ++i) sizes.push_back(sound->QueuedAt(i)->size);
        return sizes;
    }

    std::vector<std::int32_t> QueuedPlayCounts() const {
        std::vector<std::int32_t> counts;
        for (std::uint32_t i = 0; i < sound->QueuedCount(); ++i) counts.push_back(sound->QueuedAt(i)->playCount);
        return counts;
    }
};

TEST(SongRandom, IsTheIsoCSampleGeneratorStartingFromOne) {
    SongRandom random;
    std::vector<std::int32_t> drawn;
    for (int i = 0; i < 6; ++i) drawn.push_back(random.Next());
    EXPECT_EQ(drawn, (std::vector<std::int32_t>{16838, 5758, 10113, 17515, 31051, 5627}));
}

// Draws 16838, 5758, 10113, 17515, 31051 make the first pass, 5627, 23010,
// 7419, 16212, 4086 the second; a missing folder still takes its draw.
TEST_F(SongTest, PassesFollowThePlanWithChoicesFromTheGenerator) {
    const struct {
        const char* label;
        int verses;
        std::vector<std::size_t> firstPass, secondPass;
    } cases[] = {
        {"all sections",
         3,
         {Size(0, 1), Size(1, 2), Size(2, 2), Size(3, 2), Size(1, 2), Size(2, 2), Size(2, 2), Size(4, 1)},
         {Size(0, 2), Size(1, 1), Size(2, 2), Size(3, 1), Size(1, 1), Size(2, 2), Size(2, 2), Size(4, 1)}},
        {"no verses",
         0,
         {Size(0, 1), Size(2, 2), Size(3, 2), Size(2, 2), Size(2, 2), Size(4, 1)},
         {Size(0, 2), Size(2, 2), Size(3, 1), Size(2, 2), Size(2, 2), Size(4, 1)}},
    };
    const std::filesystem::path base = folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        folder = base / (c.verses ? "all" : "no-verses");
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(win::SetCurrentDirectoryA(folder.string().c_str()));
        MakeNumberedSections(2, c.verses, 2, 2, 1);
        MakeSections({{"chorus", {0, 0, 0, Size(2, 4)}}});  // after a gap: never counted
        Start();
        sound->CountSongSections();
        sound->QueueSongPass();
        EXPECT_EQ(QueuedSizes(), c.firstPass);
        std::uint32_t bytes = 0;
        for (std::size_t size : c.firstPass) bytes += static_cast<std::uint32_t>(size);
        EXPECT_EQ(sound->SongBytes(), bytes);
        if (c.verses != 0) {
            EXPECT_EQ(QueuedPlayCounts(), (std::vector<std::int32_t>{1, 2, 2, 2, 2, 2, 2, 1}));
        }

        sound->StopMusic();
        EXPECT_EQ(sound->SongBytes(), 0u);
        sound->QueueSongPass();
        EXPECT_EQ(QueuedSizes(), c.secondPass);
    }
}

TEST_F(SongTest, TheBudgetSkipsSectionsThatDoNotFitAndCountsOnlyWhatWasAccepted) {
    // 4,000,000 + 4,000,000 + 100 fit; the chorus and an outro that would reach
    // the budget exactly do not.
    MakeSections(
        {{"intro", {4000000}}, {"verse", {4000000}}, {"chorus", {200000}}, {"bridge", {100}}, {"outro", {191900}}});
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "sound on" : "sound disabled");
        audio.acceptsFormat = [enabled](const AUD_PCMWAVEFORMAT&) { return enabled; };
        Start();
        sound->CountSongSections();
        sound->QueueSongPass();
        EXPECT_EQ(QueuedSizes(),
                  enabled ? (std::vector<std::size_t>{4000000, 4000000, 100}) : std::vector<std::size_t>{});
        EXPECT_EQ(sound->SongBytes(), enabled ? 8000100u : 0u);
    }
}

// Seven mixed pieces hold voices 0 to 6: the pass gets voices 7 to 13 and its
// outro waits for a voice, yet every section plays, in plan order.
TEST_F(SongTest, AFullPassPlaysInPlanOrderAndTheNextFollowsAtOnce) {
    MakeNumberedSections(1, 1, 1, 1, 1);
    MakeFile("m.wav");
    Start();
    for (int i = 0; i < 7; ++i) Play("m", MusicMode::Mix);
    sound->CountSongSections();
    sound->QueueSongPass();
    ASSERT_EQ(sound->QueuedCount(), 8u);
    EXPECT_EQ(sound->QueuedAt(7)->voice, 0u);

    for (std::uint32_t i = 0; i < 7; ++i) audio.Finish(sound->PlayingAt(i)->voice);
    sound->Service();  // the mixed pieces are released, and the intro starts
    std::vector<std::size_t> played;
    for (int step = 0; step < 8; ++step) {
        sound->Service();
        ASSERT_EQ(sound->PlayingCount(), 1u) << step;
        played.push_back(sound->PlayingAt(0)->size);
        audio.Finish(sound->PlayingAt(0)->voice);
    }
    EXPECT_EQ(played, (std::vector<std::size_t>{Size(0, 1), Size(1, 1), Size(2, 1), Size(3, 1), Size(1, 1), Size(2, 1),
                                                Size(2, 1), Size(4, 1)}));
    // The service that releases the outro queues the next pass and starts its intro.
    sound->Service();
    ASSERT_EQ(sound->PlayingCount(), 1u);
    EXPECT_EQ(sound->PlayingAt(0)->size, Size(0, 1));
    EXPECT_EQ(sound->QueuedCount(), 7u);
    EXPECT_EQ(sound->SongBytes(), 9508u);  // sizes of one whole pass
}

// The end of a voice's previous sound, reported late, must not let queued
// music start over the sound that now plays on that voice.
TEST_F(SongTest, ALateEndReportDoesNotFinishTheVoicesNewSound) {
    MakeFile("a.wav");
    MakeFile("b.wav");
    Start();
    Play("a", MusicMode::Fade);
    const AUD_HANDLE voice = sound->PlayingAt(0)->voice;
    Play("b", MusicMode::Wait);
    SoundClass::OnSampleEnd(voice);
    sound->Service();
    EXPECT_EQ(sound->QueuedCount(), 1u);
    audio.Finish(voice);
    sound->Service();
    EXPECT_EQ(sound->QueuedCount(), 0u);
}
