// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation window's host in the player: the run's sound manager,
// error reporter and flags.
#pragma once

#include "interp/interp_host.h"

class PlayerHost final : public InterpHost {
public:
    void FatalError(const char* text, win::HWND owner) override;
    void Serve() override;
    bool RestartRequested() override;
    bool TakeFirstPaint() override;
    void RequestMovieAbort() override;
    bool TakeMovieAbort() override;
    void ServiceSound() override;
    void ReleaseSoundForRun() override;
    void ResumeSoundAfterRun() override;
    void ReleaseSoundForExec() override;
    void StartMusic(const char* name, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                    std::uint32_t cdTrack, EntryKind kind) override;
    void QueueSongPass() override;
    bool AttachMovieSound(const char* path) override;
    void StartMovieSound() override;
    void DropUnstartedMovieSound() override;
};
