// SPDX-License-Identifier: GPL-3.0-or-later
// The files, songs and programs a script names, looked for as the player
// looks for them from the script's folder; each file is checked once.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "check/media_check.h"
#include "check/tree_checker.h"
#include "media/media_names.h"
#include "platform/core/byte_reader.h"
#include "platform/core/command_line.h"
#include "platform/core/disc_program.h"
#include "platform/core/letter_case.h"
#include "platform/core/paths.h"
#include "platform/core/program_search.h"
#include "platform/core/tree_top.h"
#include "platform/win/win.h"
#include "still/bitmap_file.h"

namespace check {
namespace {

namespace fs = std::filesystem;

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && platform::EqualsIgnoringCase(text.substr(0, start.size()), start);
}

// Files of a section folder named like section files that the count of
// `played` files never reaches: numbered beyond it, or with leading zeros.
std::map<unsigned long, std::string> NeverPlayed(const std::string& folder, const std::string& section, int played) {
    std::map<unsigned long, std::string> files;
    for (const std::string& name : platform::FolderNames(folder).value_or(std::vector<std::string>{})) {
        if (!StartsWithIgnoringCase(name, section) || name.size() < section.size() + 5) continue;
        const std::string digits = name.substr(section.size(), name.size() - section.size() - 4);
        if (!StartsWithIgnoringCase(name.substr(name.size() - 4), ".wav") ||
            digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
            continue;
        const unsigned long number = std::stoul(digits);
        if (digits[0] == '0' || number > static_cast<unsigned long>(played)) files.emplace(number, name);
    }
    return files;
}

}  // namespace

void TreeChecker::CheckName(int line, const std::string& name) {
    if (platform::LeavesTree(name))
        Report(line, name +
                         " is outside the presentation's tree as written (a drive, or \"..\" above its top): the "
                         "player takes it from the tree's top");
    if (platform::IsSpecialFile(name))
        Report(line, name +
                         " is not a regular file (a FIFO, a device, a socket or a symlink loop): the player "
                         "takes it for missing");
}

std::optional<PictureSize> TreeChecker::UsePicture(int line, const char* name) {
    const std::string completed = bitmap::CompletedName(name);
    CheckName(line, completed);
    errno = 0;
    if (win::_access(completed.c_str(), 0) != 0 && errno == ENOENT) {
        Report(line, "The file " + completed + " could not be found.");
        return std::nullopt;
    }
    const fs::path absolute = Absolute(completed);
    if (const auto known = pictures_.find(absolute); known != pictures_.end()) return known->second;
    const auto file = platform::ByteReader::Open(completed.c_str());
    if (!file) {
        Report(line, "Unable to open bitmap file " + completed);
        return std::nullopt;
    }
    PictureCheck check = CheckPictureFile(*file);
    for (std::string& problem : check.problems) ReportFile(absolute, std::move(problem));
    pictures_.emplace(absolute, check.size);
    return check.size;
}

void TreeChecker::UseMovie(int line, const char* name) {
    const std::string withExtension = name + std::string(media::MovieExtension);
    CheckName(line, name);
    if (platform::IsSpecialFile(withExtension)) CheckName(line, withExtension);
    std::string opened = name;
    auto file = platform::ByteReader::Open(opened.c_str());
    if (!file) {
        opened = withExtension;
        file = platform::ByteReader::Open(opened.c_str());
    }
    if (!file) {
        Report(line, std::string("Unable to open Flic file: ") + name + " (tried " + name + ", " + opened + ")");
        return;
    }
    const fs::path absolute = Absolute(opened);
    if (FirstUse(absolute)) {
        const std::string problem = CheckMovieFile(opened);
        if (!problem.empty()) ReportFile(absolute, problem);
    }
    if (const auto sound = media::CompanionSound(opened)) UseSound(*sound);
}

void TreeChecker::UseMusicFile(int line, const char* name) {
    const std::string path = media::MusicFile(name);
    CheckName(line, path);
    if (!platform::IsRegularFile(path)) {
        Report(line, "music file " + path + " not found: the line plays nothing");
        return;
    }
    UseSound(path);
}

void TreeChecker::UseSound(const std::string& path) {
    const fs::path absolute = Absolute(path);
    if (!FirstUse(absolute)) return;
    const std::string problem = CheckSoundFile(path);
    if (!problem.empty()) ReportFile(absolute, problem);
}

void TreeChecker::UseSong(int line) {
    if (!songs_.insert(folder_).second) return;
    std::uint64_t largestPass = 0;
    for (std::int32_t section = media::Intro; section < media::EndOfPass; ++section) {
        const std::string name(media::SongSectionNames[static_cast<std::size_t>(section)]);
        const win::DWORD folder = win::GetFileAttributesA(name.c_str());
        if (folder == win::INVALID_FILE_ATTRIBUTES || !(folder & win::FILE_ATTRIBUTE_DIRECTORY)) {
            Report(line, "song section folder " + name + " is missing: the song has no " + name);
            continue;
        }
        int count = 0;
        std::uint64_t largest = 0;
        for (; count < media::MaxSectionFiles; ++count) {
            const std::string path = media::SectionPath(section, count + 1);
            win::WIN32_FILE_ATTRIBUTE_DATA attributes{};
            if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &attributes) ||
                (attributes.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY))
                break;
            largest = std::max(largest, std::uint64_t{attributes.nFileSizeHigh} << 32 | attributes.nFileSizeLow);
            UseSound(path);
        }
        if (count == 0) {
            Report(line, "no " + name + "1.wav in " + name + ": the song has no " + name);
            continue;
        }
        std::string unplayed;
        for (const auto& [number, file] : NeverPlayed(name, name, count))
            unplayed += (unplayed.empty() ? "" : ", ") + file;
        if (!unplayed.empty())
            Report(line, "song section " + name + ": " + unplayed + " never played; the numbers stop at " + name +
                             std::to_string(count) + ".wav");
        // A pass queues the section's file once for every time the plan plays
        // it; the budget holds what is queued and not yet released.
        largestPass += largest * static_cast<std::uint64_t>(media::PlaysPerPass(section));
    }
    if (largestPass >= media::SongBudget)
        Report(line, "a pass of the song can take " + std::to_string(largestPass) + " bytes, not below the budget of " +
                         std::to_string(media::SongBudget) + ": sections will be skipped");
}

void TreeChecker::UseProgram(int line, const char* keyword, const char* commandLine) {
    const std::string program = platform::SplitCommandLine(commandLine).program;
    if (program.find_first_of("\\/:") != std::string::npos) CheckName(line, program);
    const char* path = std::getenv("PATH");
    if (platform::ProgramOnDisc(program)) return;
    const platform::ProgramFound found = platform::FindProgram(program, path ? path : "");
    if (found.error == ENOENT)
        Report(line, std::string(keyword) + " program \"" + program + "\" is not found (in this folder, then PATH)");
    else if (found.error != 0)
        Report(line, std::string(keyword) + " program \"" + program + "\" may not be run");
}

}  // namespace check
