// SPDX-License-Identifier: GPL-3.0-or-later
// Unknown first words that are a slip of a keyword. The player ignores lines
// it does not know, which is how scripts carry comments; a line is taken for
// a slip only when its first word is one slip away from a keyword and the
// rest of the line reads as that keyword's words, which prose seldom does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace check {

// Whether two words are one slip apart, letter case aside: one letter added,
// dropped or changed, or two neighbours swapped.
bool OneSlipApart(std::string_view a, std::string_view b);

// The keyword `word` is a slip of, given the words after it on the line;
// empty when it looks like no keyword. Inside a still block the block's
// keywords count, elsewhere the commands'.
std::string KeywordMeant(std::string_view word, const std::vector<std::string>& rest, bool inStill);

}  // namespace check
