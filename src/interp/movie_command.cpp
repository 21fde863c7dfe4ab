// SPDX-License-Identifier: GPL-3.0-or-later
// The MOVIE line: the movie plays to its end inside the line loop.
#include "flic/flc_window.h"
#include "interp/globals.h"
#include "interp/interp_win.h"
#include "interp/pump.h"
#include "platform/message_class.h"
#include "sound/sound_class.h"
#include "still/slide_win.h"

namespace {

// A movie reaches the error reporter, the message pump, the abort flag and
// the sound manager through the program's globals.
class ProgramMovieHost final : public MovieHost {
public:
    void FatalError(const char* text) override { ErrorReporter->FatalError(text); }
    bool PumpMessages() override { return ::PumpMessages(); }
    bool TakeAbort() override {
        const bool requested = AbortMovie != 0;
        AbortMovie = 0;
        return requested;
    }
    void Serve() override {
        if (SoundManager) SoundManager->Serve();
    }
    win::DWORD Ticks() override { return win::GetTickCount(); }
    void WaitForMessage(win::DWORD milliseconds) override {
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, milliseconds, win::QS_ALLINPUT);
    }
    bool AttachMovieSound(const char* path) override { return SoundManager && SoundManager->AttachMovieSound(path); }
    void StartMovieSound() override {
        if (SoundManager) SoundManager->StartMovieSound();
    }
    void DropUnstartedMovieSound() override {
        if (SoundManager) SoundManager->DropUnstartedMovieSound();
    }
};

ProgramMovieHost TheMovieHost;

}  // namespace

bool DInterpWin::DoMovie(const script::ScriptLine& line) {
    if (line.error) {
        ErrorReporter->FatalError(line.error);
        return false;
    }
    ReleaseMedia();
    state_ = InterpState::Movie;
    auto created = std::make_unique<DFLCWindow>(Handle(), line.name.c_str(), TheMovieHost);
    DFLCWindow& movie = *created;
    media_ = std::move(created);
    if (movie.ready) movie.Play();
    return true;
}
