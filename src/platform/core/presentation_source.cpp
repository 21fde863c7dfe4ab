// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/presentation_source.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "platform/core/disc_volume.h"
#include "platform/core/letter_case.h"
#include "platform/core/settings.h"

namespace platform {
namespace {

// Bounds on the search for the presentation, whatever a disc claims.
constexpr std::size_t MaxFolders = 65536;
constexpr std::size_t MaxDepth = 64;

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

bool EndsLikeImage(std::string_view name) {
    for (std::string_view extension : {".iso", ".cue", ".toc", ".bin", ".nrg"}) {
        if (name.size() > extension.size() &&
            EqualsIgnoringCase(name.substr(name.size() - extension.size()), extension))
            return true;
    }
    return false;
}

// IMAGE:/FOLDER split at the first ":/" whose left side exists.
bool SplitImageFolder(const std::string& argument, std::string& image, std::string& folder) {
    for (std::size_t at = argument.find(":/"); at != std::string::npos; at = argument.find(":/", at + 1)) {
        if (at > 0 && Exists(argument.substr(0, at))) {
            image = argument.substr(0, at);
            folder = argument.substr(at + 2);
            return true;
        }
    }
    return false;
}

std::string Shown(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += "/" + name;
    return text.empty() ? "/" : text;
}

bool HoldsScript(const std::vector<DiscEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [](const DiscEntry& entry) {
        return !entry.folder && EqualsIgnoringCase(entry.name, "sequence");
    });
}

struct Candidate {
    DiscEntry entry;
    std::vector<std::string> names;
};

// The root when it holds a script, else the shallowest folder that does,
// level by level. Every folder met is checked to lie inside the disc and to
// be met once: a folder found again is a loop in a damaged directory.
bool FindPresentationFolder(DiscImage& disc, std::vector<std::string>& found, std::string& error) {
    const std::string& source = disc.Source();
    std::vector<Candidate> level{{disc.Root(), {}}};
    std::set<std::uint32_t> seen{disc.Root().lsn};
    for (std::size_t depth = 0; !level.empty(); ++depth) {
        std::vector<const Candidate*> holders;
        std::vector<Candidate> next;
        for (const Candidate& candidate : level) {
            const auto entries = disc.List(candidate.entry);
            if (!entries) {
                error = source + ": damaged image (the folder " + Shown(candidate.names) + " cannot be read)";
                return false;
            }
            if (HoldsScript(*entries)) holders.push_back(&candidate);
            for (const DiscEntry& entry : *entries) {
                if (!entry.folder) continue;
                std::vector<std::string> names = candidate.names;
                names.push_back(entry.name);
                if (!disc.Inside(entry)) {
                    error = source + ": damaged image (the folder " + Shown(names) + " lies past its end)";
                    return false;
                }
                if (!seen.insert(entry.lsn).second) {
                    error = source + ": damaged image (the folder " + Shown(names) + " contains itself)";
                    return false;
                }
                if (seen.size() > MaxFolders || depth >= MaxDepth) {
                    error = source + ": damaged image (too many folders)";
                    return false;
                }
                next.push_back({entry, std::move(names)});
            }
        }
        if (holders.size() == 1) {
            found = holders.front()->names;
            return true;
        }
        if (holders.size() > 1) {
            error = source + ": holds several presentations (";
            for (const Candidate* holder : holders)
                error += (holder == holders.front() ? "" : ", ") + Shown(holder->names);
            error += "); name one as " + source + ":/FOLDER";
            return false;
        }
        level = std::move(next);
    }
    error = source + ": no folder on it holds a 'sequence' script";
    return false;
}

bool PlaceImage(const std::string& image, const std::string* folder, std::string& error) {
    std::unique_ptr<DiscImage> disc = DiscImage::Open(image, error);
    if (!disc) return false;
    std::vector<std::string> names;
    if (folder) {
        std::vector<std::string> components;
        std::size_t at = 0;
        while (at <= folder->size()) {
            std::size_t end = folder->find_first_of("/\\", at);
            if (end == std::string::npos) end = folder->size();
            if (end > at) components.push_back(folder->substr(at, end - at));
            at = end + 1;
        }
        const auto entry = disc->Find(components, &names);
        const auto entries = entry ? disc->List(*entry) : std::nullopt;
        if (!entries || !HoldsScript(*entries)) {
            error = image + ":/" + *folder + ": no folder holding a 'sequence' script";
            return false;
        }
    } else if (!FindPresentationFolder(*disc, names, error)) {
        return false;
    }
    PlaceDisc(std::move(disc), std::move(names));
    return true;
}

}  // namespace

bool IsPresentationArgument(std::string_view argument) {
    if (argument.empty() || argument[0] == '-') return false;
    const std::string text(argument);
    std::string image, folder;
    return text == "cdrom" || Exists(text) || SplitImageFolder(text, image, folder) || EndsLikeImage(argument);
}

bool EnterPresentation(const std::string& argument, std::string& error) {
    struct stat info;
    if (argument != "cdrom" && ::stat(argument.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        char folder[4096];
        if (::chdir(argument.c_str()) != 0 || !::getcwd(folder, sizeof folder)) {
            error = argument + ": " + std::strerror(errno);
            return false;
        }
        SetStartFolder(folder);
        return true;
    }
    std::string image, folder;
    if (argument != "cdrom" && !Exists(argument) && SplitImageFolder(argument, image, folder))
        return PlaceImage(image, &folder, error);
    return PlaceImage(argument, nullptr, error);
}

}  // namespace platform
