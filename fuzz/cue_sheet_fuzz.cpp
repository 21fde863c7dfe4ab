// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: CUE sheets that stand for the CD drive.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "audiolib/cue_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto sheet = aud::ParseCueSheet(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& track : sheet.tracks) {
        for (const auto& point : {track.pregap, track.start}) {
            if (point && point->file >= sheet.files.size()) return -1;
        }
    }
    return sheet.tracks.size() + sheet.files.size() > size ? -1 : 0;
}
