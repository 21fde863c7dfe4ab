// The words of one script line, cut as the interpreter cuts its line buffer:
// by the rules of C's strtok, over commas, spaces, tabs and line feeds.
#pragma once

#include <cstring>
#include <string>

namespace check {

inline constexpr const char* WordDelimiters = ", \t\n";

class Words {
public:
    explicit Words(std::string line) : line_(std::move(line)) {}

    // The next word, or null when none is left. With "\n" as delimiters it
    // is the rest of the line, as RUN and EXEC take their command lines.
    const char* Next(const char* delimiters = WordDelimiters) {
        char* text = line_.data();
        std::size_t start = next_ + std::strspn(text + next_, delimiters);
        if (text[start] == '\0') {
            next_ = start;
            return nullptr;
        }
        std::size_t end = start + std::strcspn(text + start, delimiters);
        next_ = end;
        if (text[end] != '\0') {
            text[end] = '\0';
            next_ = end + 1;
        }
        return text + start;
    }

private:
    std::string line_;
    std::size_t next_ = 0;
};

}  // namespace check
