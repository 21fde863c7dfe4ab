// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win/palette.h"

#include <algorithm>
#include <cstring>

namespace platform {

using win::PALETTEENTRY;

const std::array<PALETTEENTRY, 20> StaticColours = {{
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
}};

namespace {

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

}  // namespace

SystemPalette::SystemPalette(PaletteMode mode) : mode_(mode) {
    for (int i = 0; i < 10; ++i) {
        entries_[i] = StaticColours[i];
        entries_[246 + i] = StaticColours[10 + i];
    }
    if (mode == PaletteMode::NoStatic) {
        reserved_[0] = reserved_[255] = true;
    } else {
        for (int i = 0; i < 10; ++i) reserved_[i] = reserved_[246 + i] = true;
    }
}

int SystemPalette::ReservedCount() const { return mode_ == PaletteMode::NoStatic ? 2 : 20; }

win::UINT SystemPalette::Use() const {
    switch (mode_) {
        case PaletteMode::Static: return win::SYSPAL_STATIC;
        case PaletteMode::NoStatic: return win::SYSPAL_NOSTATIC;
        case PaletteMode::Error: return win::SYSPAL_ERROR;
    }
    return win::SYSPAL_ERROR;
}

std::uint8_t SystemPalette::Nearest(win::BYTE red, win::BYTE green, win::BYTE blue) const {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        int dr = entries_[i].peRed - red, dg = entries_[i].peGreen - green, db = entries_[i].peBlue - blue;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

Translation SystemPalette::MapNearest(std::span<const PALETTEENTRY> logical) const {
    auto same = [](std::span<const PALETTEENTRY> a, std::span<const PALETTEENTRY> b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size_bytes()) == 0;
    };
    for (const Mapping& mapping : mappings_)
        if (!mapping.translation.empty() && same(mapping.logical, logical) && same(mapping.system, entries_))
            return mapping.translation;
    Mapping& made = mappings_[nextMapping_];
    nextMapping_ = (nextMapping_ + 1) % mappings_.size();
    made.logical.assign(logical.begin(), logical.end());
    made.system = entries_;
    made.translation.clear();
    made.translation.reserve(logical.size());
    // Each colour of the system once, at its lowest slot: the nearest of
    // those is Nearest's answer, and an exact match is found by its colour.
    auto key = [](const PALETTEENTRY& e) { return std::uint32_t{e.peRed} << 16 | e.peGreen << 8 | e.peBlue; };
    std::array<std::uint32_t, 256> bySlot;  // colour << 8 | slot, in colour order
    for (int i = 0; i < 256; ++i) bySlot[i] = key(entries_[i]) << 8 | static_cast<std::uint32_t>(i);
    std::sort(bySlot.begin(), bySlot.end());
    std::vector<int> distinct;
    for (int i = 0; i < 256; ++i)
        if (i == 0 || bySlot[i] >> 8 != bySlot[i - 1] >> 8) distinct.push_back(static_cast<int>(bySlot[i] & 0xFF));
    std::sort(distinct.begin(), distinct.end());
    for (const auto& entry : logical) {
        const std::uint32_t colour = key(entry);
        const auto match = std::lower_bound(bySlot.begin(), bySlot.end(), colour << 8);
        if (match != bySlot.end() && *match >> 8 == colour) {
            made.translation.push_back(static_cast<std::uint8_t>(*match & 0xFF));
            continue;
        }
        int best = 0;
        int bestDistance = 1 << 30;
        for (const int slot : distinct) {
            const auto& system = entries_[slot];
            const int dr = system.peRed - entry.peRed, dg = system.peGreen - entry.peGreen,
                      db = system.peBlue - entry.peBlue;
            if (const int distance = dr * dr + dg * dg + db * db; distance < bestDistance) {
                best = slot;
                bestDistance = distance;
            }
        }
        made.translation.push_back(static_cast<std::uint8_t>(best));
    }
    return made.translation;
}

Translation SystemPalette::Realize(std::span<const PALETTEENTRY> logical, bool* changed) {
    Mapping& last = lastRealized_;
    if (!last.translation.empty() && last.logical.size() == logical.size() &&
        std::memcmp(last.logical.data(), logical.data(), logical.size_bytes()) == 0 &&
        std::memcmp(last.system.data(), entries_.data(), sizeof entries_) == 0)
        return last.translation;
    last.translation = RealizeAfresh(logical, changed);
    last.logical.assign(logical.begin(), logical.end());
    last.system = entries_;
    return last.translation;
}

Translation SystemPalette::RealizeAfresh(std::span<const PALETTEENTRY> logical, bool* changed) {
    std::array<bool, 256> placed{};  // slots this realisation gave out
    int nextFree = 0;
    auto takeFreeSlot = [&]() -> int {
        while (nextFree < 256 && (reserved_[nextFree] || placed[nextFree])) ++nextFree;
        return nextFree < 256 ? nextFree : -1;
    };
    auto place = [&](int slot, const PALETTEENTRY& colour) {
        placed[slot] = true;
        if (!SameColour(entries_[slot], colour)) {
            entries_[slot] = {colour.peRed, colour.peGreen, colour.peBlue, 0};
            if (changed) *changed = true;
        }
    };

    Translation translation;
    translation.reserve(logical.size());
    for (const auto& entry : logical) {
        int slot = -1;
        if (entry.peFlags & win::PC_EXPLICIT) {
            // The entry names a system slot in its low byte.
            slot = entry.peRed;
        } else if (entry.peFlags & (win::PC_NOCOLLAPSE | win::PC_RESERVED)) {
            slot = takeFreeSlot();
            if (slot >= 0) place(slot, entry);
        } else {
            for (int i = 0; i < 256 && slot < 0; ++i)
                if (reserved_[i] && SameColour(entries_[i], entry)) slot = i;
            for (int i = 0; i < 256 && slot < 0; ++i)
                if (placed[i] && SameColour(entries_[i], entry)) slot = i;
            if (slot < 0) {
                slot = takeFreeSlot();
                if (slot >= 0) place(slot, entry);
            }
        }
        if (slot < 0) slot = Nearest(entry.peRed, entry.peGreen, entry.peBlue);
        translation.push_back(static_cast<std::uint8_t>(slot));
    }
    return translation;
}

}  // namespace platform
