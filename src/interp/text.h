// SPDX-License-Identifier: GPL-3.0-or-later
// The text rules every script reader shares: words cut as C's strtok cuts
// them, keywords compared without regard to letter case, and numbers read as
// C's atoi reads them.
#pragma once

#include <cstdint>

// False when either word is missing: a missing token never matches.
bool EqualsIgnoringCase(const char* word, const char* keyword);

// Leading white space, an optional sign, then digits up to the first other
// character; 0 when there are none. Values beyond 32 bits saturate instead of
// overflowing.
std::int32_t ParseInt(const char* text);

// What separates the words of a script line.
inline constexpr const char* ScriptDelimiters = ", \t\n";

// The next word from `*next`: leading delimiters skipped, the word ended in
// place, `*next` moved past it. Null when none is left.
char* CutToken(char** next, const char* delimiters);
