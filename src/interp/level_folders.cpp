// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/level_folders.h"

void LevelFolders::Push(const std::string& folder) {
    const auto [at, added] = numbers_.try_emplace(folder, static_cast<std::uint32_t>(folders_.size()));
    if (added) folders_.push_back(&at->first);
    levels_.push_back(at->second);
}

std::string LevelFolders::Pop() {
    if (levels_.empty()) return "..";
    const std::uint32_t number = levels_.back();
    levels_.pop_back();
    return *folders_[number];
}
