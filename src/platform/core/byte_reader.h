// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the player reads outside media: a bounded, buffered reader over
// a file or a block of memory. A read that would pass the end is refused whole
// and reported; it never copies part of what was asked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace platform {

class ByteReader {
public:
    // Opens a file as presentations name it; null when it cannot be opened
    // (only a regular file can).
    static std::unique_ptr<ByteReader> Open(const char* path);
    // Reads `data`, which must outlive the reader.
    explicit ByteReader(std::span<const std::uint8_t> data);
    ~ByteReader();
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    std::uint64_t Size() const { return size_; }
    std::uint64_t Position() const { return bufferStart_ + static_cast<std::uint64_t>(next_ - buffer_); }
    bool AtEnd() const { return Position() >= size_; }

    // Any position up to the largest a 32-bit file offset can hold; reads
    // from beyond the end then fail.
    bool Seek(std::uint64_t position);

    // All `count` bytes, or none and false.
    bool Read(void* out, std::size_t count) {
        if (static_cast<std::size_t>(end_ - next_) >= count) {
            // An empty read may come with null pointers, which memcpy must not get.
            if (count) std::memcpy(out, next_, count);
            next_ += count;
            return true;
        }
        return ReadSlow(static_cast<std::uint8_t*>(out), count);
    }
    bool Byte(std::uint8_t& out) {
        if (next_ != end_) {
            out = *next_++;
            return true;
        }
        return Read(&out, 1);
    }
    bool Word(std::uint16_t& out) {
        std::uint8_t bytes[2];
        if (!Read(bytes, 2)) return false;
        out = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
        return true;
    }
    bool Dword(std::uint32_t& out) {
        std::uint8_t bytes[4];
        if (!Read(bytes, 4)) return false;
        out = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
              static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
        return true;
    }

    // What is buffered at the read position, for decoders that walk it
    // directly; Consume passes over `count` of those bytes.
    std::span<const std::uint8_t> Buffered() const { return {next_, end_}; }
    void Consume(std::size_t count) { next_ += count; }

private:
    ByteReader(std::FILE* file, std::uint64_t size);
    bool ReadSlow(std::uint8_t* out, std::size_t count);
    bool ReadFile(std::uint8_t* out, std::size_t count);
    bool Fill();

    std::FILE* file_ = nullptr;  // owned; null for memory
    std::uint64_t size_ = 0;
    const std::uint8_t* memory_ = nullptr;  // the data when not a file
    std::vector<std::uint8_t> storage_;     // the file's buffer
    const std::uint8_t* buffer_ = nullptr;
    const std::uint8_t* next_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t bufferStart_ = 0;  // file position of buffer_[0]
};

}  // namespace platform
