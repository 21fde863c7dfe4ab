// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/text.h"

#include <cctype>
#include <cstring>
#include <limits>

#include "platform/core/letter_case.h"

bool EqualsIgnoringCase(const char* word, const char* keyword) {
    return word && keyword && platform::EqualsIgnoringCase(word, keyword);
}

std::int32_t ParseInt(const char* text) {
    if (!text) return 0;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + (*text - '0');
        if (value > limit) value = limit;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value > limit - 1 ? limit - 1 : value);
}

char* CutToken(char** next, const char* delimiters) {
    if (!*next) return nullptr;
    char* start = *next + std::strspn(*next, delimiters);
    if (*start == '\0') {
        *next = start;
        return nullptr;
    }
    char* end = start + std::strcspn(start, delimiters);
    if (*end != '\0') *end++ = '\0';
    *next = end;
    return start;
}
