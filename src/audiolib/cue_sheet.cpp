// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/cue_sheet.h"

#include <algorithm>
#include <cctype>

namespace aud {
namespace {

constexpr std::uint32_t FramesPerSecond = 75;

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

// Words of a line; a double-quoted word may hold spaces.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        } else if (line[at] == '"') {
            const std::size_t close = line.find('"', at + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            words.push_back(line.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            std::size_t end = at;
            while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
            words.push_back(line.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

std::optional<std::uint32_t> Number(std::string_view digits, std::size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

// mm:ss:ff as CD frames.
std::optional<std::uint32_t> Position(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto minutes = Number(text.substr(0, first), 4);
    const auto seconds = Number(text.substr(first + 1, second - first - 1), 2);
    const auto frames = Number(text.substr(second + 1), 2);
    if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= FramesPerSecond) return std::nullopt;
    return (*minutes * 60 + *seconds) * FramesPerSecond + *frames;
}

}  // namespace

CueSheet ParseCueSheet(std::string_view text) {
    CueSheet sheet;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find_first_of("\r\n", lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        const auto words = Words(text.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (words.empty()) continue;
        const std::string keyword = Upper(words[0]);
        if (keyword == "FILE" && words.size() >= 2) {
            sheet.files.push_back({std::string(words[1]), words.size() >= 3 ? Upper(words[2]) : ""});
        } else if (keyword == "TRACK" && words.size() >= 3 && !sheet.files.empty()) {
            const auto number = Number(words[1], 2);
            if (number) sheet.tracks.push_back({static_cast<int>(*number), Upper(words[2]) == "AUDIO", {}, {}});
        } else if (keyword == "INDEX" && words.size() >= 3 && !sheet.tracks.empty()) {
            const auto index = Number(words[1], 2);
            const auto position = Position(words[2]);
            if (!position) continue;
            CueTrack& track = sheet.tracks.back();
            const CueIndex point{sheet.files.size() - 1, *position};
            if (index == 0u) track.pregap = point;
            if (index == 1u) track.start = point;
        }
    }
    return sheet;
}

}  // namespace aud
