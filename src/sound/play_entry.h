// One sound in the sound manager's playing list or waiting queue: a music
// file, a song section, a CD range or a movie sound. The list slot that holds
// it owns it and its image.
#pragma once

#include <cstdint>
#include <memory>

#include "audiolib/aud32.h"

struct PlayEntry {
    static constexpr std::int32_t kStartedAtOnce = 0, kWaiting = 1, kStartedFromQueue = 4;  // queueState
    static constexpr std::int32_t kPlayOnce = 0, kEndlessRequested = 1, kEndlessUnderWay = 2;  // loopMode
    static constexpr std::int32_t kFinished = 2;                                               // finished
    static constexpr std::int32_t kMovieSound = 0, kMusicFile = 1, kSongSection = 2, kCdTrack = 3;  // kind

    std::unique_ptr<unsigned char[]> image;  // the whole sound file; null for CD entries
    AUD_HANDLE voice = 0;                    // 0 for CD entries
    std::int32_t queueState = kStartedAtOnce;
    std::int32_t loopMode = kPlayOnce;
    std::int32_t finished = 0;  // written by the end-of-sample procedure, under the list lock
    std::int32_t kind = kMovieSound;
    std::uint32_t size = 0;  // kept for song sections only
    std::int32_t playCount = 1;  // for a waiting entry that has no voice yet
    std::uint32_t cdTrack = 0;
    std::uint32_t cdStart = 0;
    std::uint32_t cdEnd = 0;
    // An attached movie sound whose voice is prepared but not yet started reads
    // idle; this keeps Service from releasing it before StartMovieSound.
    bool awaitingStart = false;

    bool IsCd() const { return !image && cdTrack != 0; }
};
