// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: a disc image opened and walked as the player does, from
// memory: the search for the presentation's folder, every folder listed and
// every file read through the layer's streams.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <set>
#include <string>

#include "platform/core/disc_image.h"
#include "platform/core/disc_volume.h"
#include "platform/core/presentation_source.h"
#include "platform/core/session.h"

namespace {

constexpr std::size_t MaxFolders = 256;

// Every file read to its end, folder by folder; each folder once.
void Walk(const std::shared_ptr<platform::DiscImage>& disc) {
    std::deque<platform::DiscEntry> pending{disc->Root()};
    std::set<std::uint32_t> seen{disc->Root().lsn};
    char buffer[3000];  // not a whole number of blocks: reads cross their ends
    while (!pending.empty()) {
        const platform::DiscEntry folder = pending.front();
        pending.pop_front();
        const auto entries = disc->List(folder);
        if (!entries) continue;
        for (const platform::DiscEntry& entry : *entries) {
            if (entry.folder) {
                if (seen.size() < MaxFolders && seen.insert(entry.lsn).second) pending.push_back(entry);
                continue;
            }
            if (std::FILE* file = platform::OpenDiscFile(disc, entry)) {
                while (std::fread(buffer, 1, sizeof buffer, file) == sizeof buffer) {}
                std::fclose(file);
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int memory = ::memfd_create("disc", 0);
    if (memory < 0 || ::ftruncate(memory, 0) != 0 || ::pwrite(memory, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(memory);

    platform::FreshSession session;
    std::string error;
    platform::EnterPresentation(path, error);
    std::shared_ptr<platform::DiscImage> disc = platform::DiscImage::Open(path, error);
    if (disc) Walk(disc);
    return 0;
}
