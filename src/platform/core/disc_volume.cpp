// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/disc_volume.h"
#include "platform/core/paths.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/core/code_page.h"
#include "platform/core/session.h"
#include "platform/core/tree_top.h"
#include "platform/win/internal.h"

namespace platform {
namespace {

constexpr std::string_view Drive = "D:";
// Reads of whole blocks go straight to the caller, this many at most a call.
constexpr std::uint32_t BlocksPerRead = 32;

struct PlacedDiscPart {
    std::shared_ptr<DiscImage> disc;
    std::vector<std::string> start;  // the presentation's folder
    std::vector<std::string> current;
    bool onDisc = false;
};

PlacedDiscPart& Placed() { return CurrentSession().Part<PlacedDiscPart>(); }

bool StartsWithDrive(std::string_view path) {
    return path.size() >= 2 && (path[0] == 'D' || path[0] == 'd') && path[1] == ':';
}

// Adds a path's components to `into`, taking out "." and ".." (which stops
// at the root, as on a drive).
void Walk(std::string_view path, std::vector<std::string>& into) {
    ForEachComponent(path, [&](std::string_view component) {
        if (component != "..")
            into.emplace_back(component);
        else if (!into.empty())
            into.pop_back();
        return true;
    });
}

// A file of the disc as a stream: a block is read when the reader gets to it.
struct DiscFile {
    std::shared_ptr<DiscImage> disc;
    DiscEntry entry;
    std::uint64_t position = 0;
    std::uint32_t cached = UINT32_MAX;  // the block held, by its number in the file
    std::array<char, DiscBlock> block{};
};

ssize_t ReadDisc(void* cookie, char* buffer, std::size_t size) {
    auto& file = *static_cast<DiscFile*>(cookie);
    if (file.position >= file.entry.size) return 0;
    std::size_t left = static_cast<std::size_t>(std::min<std::uint64_t>(size, file.entry.size - file.position));
    std::size_t done = 0;
    while (left > 0) {
        const auto number = static_cast<std::uint32_t>(file.position / DiscBlock);
        const auto offset = static_cast<std::size_t>(file.position % DiscBlock);
        std::size_t count;
        if (offset == 0 && left >= DiscBlock) {
            const auto blocks = static_cast<std::uint32_t>(std::min<std::size_t>(left / DiscBlock, BlocksPerRead));
            if (!file.disc->ReadBlocks(file.entry.lsn + number, blocks, buffer + done)) break;
            count = std::size_t{blocks} * DiscBlock;
        } else {
            if (file.cached != number) {
                if (!file.disc->ReadBlocks(file.entry.lsn + number, 1, file.block.data())) break;
                file.cached = number;
            }
            count = std::min(left, DiscBlock - offset);
            std::memcpy(buffer + done, file.block.data() + offset, count);
        }
        done += count;
        left -= count;
        file.position += count;
    }
    if (done == 0 && left > 0) {
        errno = EIO;
        return -1;
    }
    return static_cast<ssize_t>(done);
}

int SeekDisc(void* cookie, off64_t* offset, int whence) {
    auto& file = *static_cast<DiscFile*>(cookie);
    std::int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<std::int64_t>(file.position);
    if (whence == SEEK_END) base = file.entry.size;
    const std::int64_t target = base + *offset;
    if (target < 0) {
        errno = EINVAL;
        return -1;
    }
    file.position = static_cast<std::uint64_t>(target);
    *offset = target;
    return 0;
}

int CloseDisc(void* cookie) {
    delete static_cast<DiscFile*>(cookie);
    return 0;
}

}  // namespace

void PlaceDisc(std::shared_ptr<DiscImage> disc, std::vector<std::string> folder) {
    PlacedDiscPart& placed = Placed();
    placed.disc = std::move(disc);
    placed.start = folder;
    placed.current = std::move(folder);
    placed.onDisc = true;
}

std::shared_ptr<DiscImage> PlacedDisc() { return Placed().disc; }

DiscLookup LookUpOnDisc(std::string_view written) {
    DiscLookup lookup;
    PlacedDiscPart& placed = Placed();
    if (!placed.disc) return lookup;
    const std::string converted = FileSystemName(written);
    std::string_view path = converted;
    std::vector<std::string> components;
    const bool anyDrive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    if (StartsWithDrive(path) || (KeptToTree() && placed.onDisc && anyDrive)) {
        // Kept to its disc, a presentation has no other drive to reach.
        path.remove_prefix(Drive.size());
    } else if (KeptToTree() && placed.onDisc && !path.empty() && path[0] == '/') {
        // A host root is the disc's root.
    } else if (!placed.onDisc || path.empty() || path[0] == '/') {
        return lookup;
    } else if (path[0] != '\\') {
        components = placed.current;
    }
    Walk(path, components);
    lookup.onDisc = true;
    lookup.entry = placed.disc->Find(components, &lookup.names);
    if (!lookup.entry) errno = ENOENT;
    return lookup;
}

std::string DiscPathText(const std::vector<std::string>& names) {
    std::string text(Drive);
    for (const std::string& name : names) text += "\\" + name;
    if (names.empty()) text += "\\";
    return text;
}

std::FILE* OpenDiscFile(std::shared_ptr<DiscImage> disc, const DiscEntry& entry) {
    if (!disc->Inside(entry)) {
        errno = EIO;
        return nullptr;
    }
    auto file = std::make_unique<DiscFile>();
    file->disc = std::move(disc);
    file->entry = entry;
    const cookie_io_functions_t functions{ReadDisc, nullptr, SeekDisc, CloseDisc};
    std::FILE* stream = ::fopencookie(file.get(), "rb", functions);
    if (stream) static_cast<void>(file.release());  // CloseDisc takes it back
    return stream;
}

std::optional<std::string> DiscCurrentFolder() {
    const PlacedDiscPart& placed = Placed();
    if (!placed.disc || !placed.onDisc) return std::nullopt;
    return DiscPathText(placed.current);
}

void EnterDiscFolder(std::vector<std::string> names) {
    PlacedDiscPart& placed = Placed();
    placed.current = std::move(names);
    placed.onDisc = true;
}

void LeaveDiscFolder() { Placed().onDisc = false; }

std::optional<bool> LeavesDisc(std::string_view path) {
    const PlacedDiscPart& placed = Placed();
    if (!placed.disc || !placed.onDisc) return std::nullopt;
    std::size_t depth = placed.current.size();
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        if (!StartsWithDrive(path)) return true;
        path.remove_prefix(Drive.size());
        depth = 0;
    } else if (!path.empty() && IsSeparator(path[0])) {
        depth = 0;
    }
    const bool staysOn = ForEachComponent(path, [&](std::string_view component) {
        if (component != "..") {
            ++depth;
            return true;
        }
        return depth-- != 0;
    });
    return !staysOn;
}

std::optional<std::string> DiscFolderForTrace() {
    const PlacedDiscPart& placed = Placed();
    if (!placed.disc || !placed.onDisc) return std::nullopt;
    auto join = [](const std::vector<std::string>& names) {
        std::filesystem::path path = "/";
        for (const std::string& name : names) path /= name;
        return path;
    };
    const std::string relative = join(placed.current).lexically_relative(join(placed.start)).generic_string();
    return relative.empty() ? "." : relative;
}

}  // namespace platform
