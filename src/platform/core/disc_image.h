// SPDX-License-Identifier: GPL-3.0-or-later
// A disc the player reads a presentation from: an ISO 9660 image, a CUE/BIN
// or cdrdao TOC image, or a CD drive, all read through libcdio. Names are the
// disc's own (Joliet, else Rock Ridge, else ISO 9660 without the version and
// a trailing dot) and are looked up without regard to case. Nothing is read
// before it is asked for, and what the disc claims is checked against its
// size before anything is allocated for it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::uint32_t DiscBlock = 2048;

struct DiscEntry {
    std::string name;     // as shown: the disc's name for it
    std::string libPath;  // the path the library knows it by, from the root
    bool folder = false;
    std::uint32_t lsn = 0;
    std::uint32_t size = 0;
};

class DiscImage {
public:
    ~DiscImage();
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;

    // Opens an image file or a device ("cdrom": the first drive holding a
    // disc); on failure says why, naming the source.
    static std::unique_ptr<DiscImage> Open(const std::string& source, std::string& error);

    const std::string& Source() const { return source_; }
    const DiscEntry& Root() const { return root_; }
    // The entry at a path of components from the root ("." and ".." already
    // taken out); none when a component is missing or unreadable. names, when
    // given, gets the components as the disc names them.
    std::optional<DiscEntry> Find(const std::vector<std::string>& components,
                                  std::vector<std::string>* names = nullptr);
    // A folder's entries in the disc's order; none when it cannot be read.
    std::optional<std::vector<DiscEntry>> List(const DiscEntry& folder);
    // Whether an entry's data lies inside the disc.
    bool Inside(const DiscEntry& entry) const;
    // Where an entry's data starts in the image's file, when the disc is an
    // image file of plain 2048-byte blocks (an ISO image); nothing otherwise.
    std::optional<std::uint64_t> PlainFileOffset(const DiscEntry& entry) const;
    // Reads whole blocks; false on a read error.
    bool ReadBlocks(std::uint32_t lsn, std::uint32_t count, void* buffer);

private:
    struct Handles;
    explicit DiscImage(std::string source);
    bool Start(std::string& error);
    bool OpenDrive(std::string& error);
    bool OpenFile(std::string& error);
    bool DataTrackIsIso();
    bool OpenDataFile();

    std::string source_;
    std::unique_ptr<Handles> handles_;
    std::uint32_t blocks_ = 0;  // the data track's size
    bool rawSectors_ = false;   // a data track of 2352-byte sectors read as an image of its own
    DiscEntry root_;
    std::mutex mutex_;
    std::map<std::string, std::vector<DiscEntry>> listings_;  // a few recent ones
};

// The name a disc gives, as shown: without ";1" and a trailing ".".
std::string ShownDiscName(std::string_view name);

}  // namespace platform
