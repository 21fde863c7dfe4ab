// SPDX-License-Identifier: GPL-3.0-or-later
// A file's bytes mapped into memory instead of read: a sound of any size is
// ready at once and read from the page cache as it plays. The mapping is
// private, so the few bytes a caller corrects (a RIFF size) never reach the
// file. A file cut short while mapped reads as zeros past its new end
// instead of raising SIGBUS in whoever touches it.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

class MappedFile {
public:
    // A regular host file, or a file of a disc image whose data lies in one
    // piece in the image's file (an ISO image). Nothing for anything else
    // (an empty file, a drive, raw sectors), which must be read instead.
    static std::optional<MappedFile> Open(const char* path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    unsigned char* Data() const { return data_; }
    std::uint64_t Size() const { return size_; }

private:
    MappedFile(void* base, std::uint64_t length, unsigned char* data, std::uint64_t size);

    void* base_ = nullptr;
    std::uint64_t length_ = 0;  // of the whole mapping, from base_
    unsigned char* data_ = nullptr;
    std::uint64_t size_ = 0;
};

}  // namespace platform
