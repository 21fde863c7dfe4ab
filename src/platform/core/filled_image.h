// SPDX-License-Identifier: GPL-3.0-or-later
// A file's bytes in memory, read in by a thread of their own ahead of whoever
// uses them. It is for files that cannot be mapped (on a disc of raw sectors
// or a drive), so that a sound of any size is ready at once all the same.
// Whoever reads the bytes first waits for them with AwaitFilled. A read that
// fails leaves the rest as zeros and ends the filling, so nobody waits for
// ever.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <thread>

namespace platform {

class FilledImage {
public:
    // Takes the file, open at its start. The first piece (64 KB) is in when
    // this returns; nothing when it cannot be read or memory cannot be had.
    static std::unique_ptr<FilledImage> Start(std::FILE* file, std::uint64_t size);
    ~FilledImage();
    FilledImage(const FilledImage&) = delete;
    FilledImage& operator=(const FilledImage&) = delete;

    unsigned char* Data() const { return data_; }
    std::uint64_t Size() const { return size_; }

private:
    friend void AwaitFilled(const void* begin, std::uint64_t length);
    FilledImage(std::FILE* file, unsigned char* data, std::uint64_t size);
    void ReadRest(std::uint64_t at);

    std::FILE* file_;
    unsigned char* data_;
    std::uint64_t size_;
    std::uint64_t filled_ = 0;  // under the registry's lock, as is done_
    bool done_ = false;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

// Waits until the bytes from `begin` on are in, when they lie in an image
// being filled; returns at once for any other memory.
void AwaitFilled(const void* begin, std::uint64_t length);

}  // namespace platform
