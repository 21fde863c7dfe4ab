// SPDX-License-Identifier: GPL-3.0-or-later
// The screen's place in the window and the mouse mapped back, in every mode.
#include <gtest/gtest.h>

#include "platform/core/viewport.h"

namespace {

using platform::Placement;
using platform::ScaleMode;
using platform::ScreenPoint;
using platform::Size;

TEST(Viewport, PlacesTheScreenCentredInEveryMode) {
    const struct {
        Size screen, output;
        ScaleMode mode;
        Placement expected;
    } cases[] = {
        {{640, 480}, {640, 480}, ScaleMode::Aspect, {0, 0, 640, 480}},
        {{640, 480}, {1920, 1080}, ScaleMode::Aspect, {240, 0, 1440, 1080}},
        {{640, 480}, {1280, 1024}, ScaleMode::Aspect, {0, 32, 1280, 960}},
        {{640, 480}, {320, 200}, ScaleMode::Aspect, {26, 0, 267, 200}},
        {{640, 480}, {1920, 1080}, ScaleMode::Integer, {320, 60, 1280, 960}},
        {{640, 480}, {1919, 1439}, ScaleMode::Integer, {319, 239, 1280, 960}},
        {{640, 480}, {1024, 768}, ScaleMode::Integer, {192, 144, 640, 480}},  // short of 2x: 1x
        {{640, 480}, {320, 200}, ScaleMode::Integer, {26, 0, 267, 200}},      // too small for 1x: as Aspect
        {{640, 480}, {1920, 1080}, ScaleMode::Stretch, {0, 0, 1920, 1080}},
        {{640, 480}, {0, 0}, ScaleMode::Aspect, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.output.width << "x" << c.output.height << " mode "
                                        << static_cast<int>(c.mode));
        EXPECT_EQ(platform::PlaceScreen(c.screen, c.output, c.mode), c.expected);
    }
}

TEST(Viewport, MapsWindowPointsToScreenPixelsAndIgnoresTheLetterbox) {
    const Size screen{640, 480};
    const struct {
        int x, y;
        Size window, output;
        ScaleMode mode;
        std::optional<ScreenPoint> expected;
    } cases[] = {
        {0, 0, {640, 480}, {640, 480}, ScaleMode::Aspect, ScreenPoint{0, 0}},
        {639, 479, {640, 480}, {640, 480}, ScaleMode::Aspect, ScreenPoint{639, 479}},
        {240, 0, {1920, 1080}, {1920, 1080}, ScaleMode::Aspect, ScreenPoint{0, 0}},
        {1679, 1079, {1920, 1080}, {1920, 1080}, ScaleMode::Aspect, ScreenPoint{639, 479}},
        {239, 500, {1920, 1080}, {1920, 1080}, ScaleMode::Aspect, std::nullopt},   // left bar
        {1680, 500, {1920, 1080}, {1920, 1080}, ScaleMode::Aspect, std::nullopt},  // right bar
        {-1, 10, {640, 480}, {640, 480}, ScaleMode::Aspect, std::nullopt},
        {320, 60, {1920, 1080}, {1920, 1080}, ScaleMode::Integer, ScreenPoint{0, 0}},
        {321, 61, {1920, 1080}, {1920, 1080}, ScaleMode::Integer, ScreenPoint{0, 0}},
        {322, 62, {1920, 1080}, {1920, 1080}, ScaleMode::Integer, ScreenPoint{1, 1}},
        {1919, 1079, {1920, 1080}, {1920, 1080}, ScaleMode::Stretch, ScreenPoint{639, 479}},
        // HiDPI: a 960x540 window drawn at 1920x1080.
        {120, 0, {960, 540}, {1920, 1080}, ScaleMode::Aspect, ScreenPoint{0, 0}},
        {839, 539, {960, 540}, {1920, 1080}, ScaleMode::Aspect, ScreenPoint{639, 479}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " in " << c.window.width << "x" << c.window.height);
        EXPECT_EQ(platform::WindowPointToScreen(c.x, c.y, c.window, c.output, screen, c.mode), c.expected);
    }
}

TEST(Viewport, FirstWindowIsTheLargestWholeMultipleThatFitsTheDesktop) {
    EXPECT_EQ(platform::FirstWindowSize({640, 480}, {1920, 1080}), (Size{1280, 960}));
    EXPECT_EQ(platform::FirstWindowSize({640, 480}, {1280, 960}), (Size{1280, 960}));
    EXPECT_EQ(platform::FirstWindowSize({320, 200}, {3840, 2160}), (Size{3200, 2000}));
    EXPECT_EQ(platform::FirstWindowSize({640, 480}, {800, 400}), (Size{640, 480}));
}

}  // namespace
