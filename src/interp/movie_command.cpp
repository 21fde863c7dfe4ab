// SPDX-License-Identifier: GPL-3.0-or-later
// The MOVIE line: the movie plays to its end inside the line loop.
#include "interp/interp_win.h"
#include "interp/movie_host.h"
#include "interp/pump.h"
#include "still/slide_win.h"

void WindowMovieHost::FatalError(const char* text) { host_.FatalError(text, nullptr); }
bool WindowMovieHost::PumpMessages() { return ::PumpMessages(host_); }
bool WindowMovieHost::TakeAbort() { return host_.TakeMovieAbort(); }
void WindowMovieHost::Serve() { host_.Serve(); }
win::DWORD WindowMovieHost::Ticks() { return win::GetTickCount(); }
void WindowMovieHost::WaitForMessage(win::DWORD milliseconds) {
    win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, milliseconds, win::QS_ALLINPUT);
}
bool WindowMovieHost::AttachMovieSound(const char* path) { return host_.AttachMovieSound(path); }
void WindowMovieHost::StartMovieSound() { host_.StartMovieSound(); }
void WindowMovieHost::DropUnstartedMovieSound() { host_.DropUnstartedMovieSound(); }

bool DInterpWin::DoMovie(const script::ScriptLine& line) {
    if (line.error) {
        host_.FatalError(line.error, nullptr);
        return false;
    }
    ReleaseMedia();
    state_ = InterpState::Movie;
    auto created = std::make_unique<DFLCWindow>(Handle(), line.name.c_str(), movieHost_);
    DFLCWindow& movie = *created;
    media_ = std::move(created);
    if (movie.ready) movie.Play();
    return true;
}
