// SPDX-License-Identifier: GPL-3.0-or-later
// Where the presentation's screen appears in the window: its place in the
// window's drawable pixels, and window points mapped back to screen pixels.
#pragma once

#include <optional>

#include "platform/core/settings.h"

namespace platform {

struct Placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Placement&) const = default;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// Centred in `output`: the largest size with the screen's proportions
// (Aspect), the largest whole multiple of the screen that fits (Integer; an
// output smaller than the screen falls back to Aspect), or all of it (Stretch).
Placement PlaceScreen(Size screen, Size output, ScaleMode mode);

// A point in window coordinates (`window` may differ from the drawable
// `output` on a HiDPI display) as a screen pixel; nothing on the letterbox.
std::optional<ScreenPoint> WindowPointToScreen(int x, int y, Size window, Size output, Size screen, ScaleMode mode);

// A window for a fixed screen that nothing maximizes: the largest whole
// multiple of the screen that fits the desktop, at least the screen itself.
Size FirstWindowSize(Size screen, Size desktop);

}  // namespace platform
