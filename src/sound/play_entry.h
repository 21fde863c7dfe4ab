// SPDX-License-Identifier: GPL-3.0-or-later
// One sound in the sound manager's playing list or waiting queue: a music
// file, a song section, a CD range or a movie sound. The list slot that holds
// it owns it and its image.
#pragma once

#include <cstdint>
#include <memory>

#include "audiolib/aud32.h"
#include "sound/file_image.h"

// The values are the ones the sound manager has always stored.
enum class QueueState : std::int32_t { StartedAtOnce = 0, Waiting = 1, StartedFromQueue = 4 };
enum class LoopMode : std::int32_t { PlayOnce = 0, EndlessRequested = 1, EndlessUnderWay = 2 };
enum class EndMark : std::int32_t { Open = 0, Finished = 2 };
enum class EntryKind : std::int32_t { MovieSound = 0, MusicFile = 1, SongSection = 2, CdTrack = 3 };
// Once a sectioned song is asked for, its passes follow one another.
enum class SongMode : std::int32_t { Off = 0, Playing = 1 };

struct PlayEntry {
    FileImage image;       // the whole sound file; none for CD entries
    AUD_HANDLE voice = 0;  // 0 for CD entries
    QueueState queueState = QueueState::StartedAtOnce;
    LoopMode loopMode = LoopMode::PlayOnce;
    EndMark finished = EndMark::Open;  // written by the end-of-sample procedure, under the list lock
    EntryKind kind = EntryKind::MovieSound;
    std::uint32_t size = 0;      // kept for song sections only
    std::int32_t playCount = 1;  // for a waiting entry that has no voice yet
    std::uint32_t cdTrack = 0;
    std::uint32_t cdStart = 0;
    std::uint32_t cdEnd = 0;
    // An attached movie sound whose voice is prepared but not yet started reads
    // idle; this keeps Service from releasing it before StartMovieSound.
    bool awaitingStart = false;

    bool IsCd() const { return !image && cdTrack != 0; }
};
