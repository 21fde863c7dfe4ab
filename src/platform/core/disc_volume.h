// SPDX-License-Identifier: GPL-3.0-or-later
// The disc a presentation plays from, as the layer's file functions see it.
// While a disc is in place the current folder is on it: relative paths, and
// paths on its drive "D:", name its files and folders; absolute host paths
// still name the host's. Everything on it is read only.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/disc_image.h"

namespace platform {

// Puts the disc in place, with the presentation's folder (components from
// the disc's root) as the current and the starting folder.
void PlaceDisc(std::shared_ptr<DiscImage> disc, std::vector<std::string> folder);
// The disc in place, if any.
std::shared_ptr<DiscImage> PlacedDisc();

// What a path names on the disc. A path is the disc's when it is relative
// while the current folder is on the disc, or starts with the disc's drive.
struct DiscLookup {
    bool onDisc = false;
    std::optional<DiscEntry> entry;  // none: missing
    std::vector<std::string> names;  // from the root, as the disc names them
};
DiscLookup LookUpOnDisc(std::string_view path);
// A path on the disc's drive ("D:\PARTS\DEMO") for names from the root.
std::string DiscPathText(const std::vector<std::string>& names);

// A file of the disc opened for reading in binary: read block by block as it
// is read, never whole.
std::FILE* OpenDiscFile(std::shared_ptr<DiscImage> disc, const DiscEntry& entry);

// The current folder on the disc: none when it is the host's.
std::optional<std::string> DiscCurrentFolder();
// Makes a folder of the disc current (names from the root).
void EnterDiscFolder(std::vector<std::string> names);
// Leaves the disc's folders for the host's (a change to a host folder).
void LeaveDiscFolder();
// The current folder on the disc relative to the presentation's folder, for
// the trace; none when the current folder is the host's.
std::optional<std::string> DiscFolderForTrace();
// On a disc: whether a path reaches out of it from the current folder (above
// its root, or on another drive); nothing when not on a disc.
std::optional<bool> LeavesDisc(std::string_view path);

}  // namespace platform
