// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/text.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(ParseInt, ReadsLikeAtoiWithoutOverflowing) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"42", 42},
        {"  -17", -17},
        {"+8", 8},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"--5", 0},
        {"007", 7},
        {"2147483647", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"99999999999999999999", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseInt(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ParseInt(nullptr), 0);
}

TEST(EqualsIgnoringCase, MatchesWholeWordsInAnyCase) {
    const struct {
        const char* word;
        const char* keyword;
        bool equal;
    } cases[] = {
        {"pause", "pause", true}, {"PAUSE", "pause", true},   {"PaUsE", "pause", true},
        {"paus", "pause", false}, {"pauses", "pause", false}, {"", "pause", false},
        {"-EXIT", "-exit", true}, {nullptr, "pause", false},  {"pause", nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EqualsIgnoringCase(c.word, c.keyword), c.equal)
            << (c.word ? c.word : "(none)") << " / " << (c.keyword ? c.keyword : "(none)");
}

}  // namespace
