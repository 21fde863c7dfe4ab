// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-style paths on a case-sensitive file system.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Windows paths take either slash.
inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Calls `visit` with each component of a Windows-style path but "." and
// empty ones, until it returns false; false then.
template <class Visit>
bool ForEachComponent(std::string_view path, Visit visit) {
    std::size_t at = 0;
    while (at < path.size()) {
        std::size_t end = at;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::string_view component = path.substr(at, end - at);
        at = end + 1;
        if (component.empty() || component == ".") continue;
        if (!visit(component)) return false;
    }
    return true;
}

// The host path a Windows-style path names: backslashes become slashes, and
// each component that does not exist as written is matched without regard
// to case (the first match in sorted order). Components that match nothing
// stay as written, so the result can name a file about to be created.
// While a presentation keeps to its tree, the path is first brought inside it.
std::string ResolveHostPath(std::string_view path);
// The same, never kept to a tree: for the folders of PATH.
std::string MatchHostPath(std::string_view path);

// For tools that walk a presentation wherever it lies (a folder or a disc):
// the current folder as a path ("D:/PARTS" on a disc), the path a name has
// from it, the names in a folder (none when the folder cannot be read), and
// whether a name is a file to read (never a FIFO or a device).
std::filesystem::path CurrentFolderPath();
std::filesystem::path AbsolutePath(std::string_view name);
std::optional<std::vector<std::string>> FolderNames(std::string_view folder);
bool IsRegularFile(std::string_view name);
// Whether a name is there but neither a file nor a folder (a FIFO, a device,
// a socket, a symlink loop): the player takes it for missing.
bool IsSpecialFile(std::string_view name);

}  // namespace platform
