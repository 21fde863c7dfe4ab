// The parts of a CUE sheet that lay out a disc: files, their tracks and the
// tracks' index points. Lines it does not know are passed over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace aud {

struct CueTrack {
    int number = 0;
    bool audio = false;
    std::optional<std::uint32_t> pregap;  // INDEX 00, in CD frames from the file's start
    std::optional<std::uint32_t> start;   // INDEX 01
};

struct CueFile {
    std::string name;
    std::string type;  // BINARY, MOTOROLA, WAVE, ... as written, upper case
    std::vector<CueTrack> tracks;
};

std::vector<CueFile> ParseCueSheet(std::string_view text);

}  // namespace aud
