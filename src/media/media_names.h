// SPDX-License-Identifier: GPL-3.0-or-later
// How the names a script gives become the files the player opens: movies and
// their companion sounds, music files and the sections of a song, with the
// plan and the byte budget of a song pass. The player and the checker both
// take their names from here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace media {

// A movie not found under its name as written is looked for with this added.
inline constexpr std::string_view MovieExtension = ".flc";

// The name cut at its first dot.
std::string BaseName(std::string_view name);

// The music file a MUSIC name plays: whatever extension it has, the .wav of
// the same base name.
std::string MusicFile(std::string_view name);

// The sound that plays with the movie opened as `openedName`: the .wav of its
// base name, when there is one in the current folder only.
std::optional<std::string> CompanionSound(std::string_view openedName);

// The sections of a song, in the order of their folders; a pass plays them
// in the order of the plan.
enum SongSection : std::int32_t { Intro, Verse, Chorus, Bridge, Outro, EndOfPass };
inline constexpr std::array<std::string_view, EndOfPass> SongSectionNames{"intro", "verse", "chorus", "bridge",
                                                                          "outro"};
inline constexpr std::array<std::int32_t, 9> SongPlan{Intro,  Verse,  Chorus, Bridge,   Verse,
                                                      Chorus, Chorus, Outro,  EndOfPass};
inline constexpr std::uint32_t SongBudget = 8192000;  // bytes of song sections held
inline constexpr std::int32_t MaxSectionFiles = 98;   // of each section, numbered from 1

// How often one pass of the plan plays `section`.
constexpr int PlaysPerPass(std::int32_t section) {
    int plays = 0;
    for (const std::int32_t planned : SongPlan) plays += planned == section;
    return plays;
}

// File `number` of `section`, relative to the presentation's folder, so that
// a folder whose name holds a "." or runs long cannot spoil the name the
// music request cuts at its first ".".
std::string SectionPath(std::int32_t section, std::int32_t number);

}  // namespace media
