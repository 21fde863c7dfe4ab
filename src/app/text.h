// The two text rules every script reader shares: keywords compare without
// regard to letter case, and numbers read as C's atoi reads them.
#pragma once

#include <cstdint>

// False when either word is missing: a missing token never matches.
bool EqualsIgnoringCase(const char* word, const char* keyword);

// Leading white space, an optional sign, then digits up to the first other
// character; 0 when there are none. Values beyond 32 bits saturate instead of
// overflowing.
std::int32_t ParseInt(const char* text);
