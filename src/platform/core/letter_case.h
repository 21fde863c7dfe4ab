// SPDX-License-Identifier: GPL-3.0-or-later
// Names and keywords compare without regard to letter case, as on Windows:
// the one rule every reader of presentation text shares.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string Lowercase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
