// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/media_names.h"

#include "platform/win/win.h"

namespace media {

std::string BaseName(std::string_view name) { return std::string(name.substr(0, name.find('.'))); }

std::string MusicFile(std::string_view name) { return BaseName(name) + ".wav"; }

std::optional<std::string> CompanionSound(std::string_view openedName) {
    const std::string base = BaseName(openedName);
    char folder[win::_MAX_PATH];
    char found[win::_MAX_PATH];
    if (win::GetCurrentDirectoryA(sizeof folder, folder) == 0 ||
        win::SearchPathA(folder, base.c_str(), ".wav", sizeof found, found, nullptr) == 0)
        return std::nullopt;
    return base + ".wav";
}

std::string SectionPath(std::int32_t section, std::int32_t number) {
    const std::string name(SongSectionNames[static_cast<std::size_t>(section)]);
    return name + "\\" + name + std::to_string(number) + ".wav";
}

}  // namespace media
