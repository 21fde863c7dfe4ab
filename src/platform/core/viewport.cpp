// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/viewport.h"

#include <algorithm>

namespace platform {
namespace {

int WholeMultipleThatFits(Size screen, Size space) {
    return std::min(space.width / std::max(screen.width, 1), space.height / std::max(screen.height, 1));
}

Placement Centred(int width, int height, Size output) {
    return {(output.width - width) / 2, (output.height - height) / 2, width, height};
}

}  // namespace

Placement PlaceScreen(Size screen, Size output, ScaleMode mode) {
    if (screen.width <= 0 || screen.height <= 0 || output.width <= 0 || output.height <= 0) return {};
    if (mode == ScaleMode::Stretch) return {0, 0, output.width, output.height};
    if (mode == ScaleMode::Integer) {
        if (const int multiple = WholeMultipleThatFits(screen, output); multiple >= 1)
            return Centred(screen.width * multiple, screen.height * multiple, output);
    }
    // Integer arithmetic keeps the exact fits exact (640x480 in 1280x960).
    const long long widthByHeight = static_cast<long long>(output.width) * screen.height;
    const long long heightByWidth = static_cast<long long>(output.height) * screen.width;
    if (widthByHeight <= heightByWidth) {
        const int height = static_cast<int>((widthByHeight + screen.width / 2) / screen.width);
        return Centred(output.width, std::max(height, 1), output);
    }
    const int width = static_cast<int>((heightByWidth + screen.height / 2) / screen.height);
    return Centred(std::max(width, 1), output.height, output);
}

std::optional<ScreenPoint> WindowPointToScreen(int x, int y, Size window, Size output, Size screen, ScaleMode mode) {
    const Placement place = PlaceScreen(screen, output, mode);
    if (place.width <= 0 || place.height <= 0 || window.width <= 0 || window.height <= 0) return std::nullopt;
    // The drawable pixel under the window point, then the screen pixel under that.
    const long long px = static_cast<long long>(x) * output.width / window.width - place.x;
    const long long py = static_cast<long long>(y) * output.height / window.height - place.y;
    if (px < 0 || py < 0 || px >= place.width || py >= place.height) return std::nullopt;
    return ScreenPoint{static_cast<int>(px * screen.width / place.width),
                       static_cast<int>(py * screen.height / place.height)};
}

Size FirstWindowSize(Size screen, Size desktop) {
    const int multiple = std::max(WholeMultipleThatFits(screen, desktop), 1);
    return {screen.width * multiple, screen.height * multiple};
}

}  // namespace platform
