// SPDX-License-Identifier: GPL-3.0-or-later
// The way back from each directory level: the folder it was entered from.
// A presentation has few folders but may stack levels for a week (a kiosk that
// goes back down with "-dir .." instead of "-exit"), so each folder is kept
// once and a level costs the four bytes that name it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class LevelFolders {
public:
    void Push(const std::string& folder);
    // The innermost level's folder, taken off; ".." when no level is left.
    std::string Pop();
    std::size_t Size() const { return levels_.size(); }

private:
    std::unordered_map<std::string, std::uint32_t> numbers_;
    std::vector<const std::string*> folders_;  // by number, into numbers_
    std::vector<std::uint32_t> levels_;        // the innermost last
};
