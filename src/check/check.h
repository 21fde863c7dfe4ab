// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation checker: reads a presentation tree with the player's own
// parsers, without playing it, and reports what would stop or surprise a
// viewer, as FILE:LINE: message.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace check {

struct Finding {
    std::string file;  // relative to the presentation's root folder
    int line = 0;      // 0 for what concerns a whole file
    std::string message;
};

// "FILE:LINE: message"
std::string Format(const Finding& finding);

struct TreeReport {
    std::vector<Finding> findings;  // in the order found
    std::string error;              // set when the tree cannot be read at all
};

// Checks the presentation whose root folder is `root`: its script, the
// script of every folder its "-dir" actions reach (each folder once), and
// the media, songs and programs the scripts name. Works in each folder as
// the player does and returns to the current folder before it returns.
TreeReport CheckTree(const std::filesystem::path& root);

}  // namespace check
