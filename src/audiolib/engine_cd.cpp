// SPDX-License-Identifier: GPL-3.0-or-later
// The CD entry points of the engine. CD audio plays at full volume, mixed
// into the same output, read from its files as it plays.
#include <cstdlib>

#include "audiolib/engine.h"
#include "audiolib/host.h"
#include "audiolib/last_error.h"

namespace aud {

AUD_HANDLE Engine::CdOpen(std::uint32_t drive) {
    CatchUp();
    if (drive != 0) {
        SetLastError("no such CD drive");
        return 0;
    }
    {
        Lock lock(mutex_);
        if (cd_) return CdHandle;
    }
    // The setting wins over the disc the presentation plays from.
    const char* setting = std::getenv("CORVANTA_CDROM");
    if (!setting || !*setting) setting = host::Disc();
    if (!setting || !*setting) {
        SetLastError("no CD drive set up");
        return 0;
    }
    auto opened = CdDrive::Open(setting);
    if (!opened) {
        SetLastError("no playable CD tracks found");
        return 0;
    }
    Lock lock(mutex_);
    if (!cd_) cd_ = std::move(opened);
    return CdHandle;
}

void Engine::CdClose(AUD_HANDLE cd) {
    CatchUp();
    Lock lock(mutex_);
    if (!IsCd(cd)) return;
    StopCd();
    cd_.reset();
}

std::uint32_t Engine::CdTracks(AUD_HANDLE cd) {
    Lock lock(mutex_);
    return IsCd(cd) ? cd_->TrackCount() : 0;
}

void Engine::CdTrackInfo(AUD_HANDLE cd, std::uint32_t track, std::uint32_t* start, std::uint32_t* end) {
    Lock lock(mutex_);
    const CdTrack info = IsCd(cd) ? cd_->Track(track) : CdTrack{};
    if (start) *start = info.start;
    if (end) *end = info.end;
}

std::uint32_t Engine::CdPlay(AUD_HANDLE cd, std::uint32_t start, std::uint32_t end) {
    CatchUp();
    std::vector<CdPiece> pieces;
    {
        Lock lock(mutex_);
        if (!IsCd(cd)) return 0;
        if (!mixer_.Running()) {
            SetLastError("no output to play the CD on");
            return 0;
        }
        if (end > start) pieces = cd_->Pieces(start, end);
    }
    if (pieces.empty()) {
        SetLastError("no CD audio in that range");
        return 0;
    }
    // Nothing is read here: the mixing side reads the files as it plays them.
    auto feed = std::make_unique<CdFeed>(std::move(pieces));
    {
        Lock lock(mutex_);
        if (!IsCd(cd) || !mixer_.Running()) return 0;
        mixer_.PlayCd(std::move(feed));
        cdStart_ = start;
        cdEnd_ = end;
        host::Trace("sound\tcdplay\t" + std::to_string(start) + "\t" + std::to_string(end));
    }
    idlePause_.Resume();
    return 1;
}

std::uint32_t Engine::CdLoop(AUD_HANDLE cd, std::uint32_t count) {
    CatchUp();
    Lock lock(mutex_);
    if (!IsCd(cd) || !mixer_.LoopCd(count)) return 0;
    host::Trace("sound\tcdloop\t" + std::to_string(count));
    return 1;
}

void Engine::StopCd() {
    if (!mixer_.CdPlaying()) return;
    mixer_.StopCd();
    host::Trace("sound\tcdstop");
}

void Engine::CdStop(AUD_HANDLE cd) {
    CatchUp();
    Lock lock(mutex_);
    if (IsCd(cd)) StopCd();
}

std::uint32_t Engine::CdStatus(AUD_HANDLE cd) {
    CatchUp();
    Lock lock(mutex_);
    return IsCd(cd) && mixer_.CdPlaying() ? 1 : 0;
}

std::uint32_t Engine::CdPosition(AUD_HANDLE cd) {
    CatchUp();
    Lock lock(mutex_);
    if (!IsCd(cd) || cdStart_ == 0 || !mixer_.Running()) return 0;
    // A looping range counts from its start again at each seam.
    const std::uint64_t heard = mixer_.CdProduced() * CdDrive::FramesPerSecond / mixer_.Format().rate;
    const std::uint64_t position = cdStart_ + (cdEnd_ > cdStart_ ? heard % (cdEnd_ - cdStart_) : heard);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(position, cdEnd_));
}

}  // namespace aud
