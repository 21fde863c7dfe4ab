// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/player_host.h"

#include "app/globals.h"
#include "interp/message_class.h"
#include "sound/sound_class.h"

void PlayerHost::FatalError(const char* text, win::HWND owner) { ErrorReporter->FatalError(text, owner); }

void PlayerHost::Serve() { SoundManager->Serve(); }

bool PlayerHost::RestartRequested() { return ::RestartRequested != 0; }

bool PlayerHost::TakeFirstPaint() {
    if (!FirstPaint) return false;
    FirstPaint = 0;
    return true;
}

void PlayerHost::RequestMovieAbort() { AbortMovie = 1; }

bool PlayerHost::TakeMovieAbort() {
    const bool requested = AbortMovie != 0;
    AbortMovie = 0;
    return requested;
}

void PlayerHost::ServiceSound() { SoundManager->Service(); }

void PlayerHost::ReleaseSoundForRun() {
    SoundManager->Shutdown();
    SoundManager->ShutdownLibrary();
}

void PlayerHost::ResumeSoundAfterRun() { SoundManager->Startup(); }

void PlayerHost::ReleaseSoundForExec() {
    SoundManager->StopMusic();
    SoundManager->ShutdownLibrary();
}

void PlayerHost::StartMusic(const char* name, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                            std::uint32_t cdTrack, EntryKind kind) {
    SoundManager->StartMusic(name, playOnce, mode, loopCount, cdTrack, kind);
}

void PlayerHost::QueueSongPass() {
    SoundManager->CountSongSections();
    SoundManager->QueueSongPass();
}

bool PlayerHost::AttachMovieSound(const char* path) { return SoundManager->AttachMovieSound(path); }

void PlayerHost::StartMovieSound() { SoundManager->StartMovieSound(); }

void PlayerHost::DropUnstartedMovieSound() { SoundManager->DropUnstartedMovieSound(); }
