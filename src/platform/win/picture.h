// SPDX-License-Identifier: GPL-3.0-or-later
// What stills and movies share: a logical palette of up to 256 entries, a
// palette owned, the colours the display keeps, and where a picture centred
// in a window starts.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win/win.h"

namespace platform {

inline constexpr int PaletteEntries = 256;

struct LogPalette256 {
    win::WORD palVersion = 0x300;
    win::WORD palNumEntries = PaletteEntries;
    win::PALETTEENTRY palPalEntry[PaletteEntries]{};

    win::HPALETTE Create() const { return win::CreatePalette(reinterpret_cast<const win::LOGPALETTE*>(this)); }
};

struct GdiObjectDeleter {
    void operator()(win::GdiObject* object) const { win::DeleteObject(object); }
};
using OwnedPalette = std::unique_ptr<win::GdiObject, GdiObjectDeleter>;

// The colours a display keeps for itself: as many as it says when it keeps
// static colours, else the usual 20.
inline int StaticColourCount(win::HDC screen, win::UINT use) {
    return use == win::SYSPAL_STATIC ? win::GetDeviceCaps(screen, win::NUMCOLORS) : 20;
}

// Where a picture of `inner` pixels starts, centred in `outer`: the halves are
// taken first, so that odd sizes round alike for stills, their hotspots and
// movies.
constexpr std::int32_t CentredStart(std::int32_t outer, std::int32_t inner) { return (outer >> 1) - (inner >> 1); }

}  // namespace platform
