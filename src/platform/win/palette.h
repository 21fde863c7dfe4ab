// SPDX-License-Identifier: GPL-3.0-or-later
// The system palette of a 256-colour palette display and how logical palettes
// are realised into it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/core/settings.h"
#include "platform/win/win.h"

namespace platform {

// The 20 colours a palette display reserves: entries 0-9 and 246-255.
extern const std::array<win::PALETTEENTRY, 20> StaticColours;

// Logical index -> system palette index, one per logical entry.
using Translation = std::vector<std::uint8_t>;

class SystemPalette {
public:
    explicit SystemPalette(PaletteMode mode);

    const std::array<win::PALETTEENTRY, 256>& Entries() const { return entries_; }
    bool IsStatic(int slot) const { return reserved_[slot]; }
    // Entries that never change: 20, or 2 (black and white) without static colours.
    int ReservedCount() const;
    win::UINT Use() const;  // what GetSystemPaletteUse answers

    // The system entry closest in colour; the lowest index wins a tie.
    std::uint8_t Nearest(win::BYTE red, win::BYTE green, win::BYTE blue) const;
    Translation MapNearest(std::span<const win::PALETTEENTRY> logical) const;

    // Realises a logical palette as the foreground palette: returns its
    // translation. Sets *changed when an entry's colour changed.
    Translation Realize(std::span<const win::PALETTEENTRY> logical, bool* changed);

private:
    Translation RealizeAfresh(std::span<const win::PALETTEENTRY> logical, bool* changed);

    PaletteMode mode_;
    std::array<win::PALETTEENTRY, 256> entries_{};
    std::array<bool, 256> reserved_{};

    // Every device context maps its palette when selected, every frame of a
    // movie again: the last few mappings are kept while the system entries stay.
    struct Mapping {
        std::vector<win::PALETTEENTRY> logical;
        std::array<win::PALETTEENTRY, 256> system{};
        Translation translation;
    };
    mutable std::array<Mapping, 4> mappings_;
    mutable std::size_t nextMapping_ = 0;
    // A movie realises the same palette before every frame: when nothing
    // changed since, the last realisation stands.
    Mapping lastRealized_;
};

}  // namespace platform
