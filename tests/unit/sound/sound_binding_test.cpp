// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <fstream>
#include <vector>

#include "sound_fixture.h"

namespace {

const std::vector<std::string> LookUpOrder = {
    "_AUD_startup@0",
    "_AUD_shutdown@0",
    "_AUD_waveOutOpen@16",
    "_AUD_last_error@0",
    "_AUD_allocate_sample_handle@4",
    "_AUD_sample_status@4",
    "_AUD_init_sample@4",
    "_AUD_set_sample_file@12",
    "_AUD_set_sample_volume@8",
    "_AUD_sample_volume@4",
    "_AUD_set_sample_playback_rate@8",
    "_AUD_set_sample_type@12",
    "_AUD_set_sample_address@12",
    "_AUD_start_sample@4",
    "_AUD_set_sample_loop_count@8",
    "_AUD_mem_alloc_lock@4",
    "_AUD_mem_free_lock@4",
    "_AUD_file_read@8",
    "_AUD_file_size@4",
    "_AUD_serve@0",
    "_AUD_sample_buffer_ready@4",
    "_AUD_load_sample_buffer@16",
    "_AUD_minimum_sample_buffer_size@12",
    "_AUD_midiOutOpen@12",
    "_AUD_allocate_sequence_handle@4",
    "_AUD_init_sequence@12",
    "_AUD_start_sequence@4",
    "_AUD_end_sequence@4",
    "_AUD_end_sample@4",
    "_AUD_register_EOS_callback@8",
    "_AUD_register_timer@4",
    "_AUD_set_timer_period@8",
    "_AUD_set_timer_user@8",
    "_AUD_start_timer@4",
    "_AUD_set_preference@8",
    "_AUD_redbook_open@4",
    "_AUD_redbook_close@4",
    "_AUD_redbook_tracks@4",
    "_AUD_redbook_track_info@16",
    "_AUD_redbook_play@12",
    "_AUD_redbook_stop@4",
    "_AUD_redbook_status@4",
    "_AUD_redbook_position@4",
    "_AUD_redbook_loop@8",
};

void SomeAddress() {}

// The trace the platform writes for this test program.
class TraceFile : public ::testing::Environment {
public:
    void SetUp() override {
        path = test::MakeTempDir("trace") / "trace.txt";
        setenv("CORVANTA_TRACE", path.c_str(), 1);
    }
    static inline std::filesystem::path path;
};
const auto* const TraceSetUp = ::testing::AddGlobalTestEnvironment(new TraceFile);

}  // namespace

TEST(SoundBinding, LooksUpEveryDecoratedNameInOrderEvenAfterAFailure) {
    std::vector<std::string> asked;
    const AudEntryTable table = BindEntryPoints([&](const char* name) -> win::FARPROC {
        asked.emplace_back(name);
        return asked.size() == 1 ? nullptr : &SomeAddress;
    });
    EXPECT_EQ(asked, LookUpOrder);
    EXPECT_EQ(table.AUD_startup, nullptr);
    EXPECT_NE(table.AUD_redbook_position, nullptr);
    EXPECT_FALSE(IsFullyBound(table));
    EXPECT_TRUE(IsFullyBound(FakeAudio::Table()));
}

TEST_F(SoundTest, UnusableLibraryIsReportedOnceAndNeverCalled) {
    for (bool startupMissing : {true, false}) {
        SCOPED_TRACE(startupMissing ? "startup missing" : "another export missing");
        AudEntryTable table = FakeAudio::Table();
        if (startupMissing)
            table.AUD_startup = nullptr;
        else
            table.AUD_redbook_open = nullptr;
        std::error_code noTraceYet;
        auto traceBefore = std::filesystem::file_size(TraceFile::path, noTraceYet);
        if (noTraceYet) traceBefore = 0;
        sound = std::make_unique<SoundClass>(table);

        win::MSG message{};
        ASSERT_TRUE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE));
        EXPECT_EQ(message.message, win::WM_QUIT);
        EXPECT_EQ(message.wParam, 0u);
        std::ifstream trace(TraceFile::path);
        trace.seekg(static_cast<std::streamoff>(traceBefore));
        const std::string added{std::istreambuf_iterator<char>(trace), {}};
        EXPECT_NE(added.find("box\tnone\t0x0\tAborting Program\tError with 'aud32.dll"), std::string::npos) << added;

        MakeFile("theme.wav");
        sound->Startup();
        Play("theme", MusicMode::Mix);
        sound->Service();
        sound->Serve();
        EXPECT_FALSE(sound->AttachMovieSound("theme.wav"));
        sound->StopMusic();
        sound->Shutdown();
        sound->ShutdownLibrary();
        EXPECT_FALSE(sound->IsEnabled());
        EXPECT_TRUE(audio.calls.empty());
    }
}

TEST(SoundBinding, TheAudioLibraryBesideTheProgramBindsCompletely) {
    SoundClass sound;
    win::MSG message{};
    EXPECT_FALSE(win::PeekMessageA(&message, nullptr, 0, 0, win::PM_REMOVE));  // no quit request
    EXPECT_FALSE(sound.IsEnabled());                                           // until Startup
}
