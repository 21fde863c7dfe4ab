// SPDX-License-Identifier: GPL-3.0-or-later
// Names as Windows wrote them: scripts hold names in a code page (Windows-1252
// on Western European discs), names on Linux are UTF-8, and letter case is
// folded for every letter of the code page (É and é are the same letter).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Whether names can be read in code page `page` (1252, 1250, 437, ...).
bool CodePageKnown(int page);
// A name of a script in the file system's encoding; bytes the code page does
// not map are kept as they are.
std::string FileSystemName(std::string_view written);
// Two UTF-8 names equal without regard to letter case.
bool NamesMatch(std::string_view a, std::string_view b);

}  // namespace platform
