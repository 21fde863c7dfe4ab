// SPDX-License-Identifier: GPL-3.0-or-later
// How the player's slide palette shows a bitmap's colours on the two kinds of
// palette display: one that keeps 20 static colours (entries 0-9 and
// 246-255) and one that keeps only black and white (entries 0 and 255).
#pragma once

#include <array>

#include "still/bitmap_file.h"

namespace check {

enum class Display { Static, NoStatic };

// The first and last palette entries the display keeps at each end.
inline constexpr int KeptAtEachEnd(Display display) { return display == Display::Static ? 10 : 1; }

// The colour the display keeps at entry `entry`; only for kept entries.
win::RGBQUAD KeptColour(Display display, int entry);

// For each colour of the file's table: whether the slide shows pixels of it
// in a colour other than the file's (a kept entry of another colour, or an
// entry the slide's palette leaves to the system).
std::array<bool, 256> LostColours(const bitmap::Headers& headers, Display display);

}  // namespace check
