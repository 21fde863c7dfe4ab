// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/command_line.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

CommandLine SplitCommandLine(std::string_view line) {
    CommandLine split;
    std::size_t at = 0;
    const std::size_t end = line.size();
    while (at < end && IsBlank(line[at])) ++at;

    // The program name must be a file name: no escapes in it.
    if (at < end && line[at] == '"') {
        std::size_t close = line.find('"', at + 1);
        if (close == std::string_view::npos) close = end;
        split.program = line.substr(at + 1, close - at - 1);
        at = close < end ? close + 1 : end;
    } else {
        std::size_t start = at;
        while (at < end && !IsBlank(line[at])) ++at;
        split.program = line.substr(start, at - start);
    }

    for (;;) {
        while (at < end && IsBlank(line[at])) ++at;
        if (at == end) break;
        std::string word;
        bool quoted = false;
        while (at < end && (quoted || !IsBlank(line[at]))) {
            const char c = line[at];
            if (c == '\\') {
                std::size_t run = 0;
                while (at < end && line[at] == '\\') ++run, ++at;
                if (at < end && line[at] == '"') {
                    word.append(run / 2, '\\');
                    if (run % 2 == 1) {
                        word += '"';
                        ++at;
                    }
                } else {
                    word.append(run, '\\');
                }
            } else if (c == '"') {
                if (quoted && at + 1 < end && line[at + 1] == '"') {
                    word += '"';
                    at += 2;
                } else {
                    quoted = !quoted;
                    ++at;
                }
            } else {
                word += c;
                ++at;
            }
        }
        split.arguments.push_back(std::move(word));
    }
    return split;
}

}  // namespace platform
