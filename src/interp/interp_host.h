// SPDX-License-Identifier: GPL-3.0-or-later
// What the presentation window needs from the program around it: the error
// reporter, the sound manager and the run's flags. The stills it loads reach
// the same host.
#pragma once

#include <cstdint>

#include "sound/music_mode.h"
#include "sound/play_entry.h"
#include "still/slide_win.h"

class InterpHost : public SlideHost {
public:
    // ---- the run's flags
    // Whether the root script resumes after its "restart" line.
    virtual bool RestartRequested() = 0;
    // True once, at the first paint: it starts the presentation.
    virtual bool TakeFirstPaint() = 0;
    // The viewer's request to cut the playing movie short, and its taking.
    virtual void RequestMovieAbort() = 0;
    virtual bool TakeMovieAbort() = 0;

    // ---- the sound manager (Serve, from SlideHost, keeps playback going)
    // Moves music forward; once per message pumped.
    virtual void ServiceSound() = 0;
    // RUN lends the audio device to the other program while it runs; the
    // music is not resumed after.
    virtual void ReleaseSoundForRun() = 0;
    virtual void ResumeSoundAfterRun() = 0;
    // EXEC hands over for good: the music stops and the library lets go.
    virtual void ReleaseSoundForExec() = 0;
    // As SoundClass::StartMusic.
    virtual void StartMusic(const char* name, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                            std::uint32_t cdTrack, EntryKind kind) = 0;
    // One pass of the sectioned song found below the current folder.
    virtual void QueueSongPass() = 0;
    virtual bool AttachMovieSound(const char* path) = 0;
    virtual void StartMovieSound() = 0;
    virtual void DropUnstartedMovieSound() = 0;

protected:
    ~InterpHost() = default;
};
