// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation window on a headless platform, through a fake host: the
// line loop with GOTO and RESTART, and a still with a hotspot moved on by
// the viewer's input.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "interp/interp_win.h"
#include "interp/pump.h"
#include "support/bmp_writer.h"
#include "support/fake_host.h"
#include "support/flc_writer.h"
#include "support/fresh_session.h"
#include "support/player_run.h"

namespace {

using Lines = std::vector<std::string>;

class Presentation : public testing::Test {
protected:
    void SetUp() override {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/') c = '-';
        std::filesystem::current_path(test::MakeTempDir("interp-" + name));
        window_ = std::make_unique<DInterpWin>(host_);
        ASSERT_TRUE(window_->Create(nullptr, "presentation"));
        win::MoveWindow(window_->Handle(), 0, 0, 64, 48, win::FALSE);
    }
    void TearDown() override {
        window_.reset();
        std::filesystem::current_path(previous_);
    }

    // True when the quit request is next: everything before it was handled.
    bool PumpToQuit() { return !PumpMessages(host_); }

    test::SessionWith session_{{{"CORVANTA_DRIVER", "headless"}}};
    std::filesystem::path previous_ = std::filesystem::current_path();
    test::FakeHost host_;
    std::unique_ptr<DInterpWin> window_;
};

// ---------------------------------------------------------------- the line loop

struct ScriptCase {
    std::string name;
    std::string script;  // none: the folder has no script
    bool restart;
    Lines sound;
    Lines errors;
};
void PrintTo(const ScriptCase& c, std::ostream* out) { *out << c.name; }

class Script : public Presentation, public testing::WithParamInterface<ScriptCase> {};

// The first paint starts the presentation, which returns once it has quit.
TEST_P(Script, RunsToTheQuit) {
    const ScriptCase& c = GetParam();
    if (!c.script.empty()) test::WriteFile("sequence", c.script);
    host_.restart = c.restart;
    win::InvalidateRect(window_->Handle(), nullptr, win::TRUE);
    win::UpdateWindow(window_->Handle());

    EXPECT_FALSE(host_.firstPaint);
    EXPECT_TRUE(PumpToQuit());
    EXPECT_EQ(host_.sound, c.sound);
    EXPECT_EQ(host_.errors, c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Script,
    testing::Values(
        ScriptCase{"MusicOptions",
                   "music a.wav loop mix\nmusic cdaudio t3 l2 wait\nmusic autodigitalaudio go\nexit\n",
                   false,
                   {"music a.wav 0 4 0 0 1", "music cdaudio 1 2 2 3 3", "song pass"},
                   {}},
        ScriptCase{"GotoSkipsLines",
                   "goto 3\nmusic skipped.wav\nmusic landed.wav\nexit\n",
                   false,
                   {"music landed.wav 1 3 0 0 1"},
                   {}},
        ScriptCase{"GotoWithoutNumber", "goto\nmusic after.wav\n", false, {}, {"GOTO line number missing."}},
        ScriptCase{"GotoPastTheEnd", "goto 9\nmusic a.wav\n", false, {}, {"Goto found too few lines in SEQUENCE."}},
        ScriptCase{"RestartMarkOnly",
                   "music before.wav\nrestart\nmusic after.wav\n",
                   false,
                   {"music before.wav 1 3 0 0 1", "music after.wav 1 3 0 0 1"},
                   {}},
        ScriptCase{"RestartResumesAfterMark",
                   "music before.wav\nrestart\nmusic after.wav\n",
                   true,
                   {"music after.wav 1 3 0 0 1"},
                   {}},
        ScriptCase{"RestartWithoutMarkStartsOver", "music a.wav\nexit\n", true, {"music a.wav 1 3 0 0 1"}, {}},
        ScriptCase{"ExecReleasesTheSound", "exec\nmusic never.wav\n", false, {"release for exec"}, {}},
        ScriptCase{"NoScript", "", false, {}, {"Unable to open SEQUENCE file."}}),
    [](const testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

// ---------------------------------------------------------------- a movie

// The movie asks the host for its sound; after it, the state stays that of a
// movie, so a key asks the host to abort the next one.
TEST_F(Presentation, MovieReachesTheHost) {
    flc::Movie movie;
    movie.width = movie.height = 8;
    movie.frames = {flc::Frame{{flc::Black()}}};
    ASSERT_TRUE(flc::WriteFile("m.flc", movie));
    test::WriteFile("m.wav", "");
    test::WriteFile("sequence", "movie m.flc\n");
    host_.firstPaint = false;

    window_->StartPresentation();
    EXPECT_EQ(host_.sound, Lines{"attach m.wav"});
    EXPECT_EQ(host_.errors, Lines{});
    EXPECT_EQ(window_->State(), InterpState::Movie);
    EXPECT_FALSE(host_.abortMovie);

    win::MSG quit{};
    ASSERT_TRUE(win::PeekMessageA(&quit, nullptr, 0, 0, win::PM_REMOVE));
    ASSERT_EQ(quit.message, win::WM_QUIT);
    win::PostMessageA(window_->Handle(), win::WM_KEYDOWN, win::VK_SPACE, 0);
    EXPECT_FALSE(PumpToQuit());
    EXPECT_TRUE(host_.abortMovie);
    EXPECT_EQ(window_->State(), InterpState::Running);
}

// ---------------------------------------------------------------- a still and its input

// Lines 1-4 the still, 5-6 what "-next" goes on with, 7-8 the hotspot's target.
constexpr const char* StillScript =
    "still pic.bmp\n"
    "timeout 5 -goto 7\n"
    "hotspot 0 0 9 9 -goto 7\n"
    "endstill\n"
    "music next.wav\n"
    "exit\n"
    "music spot.wav\n"
    "exit\n";

enum class Input { SpotClick, MissClick, Key, Escape, Timeout };

struct StillCase {
    std::string name;
    Input input;
    bool quits;
    Lines sound;
    InterpState state;  // a click or timeout runs the script from the still's state
};
void PrintTo(const StillCase& c, std::ostream* out) { *out << c.name; }

class Still : public Presentation, public testing::WithParamInterface<StillCase> {};

TEST_P(Still, MovesOnByInput) {
    const StillCase& c = GetParam();
    test::BmpFile picture;
    picture.width = picture.height = 16;
    picture.colours.assign(2, {});
    picture.clrUsed = 2;
    picture.pixels = test::PackRows(std::vector<std::uint8_t>(256, 1), 16, 16, 8);
    test::WriteBytes("pic.bmp", picture.Bytes());
    test::WriteFile("sequence", StillScript);
    host_.firstPaint = false;

    ASSERT_TRUE(window_->OpenSequence(false));
    ASSERT_EQ(window_->State(), InterpState::Still);
    ASSERT_NE(window_->HotSpots(), nullptr);
    EXPECT_EQ(window_->LineNo(), 4);
    EXPECT_GT(host_.serves, 0);
    EXPECT_EQ(host_.errors, Lines{});

    const HotSpot& spot = *window_->HotSpots();
    const win::HWND handle = window_->Handle();
    switch (c.input) {
        case Input::SpotClick:
            win::PostMessageA(handle, win::WM_LBUTTONDOWN, 0, win::MAKELPARAM(spot.right, spot.bottom));
            break;
        case Input::MissClick:
            win::PostMessageA(handle, win::WM_LBUTTONDOWN, 0, win::MAKELPARAM(spot.right + 1, spot.bottom));
            break;
        case Input::Key: win::PostMessageA(handle, win::WM_KEYDOWN, win::VK_SPACE, 0); break;
        case Input::Escape: win::PostMessageA(handle, win::WM_KEYDOWN, win::VK_ESCAPE, 0); break;
        case Input::Timeout: win::PostMessageA(handle, win::WM_TIMER, StillTimerId, 0); break;
    }
    EXPECT_EQ(PumpToQuit(), c.quits);
    EXPECT_GT(host_.services, 0);  // the sound is served for every message handled
    EXPECT_EQ(host_.sound, c.sound);
    EXPECT_EQ(window_->State(), c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Input, Still,
    testing::Values(
        StillCase{"ClickOnTheHotspot", Input::SpotClick, true, {"music spot.wav 1 3 0 0 1"}, InterpState::Still},
        StillCase{"ClickBesideIt", Input::MissClick, false, {}, InterpState::Still},
        StillCase{"KeyGoesOnWithTheNextLine", Input::Key, true, {"music next.wav 1 3 0 0 1"}, InterpState::Running},
        StillCase{"EscapeQuits", Input::Escape, true, {}, InterpState::Still},
        StillCase{"Timeout", Input::Timeout, true, {"music spot.wav 1 3 0 0 1"}, InterpState::Still}),
    [](const testing::TestParamInfo<StillCase>& info) { return info.param.name; });

}  // namespace
