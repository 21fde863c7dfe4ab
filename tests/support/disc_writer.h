// SPDX-License-Identifier: GPL-3.0-or-later
// Disc images for tests, made from a folder: ISO 9660 images by xorriso, and
// mixed-mode CUE/BIN discs (the ISO image as a MODE1/2352 data track, then
// CD audio tracks) by a small writer of raw sectors.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

enum class IsoNames {
    Level1,     // upper-case 8.3 names with ";1" versions only
    Joliet,     // with a Joliet tree
    RockRidge,  // with Rock Ridge names
};

// False when xorriso fails (its output goes to the test's log).
bool MakeIso(const std::filesystem::path& folder, const std::filesystem::path& image, IsoNames names);

// CD audio: 16-bit stereo samples at 44.1 kHz, interleaved.
using CdAudio = std::vector<std::int16_t>;

// A 44.1 kHz stereo tone of `seconds`, at about a quarter of full scale.
CdAudio CdTone(double hz, double seconds);

// Writes `cue` with the data track of `iso` (track 1) and the audio tracks
// after it (tracks 2, 3, ...): in one file per track, or in one BIN file and
// then also a cdrdao TOC file of the same tracks beside it (`cue` ending in
// ".toc").
// The data track is MODE1/2352, or with mode2 MODE2/2352 (form 1, as CD-ROM
// XA discs hold their files).
void WriteMixedModeDisc(const std::filesystem::path& iso, const std::vector<CdAudio>& audio,
                        const std::filesystem::path& cue, bool filePerTrack, bool mode2 = false);

}  // namespace test
