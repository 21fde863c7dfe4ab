// SPDX-License-Identifier: GPL-3.0-or-later
// A movie's colours on a display with static colours: the player moves the
// movie's palette up by 10 entries once it has read the first palette chunk,
// so entries 236-255 land on the display's own colours, and pixels drawn
// before that chunk stay 10 entries off.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "check/movie_file.h"

namespace check {

struct LostMoviePixels {
    std::uint64_t onKeptEntries = 0;  // drawn after the first palette chunk, shown in a system colour
    std::uint64_t beforePalette = 0;  // drawn before the first palette chunk
};

// Counted over every pixel each chunk draws.
LostMoviePixels CountLostPixels(MovieFile& movie);

struct MovieFix {
    std::string error;     // set when no copy was written
    int colours = 0;       // palette entries the movie's pixels use
    bool reduced = false;  // more than fit: reduced to MovieFreeEntries
};

// The entries of a fixed movie's palettes: 1-235 land on free entries of
// the display with static colours (11-245) and without (entry 0 is kept
// black there).
inline constexpr int MovieFirstEntry = 1;
inline constexpr int MovieFreeEntries = 235;

// Writes `out`: the movie with the entries it uses moved to entries 1-235
// of its palettes, every pixel of every chunk remapped, and its first
// palette at the start of its first frame. A movie that uses more entries is
// reduced when it has one palette and refused when its palette changes
// during play.
MovieFix FixMoviePalette(const std::filesystem::path& in, const std::filesystem::path& out);

}  // namespace check
