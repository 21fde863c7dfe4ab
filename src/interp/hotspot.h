// SPDX-License-Identifier: GPL-3.0-or-later
// A clickable rectangle of a still. All four edges are inclusive.
#pragma once

#include <cstdint>

#include "interp/action.h"

struct HotSpot {
    HotSpot* next = nullptr;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    Action action;

    bool Contains(std::int32_t x, std::int32_t y) const { return left <= x && x <= right && top <= y && y <= bottom; }
};
