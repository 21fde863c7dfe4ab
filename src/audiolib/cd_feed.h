// SPDX-License-Identifier: GPL-3.0-or-later
// The CD's feed: a range of the disc read from its files block by block as
// it plays, so that neither a track nor an image is ever held whole. Pieces
// in one layout form one stretch, heard as one continuous signal.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "audiolib/cd_drive.h"
#include "audiolib/feed.h"

namespace aud {

class CdFeed final : public Feed {
public:
    explicit CdFeed(std::vector<CdPiece> pieces);

    std::span<const Stretch> Stretches() const override;
    std::span<const std::uint8_t> Read(std::size_t frames) override;
    void NextStretch() override;
    // Plays the range `plays` times in all (0: without end), reading on from
    // its start at its end, so that the resampler and the fade at the end
    // see one signal. False when the range has pieces of more than one
    // layout, which cannot run on as one signal.
    bool Loop(std::uint32_t plays);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::vector<CdPiece> pieces_;
    std::vector<Stretch> stretches_;
    std::vector<std::size_t> stretchEnds_;  // the piece after each stretch's last
    std::size_t stretch_ = 0;
    std::uint64_t rangeFrames_ = 0;  // of one play of a looping range
    std::uint32_t plays_ = 1;        // 0: without end
    std::uint32_t played_ = 0;       // plays read whole
    std::size_t piece_ = 0;
    std::uint64_t pieceRead_ = 0;  // frames of the current piece read
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::size_t filePiece_ = SIZE_MAX;  // the piece file_ is open for
    std::vector<std::uint8_t> block_;
};

}  // namespace aud
