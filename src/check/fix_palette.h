// SPDX-License-Identifier: GPL-3.0-or-later
// A copy of a still's bitmap that shows as drawn on every palette display:
// the picture's colours moved off the palette entries displays keep for
// themselves (0-9 and 246-255 with static colours, 0 and 255 without).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace check {

// The first palette entry of the copy's colours and how many it has room for.
inline constexpr int FirstFreeEntry = 10;
inline constexpr int FreeEntries = 236;

struct PaletteFix {
    std::string error;     // set when no copy was written
    int colours = 0;       // colours the picture's pixels use
    bool reduced = false;  // more than fit: reduced to FreeEntries
};

// Writes `out`: an 8-bit bitmap with a full 256-entry table that holds the
// colours `in`'s pixels use at entries 10-245 (reduced by quantization when
// there are more) and the display's own colours at the others, the pixels
// remapped. `in` is a picture the player loads or an uncompressed 24-bit
// one. Size, row order and resolution stay as they were, and a run-length
// picture stays run-length (8-bit).
PaletteFix FixPalette(const std::filesystem::path& in, const std::filesystem::path& out);

// Writes a fixed copy's bytes as the whole of `out`; false when it cannot.
bool WriteCopy(const std::filesystem::path& out, const std::vector<std::uint8_t>& bytes);

}  // namespace check
