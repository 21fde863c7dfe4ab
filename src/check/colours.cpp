// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/colours.h"

#include <libimagequant.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace check {
namespace {

template <typename T, auto destroy>
using Owned = std::unique_ptr<T, decltype([](T* object) { destroy(object); })>;

int Distance(Rgb a, Rgb b) {
    const int red = a.red - b.red, green = a.green - b.green, blue = a.blue - b.blue;
    return red * red + green * green + blue * blue;
}

}  // namespace

std::vector<Rgb> ReducedPalette(const std::vector<ColourUse>& uses, int count) {
    const Owned<liq_attr, liq_attr_destroy> attributes(liq_attr_create());
    if (!attributes || liq_set_max_colors(attributes.get(), count) != LIQ_OK) return {};
    const Owned<liq_histogram, liq_histogram_destroy> histogram(liq_histogram_create(attributes.get()));
    if (!histogram) return {};
    std::vector<liq_histogram_entry> entries;
    for (const ColourUse& use : uses) {
        const auto pixels =
            static_cast<unsigned>(std::min<std::uint64_t>(use.pixels, std::numeric_limits<unsigned>::max()));
        entries.push_back({{use.colour.red, use.colour.green, use.colour.blue, 255}, std::max(pixels, 1u)});
    }
    if (liq_histogram_add_colors(histogram.get(), attributes.get(), entries.data(), static_cast<int>(entries.size()),
                                 0) != LIQ_OK)
        return {};
    liq_result* made = nullptr;
    if (liq_histogram_quantize(histogram.get(), attributes.get(), &made) != LIQ_OK) return {};
    const Owned<liq_result, liq_result_destroy> result(made);
    const liq_palette* palette = liq_get_palette(result.get());
    std::vector<Rgb> colours;
    for (unsigned i = 0; i < palette->count; ++i)
        colours.push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
    return colours;
}

std::uint8_t Nearest(const std::vector<Rgb>& palette, Rgb colour) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < palette.size(); ++i)
        if (Distance(palette[i], colour) < Distance(palette[best], colour)) best = i;
    return static_cast<std::uint8_t>(best);
}

}  // namespace check
