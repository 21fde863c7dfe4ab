// SPDX-License-Identifier: GPL-3.0-or-later
// The words of one script line, cut as the interpreter cuts its line buffer.
#pragma once

#include <string>

#include "interp/text.h"

namespace check {

class Words {
public:
    explicit Words(std::string line) : line_(std::move(line)), next_(line_.data()) {}
    Words(const Words&) = delete;
    Words& operator=(const Words&) = delete;

    // The next word, or null when none is left. With "\n" as delimiters it
    // is the rest of the line, as RUN and EXEC take their command lines.
    const char* Next(const char* delimiters = ScriptDelimiters) { return CutToken(&next_, delimiters); }

private:
    std::string line_;
    char* next_;
};

}  // namespace check
