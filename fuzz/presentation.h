// SPDX-License-Identifier: GPL-3.0-or-later
// The small presentation that the script targets play or check, and the test
// that keeps a fuzzed script inside it.
#pragma once

#include <filesystem>
#include <string_view>

namespace fuzz {

// Writes a still (pic), a movie with its companion sound (intro), a music
// file (tune) and two song sections into `folder`.
void WritePresentation(const std::filesystem::path& folder);

// Whether a script may name something outside its folder: a parent, a drive
// or a path from the root.
bool LeavesFolder(std::string_view script);

}  // namespace fuzz
