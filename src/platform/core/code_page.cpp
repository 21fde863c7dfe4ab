// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/code_page.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cwchar>
#include <string>

#include "platform/core/settings.h"

namespace platform {
namespace {

constexpr char32_t EscapedByte = 0xDC00;

std::string CodePageName(int page) { return "CP" + std::to_string(page); }

// Lower-case letters as Unicode code points: names read as UTF-8, a byte that
// is not UTF-8 taken as a point of its own that no letter equals.
std::u32string CodePoints(std::string_view text) {
    std::u32string points;
    std::mbstate_t state{};
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    const locale_t previous = utf8 ? ::uselocale(utf8) : nullptr;
    for (std::size_t at = 0; at < text.size();) {
        wchar_t point = 0;
        const std::size_t used = std::mbrtowc(&point, text.data() + at, text.size() - at, &state);
        if (used == 0 || used > text.size() - at) {
            state = {};
            points.push_back(EscapedByte + static_cast<unsigned char>(text[at++]));
            continue;
        } else {
            at += used;
        }
        points.push_back(static_cast<char32_t>(utf8 ? ::towlower_l(static_cast<wint_t>(point), utf8) : point));
    }
    if (previous) ::uselocale(previous);
    return points;
}

}  // namespace

bool CodePageKnown(int page) {
    const iconv_t converter = ::iconv_open("UTF-8", CodePageName(page).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    ::iconv_close(converter);
    return true;
}

std::string FileSystemName(std::string_view written) {
    bool ascii = true;
    for (const char c : written) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return std::string(written);
    const iconv_t converter = ::iconv_open("UTF-8", CodePageName(CurrentSettings().codePage).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(written);
    std::string out;
    std::string in(written);
    char* from = in.data();
    std::size_t left = in.size();
    char buffer[256];
    while (left > 0) {
        char* to = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t result = ::iconv(converter, &from, &left, &to, &room);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += *from++;  // unmapped in this code page: kept
            --left;
        }
    }
    ::iconv_close(converter);
    return out;
}

bool NamesMatch(std::string_view a, std::string_view b) { return CodePoints(a) == CodePoints(b); }

}  // namespace platform
