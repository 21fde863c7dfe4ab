// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/palette_fit.h"

#include "platform/win/palette.h"

namespace check {
namespace {

bool Same(const win::RGBQUAD& a, const win::RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

}  // namespace

win::RGBQUAD KeptColour(Display display, int entry) {
    if (display == Display::NoStatic) return entry == 0 ? win::RGBQUAD{0, 0, 0, 0} : win::RGBQUAD{255, 255, 255, 0};
    const win::PALETTEENTRY& colour = platform::StaticColours[entry < 10 ? entry : entry - 236];
    return {colour.peBlue, colour.peGreen, colour.peRed, 0};
}

std::array<bool, 256> LostColours(const bitmap::Headers& headers, Display display) {
    std::array<bool, 256> lost{};
    const int kept = KeptAtEachEnd(display);
    const int shift = bitmap::ColourShift(headers.colours, kept);
    // The slide's palette takes the file's colours (moved up by the shift)
    // from entry `kept` up to `kept` short of the end of the moved table.
    const int taken = headers.colours + 2 * shift;
    for (int colour = 0; colour < headers.colours; ++colour) {
        const int entry = colour + shift;
        const bool keptEntry = entry < kept || entry >= 256 - kept;
        const bool takenEntry = display == Display::Static ? entry >= kept && entry < taken - kept : !keptEntry;
        if (takenEntry) continue;
        lost[colour] = !keptEntry || !Same(KeptColour(display, entry), headers.info.colours[colour]);
    }
    return lost;
}

}  // namespace check
