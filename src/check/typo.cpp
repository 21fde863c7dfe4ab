// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/typo.h"

#include <cctype>
#include <string>

#include "interp/script_line.h"
#include "platform/core/letter_case.h"

namespace check {
namespace {

// What follows a keyword on its line.
enum class Shape {
    Alone,        // nothing
    OneWord,      // a file name
    Number,       // a line number
    CommandLine,  // anything
    Default,      // "timeout" and the rest
    Music,        // a name, then options
    Timeout,      // seconds and an action
    Hotspot,      // four numbers and an action
};

struct Keyword {
    script::LineKind kind;
    Shape shape;
};

using enum script::LineKind;
// "run" is left out: a three-letter word is one slip away from too many
// ordinary words.
constexpr Keyword Commands[] = {
    {Default, Shape::Default}, {Movie, Shape::OneWord}, {Music, Shape::Music},      {Restart, Shape::Alone},
    {Exit, Shape::Alone},      {Goto, Shape::Number},   {Exec, Shape::CommandLine}, {Still, Shape::OneWord},
    {Blank, Shape::Alone},     {Pause, Shape::Alone},
};
constexpr Keyword BlockWords[] = {
    {Timeout, Shape::Timeout}, {Hotspot, Shape::Hotspot}, {Click, Shape::Alone},
    {Cursor, Shape::OneWord},  {EndStill, Shape::Alone},
};
constexpr std::size_t ShortestSlip = 4;

bool IsNumber(const std::string& word) {
    const std::size_t digit = word[0] == '-' || word[0] == '+' ? 1 : 0;
    return digit < word.size() && std::isdigit(static_cast<unsigned char>(word[digit]));
}

bool IsAction(const std::string& word) { return word[0] == '-'; }

bool AllDigits(std::string_view text) {
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool IsMusicOption(const std::string& word) {
    for (const char* option : {"loop", "wait", "fade", "mix"})
        if (EqualsIgnoringCase(word.c_str(), option)) return true;
    return (word[0] == 'l' || word[0] == 't') && AllDigits(std::string_view(word).substr(1));
}

bool Fits(Shape shape, const std::vector<std::string>& rest) {
    switch (shape) {
        case Shape::Alone: return rest.empty();
        case Shape::OneWord: return rest.size() == 1;
        case Shape::Number: return rest.size() == 1 && IsNumber(rest[0]);
        case Shape::CommandLine: return !rest.empty();
        case Shape::Default: return !rest.empty() && EqualsIgnoringCase(rest[0].c_str(), "timeout");
        case Shape::Music:
            for (std::size_t i = 1; i < rest.size(); ++i)
                if (!IsMusicOption(rest[i])) return false;
            return !rest.empty();
        case Shape::Timeout: return rest.size() >= 2 && IsNumber(rest[0]) && IsAction(rest[1]);
        case Shape::Hotspot:
            for (std::size_t i = 0; i < 4 && i < rest.size(); ++i)
                if (!IsNumber(rest[i])) return false;
            return rest.size() >= 5 && IsAction(rest[4]);
    }
    return false;
}

}  // namespace

bool OneSlipApart(std::string_view a, std::string_view b) {
    const std::string x = platform::Lowercase(a), y = platform::Lowercase(b);
    if (x == y) return false;
    if (x.size() == y.size()) {
        std::size_t first = 0;
        while (x[first] == y[first]) ++first;
        const std::size_t rest = first + 1;
        if (x.compare(rest, std::string::npos, y, rest) == 0) return true;  // one letter changed
        return rest < x.size() && x[first] == y[rest] && x[rest] == y[first] &&
               x.compare(rest + 1, std::string::npos, y, rest + 1) == 0;  // neighbours swapped
    }
    const std::string& longer = x.size() > y.size() ? x : y;
    const std::string& shorter = x.size() > y.size() ? y : x;
    if (longer.size() != shorter.size() + 1) return false;
    std::size_t first = 0;
    while (first < shorter.size() && longer[first] == shorter[first]) ++first;
    return longer.compare(first + 1, std::string::npos, shorter, first) == 0;
}

std::string KeywordMeant(std::string_view word, const std::vector<std::string>& rest, bool inStill) {
    if (word.size() < ShortestSlip) return {};
    const auto check = [&](const auto& keywords) -> std::string {
        for (const Keyword& keyword : keywords) {
            const char* spelling = script::Spelling(keyword.kind);
            if (OneSlipApart(word, spelling) && Fits(keyword.shape, rest)) return spelling;
        }
        return {};
    };
    return inStill ? check(BlockWords) : check(Commands);
}

}  // namespace check
