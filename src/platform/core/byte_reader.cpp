// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/byte_reader.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/win/internal.h"
#include "platform/win/win.h"

namespace platform {
namespace {

constexpr std::size_t BufferSize = std::size_t{64} * 1024;
constexpr std::uint64_t LargestOffset = 0x7FFFFFFF;

}  // namespace

std::unique_ptr<ByteReader> ByteReader::Open(const char* path) {
    std::FILE* file = win::fopen(path, "rb");
    if (!file) return nullptr;
    if (fileno(file) < 0) {
        // A file of a disc: always a file, and it knows its size.
        const bool sized = ::fseeko(file, 0, SEEK_END) == 0;
        const off_t size = sized ? ::ftello(file) : -1;
        if (size < 0 || ::fseeko(file, 0, SEEK_SET) != 0) {
            std::fclose(file);
            errno = EIO;
            return nullptr;
        }
        return std::unique_ptr<ByteReader>(new ByteReader(file, static_cast<std::uint64_t>(size)));
    }
    struct stat info {};
    if (fstat(fileno(file), &info) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<ByteReader>(new ByteReader(file, static_cast<std::uint64_t>(info.st_size)));
}

ByteReader::ByteReader(std::span<const std::uint8_t> data)
    : size_(data.size()),
      memory_(data.data()),
      buffer_(data.data()),
      next_(data.data()),
      end_(data.data() + data.size()) {}

ByteReader::ByteReader(std::FILE* file, std::uint64_t size) : file_(file), size_(size), storage_(BufferSize) {
    buffer_ = next_ = end_ = storage_.data();
}

ByteReader::~ByteReader() {
    if (file_) std::fclose(file_);
}

bool ByteReader::Seek(std::uint64_t position) {
    if (position > LargestOffset) return false;
    if (!file_) {
        // Memory: the whole block is the window; beyond its end, an empty one.
        if (position <= size_) {
            buffer_ = memory_;
            next_ = memory_ + position;
            end_ = memory_ + size_;
            bufferStart_ = 0;
        } else {
            buffer_ = next_ = end_ = memory_ + size_;
            bufferStart_ = position;
        }
        return true;
    }
    const std::uint64_t bufferEnd = bufferStart_ + static_cast<std::uint64_t>(end_ - buffer_);
    if (position >= bufferStart_ && position <= bufferEnd) {
        next_ = buffer_ + (position - bufferStart_);
        return true;
    }
    // Outside what is held: an empty window that refills from the new position.
    buffer_ = next_ = end_ = storage_.data();
    bufferStart_ = position;
    return true;
}

bool ByteReader::Fill() {
    const std::uint64_t position = Position();
    buffer_ = next_ = end_ = storage_.data();
    bufferStart_ = position;
    if (std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0) return false;
    end_ = buffer_ + std::fread(storage_.data(), 1, storage_.size(), file_);
    return end_ != buffer_;
}

bool ByteReader::ReadSlow(std::uint8_t* out, std::size_t count) {
    const std::uint64_t position = Position();
    if (position > size_ || count > size_ - position || !file_) return false;
    if (ReadFile(out, count)) return true;
    // The file has become shorter since it was opened, or failed: the read did
    // not happen, and the next one starts where this one did.
    buffer_ = next_ = end_ = storage_.data();
    bufferStart_ = position;
    return false;
}

bool ByteReader::ReadFile(std::uint8_t* out, std::size_t count) {
    const std::size_t held = static_cast<std::size_t>(end_ - next_);
    std::memcpy(out, next_, held);
    next_ = end_;
    out += held;
    count -= held;
    if (count >= storage_.size()) {
        // A large block goes straight to its destination.
        const std::uint64_t from = Position();
        if (std::fseek(file_, static_cast<long>(from), SEEK_SET) != 0) return false;
        const std::size_t got = std::fread(out, 1, count, file_);
        buffer_ = next_ = end_ = storage_.data();
        bufferStart_ = from + got;
        return got == count;
    }
    if (!Fill() || static_cast<std::size_t>(end_ - next_) < count) return false;
    std::memcpy(out, next_, count);
    next_ += count;
    return true;
}

}  // namespace platform
