// SPDX-License-Identifier: GPL-3.0-or-later
// Windows command lines split into words, as a Windows program's runtime
// splits its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct CommandLine {
    std::string program;                 // the first word: names the program
    std::vector<std::string> arguments;  // the words after it
};

// Words are separated by spaces and tabs. The program name is taken plainly:
// up to the next space or tab, or when it starts with a quote, up to the
// next quote. In the arguments, quotes group words and are dropped: 2n
// backslashes before a quote give n backslashes and the quote groups; 2n+1
// give n backslashes and a literal quote; backslashes before anything else
// are literal; inside a quoted part "" is a literal quote and the part goes on.
CommandLine SplitCommandLine(std::string_view line);

}  // namespace platform
