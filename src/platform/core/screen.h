// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation screen: an 8-bit surface of system palette indices.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/settings.h"
#include "platform/win/palette.h"
#include "platform/win/win.h"

namespace platform {

class Screen {
public:
    Screen(PaletteMode mode, Size size);

    Size GetSize() const { return size_; }
    win::RECT Bounds() const { return {0, 0, size_.width, size_.height}; }
    std::uint8_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * size_.width; }
    const std::uint8_t* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * size_.width; }
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

    SystemPalette& Palette() { return palette_; }
    const SystemPalette& Palette() const { return palette_; }

    // Keeps the old pixels at the top left; new area black (index 0).
    void Resize(Size size);
    // Fills a rectangle, clipped to the surface.
    void Fill(const win::RECT& rect, std::uint8_t index);

    // What changed since the last present, so that only that is shown
    // afresh: the rectangle around every change of pixels, the whole
    // screen when the system palette changed. Presenting takes it.
    void MarkChanged() {
        changed_ = Bounds();
        ++changes_;
    }
    void MarkChanged(const win::RECT& rect);
    // Counts every change of pixels or system palette: a drawer that finds
    // it where its last drawing left it knows that what it drew is intact.
    std::uint64_t Changes() const { return changes_; }
    std::optional<win::RECT> TakeChanged() { return std::exchange(changed_, std::nullopt); }

    // The picture as RGB bytes, rows top to bottom.
    std::vector<std::uint8_t> ToRgb() const;
    // zlib's CRC-32 of ToRgb().
    std::uint32_t Crc() const;

private:
    Size size_;
    std::vector<std::uint8_t> pixels_;
    SystemPalette palette_;
    std::optional<win::RECT> changed_;
    std::uint64_t changes_ = 0;
};

// Converts indices through the palette into 32-bit pixels 0x00RRGGBB;
// pitch in pixels. `out` holds the whole screen, or only `area` of it.
void ConvertToXrgb(const Screen& screen, std::uint32_t* out, int pitch);
void ConvertToXrgb(const Screen& screen, const win::RECT& area, std::uint32_t* out, int pitch);

win::RECT Intersect(const win::RECT& a, const win::RECT& b);
bool IsEmpty(const win::RECT& rect);

// The session's screen, made on first use.
Screen& TheScreen();
// Presents the screen when it changed since the last present.
void PresentIfChanged();

}  // namespace platform
