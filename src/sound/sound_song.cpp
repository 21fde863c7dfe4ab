// SPDX-License-Identifier: GPL-3.0-or-later
// Sectioned songs: background music assembled pass after pass from numbered
// section files in five folders below the presentation's, chosen at random
// and held within a byte budget.
#include <string>

#include "sound/sound_class.h"

namespace {

using media::Bridge;
using media::Chorus;
using media::EndOfPass;
using media::Intro;
using media::Outro;
using media::SectionPath;
using media::SongBudget;
using media::Verse;

struct Section {
    bool playsTwice;
    bool chosenOncePerPass;
};

// By section, in the order of the section codes.
constexpr Section Sections[] = {
    {false, false}, {true, true}, {true, true}, {true, false}, {false, false},
};

constexpr std::uint32_t PassQueueLimit = 7;  // a pass begins only while fewer wait

}  // namespace

std::int32_t& SoundClass::SongSectionCount(std::int32_t code) {
    switch (code) {
        case Intro: return introCount;
        case Verse: return verseCount;
        case Chorus: return chorusCount;
        case Bridge: return bridgeCount;
        default: return outroCount;
    }
}

void SoundClass::CountSongSections() {
    songBytes = 0;
    songMode = SongMode::Playing;
    for (std::int32_t code = Intro; code < EndOfPass; ++code) {
        std::int32_t& count = SongSectionCount(code);
        count = 0;
        while (count < media::MaxSectionFiles && FileExists(SectionPath(code, count + 1).c_str())) ++count;
    }
}

void SoundClass::QueueSongPass() {
    if (songBytes >= SongBudget || queuedCount >= PassQueueLimit) return;
    std::int32_t verse = 0;  // chosen at their first occurrence in the pass
    std::int32_t chorus = 0;
    for (const std::int32_t code : songPlan) {
        if (code == EndOfPass) break;
        const Section& section = Sections[code];
        std::int32_t fresh = 0;
        std::int32_t& number = code == Verse ? verse : code == Chorus ? chorus : fresh;
        if (!section.chosenOncePerPass || number == 0) {
            // Drawn for every choice, so later choices do not depend on which files exist.
            const std::int32_t draw = songRandom.Next();
            const std::int32_t count = SongSectionCount(code);
            number = count > 0 ? 1 + draw % count : 1;
        }
        const std::string path = SectionPath(code, number);
        win::WIN32_FILE_ATTRIBUTE_DATA attributes{};
        if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &attributes) ||
            attributes.nFileSizeHigh != 0)
            continue;
        const std::uint32_t size = attributes.nFileSizeLow;
        if (std::uint64_t{songBytes} + size >= SongBudget) continue;
        // Only what was accepted is counted: a refused section is never
        // released, and its size would hold the budget for good.
        const bool accepted = section.playsTwice
                                  ? StartMusic(path.c_str(), 0, MusicMode::Wait, 2, 0, EntryKind::SongSection)
                                  : StartMusic(path.c_str(), 1, MusicMode::Wait, 0, 0, EntryKind::SongSection);
        if (accepted) songBytes += size;
    }
}
