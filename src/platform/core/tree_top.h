// SPDX-License-Identifier: GPL-3.0-or-later
// A presentation keeps to its own tree, as on its disc: the folder it was
// started in (or the disc's root) is the top. ".." at the top stays at the
// top, and a path from a root ("\PICS", "/etc") or with a drive letter
// ("C:\PICS") is taken from the top.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// From now on (keep) the current folder is the top of the tree, or nothing is
// kept to a tree (the layer's own users: tests, the checker between trees).
// On a disc the top is always its root.
void KeepToTree(bool keep);
bool KeptToTree();

// The absolute host path a presentation's name stands for inside the kept
// tree, letter case not yet matched; sets `left` when the name reaches out of
// the tree (and was brought back to it). The name as written when no tree is
// kept.
std::string PathInTree(std::string_view written, bool* left = nullptr);

// Whether a host path lies inside the kept tree once its symlinks are
// followed (as far as it exists); always when no tree is kept.
bool InsideTree(const std::string& host);

// Whether a name would reach out of the kept tree from the current folder:
// above its top or on a drive (on a disc, another drive than its own).
bool LeavesTree(std::string_view written);

}  // namespace platform
