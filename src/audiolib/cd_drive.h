// SPDX-License-Identifier: GPL-3.0-or-later
// The CD drive stand-in: a folder of track files (track01.wav, track02.wav,
// ...), a CUE sheet with BIN images of raw CD audio (16-bit stereo 44.1 kHz
// little-endian) or WAV files, or any other disc image or drive libcdio reads. Positions are CD frames of 1/75 s; the
// first track starts at 150, as on a pressed disc. Only the layout of the disc is read here; the audio is read as it
// plays (CdFeed).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "audiolib/cd_disc.h"
#include "audiolib/pcm_layout.h"

namespace aud {

struct CdTrack {
    std::uint32_t start = 0;  // 0 = unusable
    std::uint32_t end = 0;    // first frame after the track
};

// Frames of one file that a stretch of the disc covers; of the disc itself
// when read through libcdio.
struct CdPiece {
    std::filesystem::path file;
    std::shared_ptr<CdDisc> disc;
    PcmLayout layout;
    std::uint64_t offset = 0;  // bytes before the file's first frame
    std::uint64_t first = 0;   // frame of the file
    std::uint64_t frames = 0;
};

class CdDrive {
public:
    static constexpr std::uint32_t FramesPerSecond = 75;
    static constexpr std::uint32_t FirstFrame = 150;

    // Nothing when the setting names neither a folder with track files nor a
    // CUE sheet with at least one playable track.
    static std::optional<CdDrive> Open(const std::filesystem::path& setting);

    std::uint32_t TrackCount() const { return static_cast<std::uint32_t>(tracks_.size()); }
    // Tracks count from 1; an unknown number reads as unusable.
    CdTrack Track(std::uint32_t number) const;
    // Where the audio from `start` up to `end` lies, in order; empty when the
    // range holds none.
    std::vector<CdPiece> Pieces(std::uint32_t start, std::uint32_t end) const;

private:
    // A stretch of the disc held in one file.
    struct Extent {
        std::uint32_t start = 0;
        std::uint32_t end = 0;
        std::filesystem::path file;
        PcmLayout layout;
        std::uint64_t offset = 0;
        std::uint64_t frames = 0;      // of the file's layout
        bool raw = false;              // BIN image rather than a WAV file
        std::shared_ptr<CdDisc> disc;  // read through libcdio rather than from a file
    };

    static std::optional<Extent> WavExtent(const std::filesystem::path& file, std::uint32_t position);
    static std::optional<Extent> RawExtent(const std::filesystem::path& file, std::uint32_t position);
    static std::optional<CdDrive> FromFolder(const std::filesystem::path& folder);
    static std::optional<CdDrive> FromCueSheet(const std::filesystem::path& sheet);
    static std::optional<CdDrive> FromDisc(const std::filesystem::path& source);
    bool HasPlayableTrack() const;

    std::vector<CdTrack> tracks_;
    std::vector<Extent> extents_;
};

}  // namespace aud
