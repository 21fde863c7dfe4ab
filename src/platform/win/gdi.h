// SPDX-License-Identifier: GPL-3.0-or-later
// Device contexts and drawing objects.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "platform/win/palette.h"
#include "platform/win/win.h"

namespace platform {

struct PaletteObject {
    std::vector<win::PALETTEENTRY> entries;
};
struct BrushObject {
    bool hollow = false;
    win::COLORREF colour = 0;
};
struct PenObject {
    bool hollow = false;
    int width = 1;
    win::COLORREF colour = 0;
};
struct GdiData {
    std::variant<PaletteObject, BrushObject, PenObject> object;
    bool stock = false;
};

struct DcData {
    win::HWND window = nullptr;  // null: the whole screen
    win::HBRUSH brush = nullptr;
    win::HPEN pen = nullptr;
    win::HPALETTE palette = nullptr;
    // The selected objects stay alive while selected, even if deleted.
    std::shared_ptr<GdiData> brushData, penData, paletteData;
    Translation translation;  // of the selected palette
    bool background = false;  // the palette was selected for the background
};

DcData* FindDc(win::HDC hdc);

// Where a device context draws on the screen surface: the origin of its
// coordinates and the clip rectangle. False when its window is gone.
bool DrawingArea(const DcData& dc, win::POINT* origin, win::RECT* clip);

// The system palette index a colour is drawn with in this context: the
// nearest entry of its logical palette, translated.
std::uint8_t ColourIndex(const DcData& dc, win::COLORREF colour);
// The system index of a logical palette index (0 when out of range).
inline std::uint8_t LogicalToSystem(const DcData& dc, unsigned logical) {
    return logical < dc.translation.size() ? dc.translation[logical] : 0;
}

}  // namespace platform
