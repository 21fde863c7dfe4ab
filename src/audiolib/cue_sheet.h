// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of a CUE sheet that lay out a disc: files, tracks and the
// tracks' index points. An index point lies in the file named last before it,
// which need not be its track's: rippers put a track's pregap at the end of
// the file before. Lines it does not know are passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aud {

struct CueIndex {
    std::size_t file = 0;        // into CueSheet::files
    std::uint32_t position = 0;  // CD frames from the file's start
};

struct CueTrack {
    int number = 0;
    bool audio = false;
    std::optional<CueIndex> pregap;  // INDEX 00
    std::optional<CueIndex> start;   // INDEX 01
};

struct CueFile {
    std::string name;
    std::string type;  // BINARY, MOTOROLA, WAVE, ... as written, upper case
};

struct CueSheet {
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;  // in the sheet's order
};

CueSheet ParseCueSheet(std::string_view text);

}  // namespace aud
