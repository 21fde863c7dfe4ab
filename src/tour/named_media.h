// SPDX-License-Identifier: GPL-3.0-or-later
// What the scripts of a presentation folder tree name: stills, movies and
// folders, read with the player's own word rules. The tour compares them
// with what its branches reached.
#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace tour {

struct Named {
    // "FOLDER/NAME" in lower case, FOLDER relative to the root ("." for it);
    // stills with their ".bmp", movies without ".flc".
    std::set<std::string> stills, movies;
    std::set<std::string> folders;  // relative to the root, lower case
};

// Reads the root's script and those of every folder a "-dir" names, as
// far as they exist.
Named NamedIn(const std::filesystem::path& root);

// The same spelling for a name the trace gave.
std::string StillKey(const std::string& folder, const std::string& name);
std::string MovieKey(const std::string& folder, const std::string& name);
std::string FolderKey(const std::string& folder);

}  // namespace tour
