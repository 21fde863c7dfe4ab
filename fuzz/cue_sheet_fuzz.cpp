// Fuzz target: CUE sheets that stand for the CD drive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "audiolib/cue_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto files = aud::ParseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size));
    std::size_t tracks = 0;
    for (const auto& file : files) tracks += file.tracks.size();
    return tracks > size ? -1 : 0;
}
