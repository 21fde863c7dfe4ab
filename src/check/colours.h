// SPDX-License-Identifier: GPL-3.0-or-later
// Colours as the fixers handle them, and their reduction to fewer.
#pragma once

#include <cstdint>
#include <vector>

namespace check {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    auto operator<=>(const Rgb&) const = default;
};

struct ColourUse {
    Rgb colour;
    std::uint64_t pixels = 0;
};

// At most `count` colours that stand for `uses` (libimagequant, weighted by
// the pixels); empty when it fails.
std::vector<Rgb> ReducedPalette(const std::vector<ColourUse>& uses, int count);

// The entry of `palette` nearest to `colour`; `palette` is not empty.
std::uint8_t Nearest(const std::vector<Rgb>& palette, Rgb colour);

}  // namespace check
