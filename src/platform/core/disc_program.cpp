// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/disc_program.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/core/disc_volume.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view Prefix = "corvanta-disc-";
constexpr std::uint32_t BlocksPerCopy = 32;

fs::path CopiesFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    if (runtime && *runtime && fs::is_directory(runtime, error)) return runtime;
    const fs::path temporary = fs::temp_directory_path(error);
    return error ? fs::path("/tmp") : temporary;
}

bool CopyFile(DiscImage& disc, const DiscEntry& entry, const fs::path& to) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(to.c_str(), "wb"), std::fclose);
    if (!out || !disc.Inside(entry)) return false;
    std::vector<char> buffer(std::size_t{BlocksPerCopy} * DiscBlock);
    for (std::uint64_t done = 0; done < entry.size;) {
        const std::uint64_t left = entry.size - done;
        const auto blocks =
            static_cast<std::uint32_t>(std::min<std::uint64_t>((left + DiscBlock - 1) / DiscBlock, BlocksPerCopy));
        if (!disc.ReadBlocks(entry.lsn + static_cast<std::uint32_t>(done / DiscBlock), blocks, buffer.data()))
            return false;
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, std::uint64_t{blocks} * DiscBlock));
        if (std::fwrite(buffer.data(), 1, count, out.get()) != count) return false;
        done += count;
    }
    return ::fchmod(::fileno(out.get()), 0700) == 0 && std::fclose(out.release()) == 0;
}

// The folder and everything below it; `depth` bounds a damaged disc's loops.
bool CopyFolder(DiscImage& disc, const DiscEntry& folder, const fs::path& to, int depth) {
    const auto entries = disc.List(folder);
    if (!entries || depth > 16) return false;
    for (const DiscEntry& entry : *entries) {
        const fs::path target = to / entry.name;
        if (entry.folder) {
            if (::mkdir(target.c_str(), 0700) != 0 || !CopyFolder(disc, entry, target, depth + 1)) return false;
        } else if (!CopyFile(disc, entry, target)) {
            return false;
        }
    }
    return true;
}

bool HasExtension(std::string_view name) {
    const std::size_t separator = name.find_last_of("\\/");
    return name.find('.', separator == std::string_view::npos ? 0 : separator + 1) != std::string_view::npos;
}

// The program's file on the disc, if it is there.
std::optional<DiscLookup> FindOnDisc(std::string_view name) {
    if (!PlacedDisc() || name.empty()) return std::nullopt;
    DiscLookup lookup = LookUpOnDisc(name);
    if (lookup.onDisc && (!lookup.entry || lookup.entry->folder) && !HasExtension(name))
        lookup = LookUpOnDisc(std::string(name) + ".exe");
    if (!lookup.onDisc || !lookup.entry || lookup.entry->folder) return std::nullopt;
    return lookup;
}

}  // namespace

bool ProgramOnDisc(std::string_view name) { return FindOnDisc(name).has_value(); }

std::optional<ProgramCopy> CopyProgramFromDisc(std::string_view name, int& error) {
    error = 0;
    const auto lookup = FindOnDisc(name);
    if (!lookup) return std::nullopt;
    const auto disc = PlacedDisc();

    std::vector<std::string> folderNames = lookup->names;
    const std::string file = folderNames.back();
    folderNames.pop_back();
    const auto folder = disc->Find(folderNames);
    std::string pattern = (CopiesFolder() / (std::string(Prefix) + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (!folder || !::mkdtemp(pattern.data())) {
        error = errno ? errno : EIO;
        return std::nullopt;
    }
    if (!CopyFolder(*disc, *folder, pattern, 0)) {
        error = EIO;
        RemoveProgramCopy(pattern);
        return std::nullopt;
    }
    return ProgramCopy{pattern, (fs::path(pattern) / file).string()};
}

void RemoveProgramCopy(const std::string& folder) {
    std::error_code error;
    fs::remove_all(folder, error);
}

void RemoveLeftProgramCopies() {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(CopiesFolder(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(Prefix, 0) != 0) continue;
        const long player = std::strtol(name.c_str() + Prefix.size(), nullptr, 10);
        struct stat info;
        const bool ours = ::lstat(entry.path().c_str(), &info) == 0 && info.st_uid == ::getuid();
        if (ours && player > 0 && ::kill(static_cast<pid_t>(player), 0) != 0 && errno == ESRCH)
            RemoveProgramCopy(entry.path().string());
    }
}

}  // namespace platform
