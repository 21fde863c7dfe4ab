// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/cd_feed.h"

#include <algorithm>

#include "platform/core/regular_file.h"

namespace aud {
namespace {

constexpr std::size_t ReadBlockFrames = 4096;
constexpr std::size_t FileBuffer = 1 << 16;

}  // namespace

CdFeed::CdFeed(std::vector<CdPiece> pieces) : pieces_(std::move(pieces)) {
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const CdPiece& piece = pieces_[i];
        if (stretches_.empty() || stretches_.back().layout != piece.layout) {
            stretches_.push_back({piece.layout, piece.layout.rate, 0});
            stretchEnds_.push_back(i);
        }
        stretches_.back().frames += piece.frames;
        stretchEnds_.back() = i + 1;
    }
    std::size_t largestFrame = 0;
    for (const CdPiece& piece : pieces_) largestFrame = std::max(largestFrame, piece.layout.FrameBytes());
    block_.resize(ReadBlockFrames * largestFrame);
}

std::span<const Stretch> CdFeed::Stretches() const { return std::span(stretches_).subspan(stretch_); }

void CdFeed::NextStretch() {
    if (stretch_ < stretches_.size()) piece_ = stretchEnds_[stretch_++];
    pieceRead_ = 0;
}

bool CdFeed::Loop(std::uint32_t plays) {
    if (stretches_.size() != 1) return false;
    if (plays_ == 1 && stretches_.front().frames == 0) return false;
    if (plays_ == 1) rangeFrames_ = stretches_.front().frames;
    plays_ = plays;
    stretches_.front().frames = plays == 0 ? Stretch::Endless : rangeFrames_ * plays;
    return true;
}

std::span<const std::uint8_t> CdFeed::Read(std::size_t frames) {
    if (stretch_ >= stretches_.size()) return {};
    while (piece_ < stretchEnds_[stretch_] && pieceRead_ >= pieces_[piece_].frames) {
        ++piece_;
        pieceRead_ = 0;
        if (piece_ == pieces_.size() && plays_ != 1 && (plays_ == 0 || played_ + 1 < plays_)) {
            ++played_;
            piece_ = 0;
            filePiece_ = SIZE_MAX;  // read again from the piece's start
        }
    }
    if (piece_ >= stretchEnds_[stretch_]) return {};
    const CdPiece& piece = pieces_[piece_];
    const std::size_t frameBytes = piece.layout.FrameBytes();
    if (filePiece_ != piece_ && !piece.disc) {
        file_.reset(platform::OpenRegularFile(piece.file.c_str()));
        filePiece_ = piece_;
        if (file_) {
            std::setvbuf(file_.get(), nullptr, _IOFBF, FileBuffer);
            const std::uint64_t at = piece.offset + (piece.first + pieceRead_) * frameBytes;
            if (std::fseek(file_.get(), static_cast<long>(at), SEEK_SET) != 0) file_.reset();
        }
    }
    const auto count =
        static_cast<std::size_t>(std::min<std::uint64_t>({frames, piece.frames - pieceRead_, ReadBlockFrames}));
    const std::size_t bytes = count * frameBytes;
    const std::uint64_t at = piece.offset + (piece.first + pieceRead_) * frameBytes;
    const std::size_t got = piece.disc ? piece.disc->Read(at, block_.data(), bytes)
                            : file_    ? std::fread(block_.data(), 1, bytes, file_.get())
                                       : 0;
    // What cannot be read plays as silence, so that the range keeps its length.
    std::fill(block_.begin() + static_cast<std::ptrdiff_t>(got), block_.begin() + static_cast<std::ptrdiff_t>(bytes),
              piece.layout.type == SampleType::U8 ? 0x80 : 0);
    pieceRead_ += count;
    return std::span(block_).first(bytes);
}

}  // namespace aud
