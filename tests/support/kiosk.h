// SPDX-License-Identifier: GPL-3.0-or-later
// A kiosk that never leaves a level: a still in the root goes down into a
// sub-folder after a second, whose still goes back with "-dir .." after
// another. Every second adds a directory level.
#pragma once

#include <filesystem>

#include "support/player_run.h"

namespace test {

void WriteKiosk(const std::filesystem::path& root);
// Plays the kiosk headless for `virtualMs`, without a trace, on a tiny
// client (the levels are what is measured, not the drawing).
PlayerRun RunKiosk(const std::filesystem::path& root, long long virtualMs);

}  // namespace test
