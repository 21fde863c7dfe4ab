// SPDX-License-Identifier: GPL-3.0-or-later
// Realisation of logical palettes into the system palette.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win/palette.h"

namespace {

using platform::PaletteMode;
using platform::SystemPalette;
using win::PALETTEENTRY;
using win::PC_NOCOLLAPSE;

using Entries = std::vector<PALETTEENTRY>;

Entries Colours(int count, int seed) {
    Entries colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({static_cast<win::BYTE>(i * 7 + seed), static_cast<win::BYTE>(255 - i),
                           static_cast<win::BYTE>(i * 3 + 1), 0});
    return colours;
}

// A slide palette, built as the bitmap loader builds it from n file colours.
Entries SlidePalette(const SystemPalette& system, const Entries& file) {
    const int n = static_cast<int>(file.size());
    Entries entries(256, PALETTEENTRY{0, 0, 0, 0});
    if (system.Use() == win::SYSPAL_NOSTATIC) {
        for (int i = 0; i < 256; ++i) entries[i] = i < n ? file[i] : PALETTEENTRY{0, 0, 0, 0};
        for (auto& entry : entries) entry.peFlags = PC_NOCOLLAPSE;
        entries[255] = {255, 255, 255, 0};
        entries[0] = {0, 0, 0, 0};
        return entries;
    }
    const int h = 10;
    int i = 0;
    for (; i < 256; ++i) entries[i] = system.Entries()[i];
    for (i = 0; i < h; ++i) entries[i].peFlags = 0;
    for (; i < n - h; ++i) entries[i] = {file[i].peRed, file[i].peGreen, file[i].peBlue, PC_NOCOLLAPSE};
    for (; i < 256 - h; ++i) entries[i].peFlags = PC_NOCOLLAPSE;
    for (; i < 256; ++i) entries[i].peFlags = 0;
    return entries;
}

// A movie palette of `count` entries, built as a palette chunk builds it.
Entries MoviePalette(const SystemPalette& system, const Entries& colours) {
    const int count = static_cast<int>(colours.size());
    Entries entries(256, PALETTEENTRY{0, 0, 0, 0});
    if (system.Use() == win::SYSPAL_NOSTATIC) {
        for (int i = 0; i < count; ++i) entries[i] = {colours[i].peRed, colours[i].peGreen, colours[i].peBlue, 4};
        for (int i = count; i < 256; ++i) entries[i].peFlags = 4;
        entries[255] = {255, 255, 255, 0};
        entries[0] = {0, 0, 0, 0};
    } else {
        const int h = 10;
        for (int i = 0; i < 256; ++i) entries[i] = system.Entries()[i];
        for (int i = 0; i < h; ++i) entries[i].peFlags = 0;
        int i = h;
        for (; i < count - h; ++i)
            entries[i] = {colours[i - h].peRed, colours[i - h].peGreen, colours[i - h].peBlue, 4};
        for (; i < 256 - h; ++i) entries[i].peFlags = 4;
        for (i = 256 - h; i < 256; ++i) entries[i].peFlags = 0;
    }
    entries.resize(count);
    return entries;
}

Entries BlackOutPalette() { return Entries(256, PALETTEENTRY{0, 0, 0, PC_NOCOLLAPSE}); }

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

void ExpectIdentity(SystemPalette& system, const Entries& logical) {
    platform::Translation translation = system.Realize(logical, nullptr);
    ASSERT_EQ(translation.size(), logical.size());
    for (std::size_t i = 0; i < logical.size(); ++i) {
        if (system.IsStatic(static_cast<int>(i))) continue;
        EXPECT_EQ(translation[i], i) << "logical entry " << i;
        EXPECT_TRUE(SameColour(system.Entries()[i], logical[i])) << "system entry " << i;
    }
}

TEST(SystemPalette, StartsWithTheStaticColoursAndBlackBetween) {
    struct Case {
        PaletteMode mode;
        win::UINT use;
        int reserved;
    } cases[] = {{PaletteMode::Static, win::SYSPAL_STATIC, 20},
                 {PaletteMode::NoStatic, win::SYSPAL_NOSTATIC, 2},
                 {PaletteMode::Error, win::SYSPAL_ERROR, 20}};
    for (const auto& c : cases) {
        SystemPalette system(c.mode);
        EXPECT_EQ(system.Use(), c.use);
        EXPECT_EQ(system.ReservedCount(), c.reserved);
        const auto& entries = system.Entries();
        for (int i = 0; i < 10; ++i) {
            EXPECT_TRUE(SameColour(entries[i], platform::StaticColours[i]));
            EXPECT_TRUE(SameColour(entries[246 + i], platform::StaticColours[10 + i]));
        }
        for (int i = 10; i < 246; ++i) EXPECT_TRUE(SameColour(entries[i], PALETTEENTRY{0, 0, 0, 0}));
        int statics = 0;
        for (int i = 0; i < 256; ++i) statics += system.IsStatic(i);
        EXPECT_EQ(statics, c.reserved);
        EXPECT_TRUE(system.IsStatic(0) && system.IsStatic(255));
    }
    EXPECT_TRUE(SameColour(platform::StaticColours[8], PALETTEENTRY{192, 220, 192, 0}));
    EXPECT_TRUE(SameColour(platform::StaticColours[10], PALETTEENTRY{255, 251, 240, 0}));
}

class PlayerPalettes : public ::testing::TestWithParam<PaletteMode> {};

TEST_P(PlayerPalettes, SlidePalettesMapOneToOne) {
    for (int n : {256, 236, 16, 2}) {
        SystemPalette system(GetParam());
        ExpectIdentity(system, SlidePalette(system, Colours(n, n)));
        // A second slide over the first.
        ExpectIdentity(system, SlidePalette(system, Colours(n, n + 1)));
    }
}

TEST_P(PlayerPalettes, MoviePalettesMapOneToOne) {
    for (int count : {256, 64, 16, 1}) {
        SystemPalette system(GetParam());
        ExpectIdentity(system, MoviePalette(system, Colours(count, count)));
    }
}

TEST_P(PlayerPalettes, BlackOutTurnsEveryFreeEntryBlack) {
    SystemPalette system(GetParam());
    system.Realize(SlidePalette(system, Colours(256, 5)), nullptr);
    bool changed = false;
    system.Realize(BlackOutPalette(), &changed);
    EXPECT_TRUE(changed);
    for (int i = 0; i < 256; ++i) {
        if (system.IsStatic(i)) continue;
        EXPECT_TRUE(SameColour(system.Entries()[i], PALETTEENTRY{0, 0, 0, 0})) << "entry " << i;
    }
    EXPECT_TRUE(SameColour(system.Entries()[255], PALETTEENTRY{255, 255, 255, 0}));
    // The movie that follows still maps one to one.
    ExpectIdentity(system, MoviePalette(system, Colours(256, 9)));
}

INSTANTIATE_TEST_SUITE_P(AllModes, PlayerPalettes,
                         ::testing::Values(PaletteMode::Static, PaletteMode::NoStatic, PaletteMode::Error));

TEST(Realisation, CollapsesPlainEntriesOntoIdenticalColours) {
    const PALETTEENTRY red{255, 0, 0, 0}, teal{1, 2, 3, 0}, teal4{1, 2, 3, PC_NOCOLLAPSE};
    struct Case {
        const char* name;
        Entries logical;
        std::vector<int> expected;
    } cases[] = {
        {"onto a static colour", {red}, {249}},
        {"a new colour takes the lowest free slot", {teal}, {10}},
        {"onto a colour placed before", {teal, teal}, {10, 10}},
        {"onto a no-collapse colour placed before", {teal4, teal}, {10, 10}},
        {"no-collapse never shares", {teal4, teal4, {255, 0, 0, PC_NOCOLLAPSE}}, {10, 11, 12}},
        {"reserved entries take slots too", {{9, 9, 9, win::PC_RESERVED}, teal}, {10, 11}},
        {"explicit entries name a slot", {{250, 0, 0, win::PC_EXPLICIT}}, {250}},
    };
    for (const auto& c : cases) {
        SystemPalette system(PaletteMode::Static);
        auto translation = system.Realize(c.logical, nullptr);
        EXPECT_EQ(std::vector<int>(translation.begin(), translation.end()), c.expected) << c.name;
        EXPECT_TRUE(SameColour(system.Entries()[249], red)) << "static entries never change: " << c.name;
    }
}

TEST(Realisation, FreeSlotsStartAfterBlackWithoutStaticColours) {
    SystemPalette system(PaletteMode::NoStatic);
    auto translation = system.Realize(Entries{{0, 0, 0, 0}, {5, 5, 5, 0}, {255, 255, 255, 0}}, nullptr);
    EXPECT_EQ(std::vector<int>(translation.begin(), translation.end()), (std::vector<int>{0, 1, 255}));
}

TEST(Realisation, EntriesWithoutAFreeSlotTakeTheNearestColour) {
    SystemPalette system(PaletteMode::Static);
    Entries logical(236, PALETTEENTRY{0, 0, 0, PC_NOCOLLAPSE});
    logical.push_back({250, 5, 5, PC_NOCOLLAPSE});  // no slot left: nearest is the static red
    logical.push_back({3, 3, 3, 0});                // nearest is black at 0
    auto translation = system.Realize(logical, nullptr);
    EXPECT_EQ(translation[235], 245);
    EXPECT_EQ(translation[236], 249);
    EXPECT_EQ(translation[237], 0);
}

TEST(Realisation, SlotsTheRealisationLeavesKeepTheirColours) {
    SystemPalette system(PaletteMode::Static);
    system.Realize(Colours(20, 40), nullptr);  // flags 0: slots 10..29
    const PALETTEENTRY kept = system.Entries()[25];
    bool changed = false;
    system.Realize(Entries{{7, 7, 7, PC_NOCOLLAPSE}}, &changed);
    EXPECT_TRUE(changed);
    EXPECT_TRUE(SameColour(system.Entries()[10], PALETTEENTRY{7, 7, 7, 0}));
    EXPECT_TRUE(SameColour(system.Entries()[25], kept));
}

TEST(Realisation, RealisingTheSamePaletteAgainChangesNothing) {
    SystemPalette system(PaletteMode::Static);
    Entries logical = Colours(100, 3);
    bool changed = false;
    system.Realize(logical, &changed);
    EXPECT_TRUE(changed);
    changed = false;
    system.Realize(logical, &changed);
    EXPECT_FALSE(changed);
}

TEST(Realisation, NearestMappingPrefersTheLowestIndexOnTies) {
    SystemPalette system(PaletteMode::Static);
    EXPECT_EQ(system.Nearest(0, 0, 0), 0);  // black is also every middle entry
    EXPECT_EQ(system.Nearest(250, 250, 250), 255);
    EXPECT_EQ(system.Nearest(130, 0, 0), 1);
}

TEST(Realisation, MappingAPaletteAgreesWithNearestForEveryEntry) {
    SystemPalette system(PaletteMode::Static);
    auto check = [&](const char* state) {
        // Colours of no slot, and every slot's own colour in reverse order.
        Entries logical = Colours(128, 11);
        for (int i = 255; i >= 0; --i) logical.push_back(system.Entries()[i]);
        const platform::Translation translation = system.MapNearest(logical);
        ASSERT_EQ(translation.size(), logical.size()) << state;
        for (std::size_t i = 0; i < logical.size(); ++i)
            EXPECT_EQ(translation[i], system.Nearest(logical[i].peRed, logical[i].peGreen, logical[i].peBlue))
                << state << ", logical entry " << i;
    };
    check("black in every middle slot");
    system.Realize(SlidePalette(system, Colours(200, 2)), nullptr);
    check("after a slide");
    system.Realize(BlackOutPalette(), nullptr);
    check("after the black-out");
}

}  // namespace
