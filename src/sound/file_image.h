// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file's bytes as the audio library is handed them: the file mapped
// into memory, or, where it cannot be mapped (a drive, a disc of raw
// sectors), read whole. The library reads the mapped pages only as it plays
// them, so a file of any size is ready at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/core/mapped_file.h"

class FileImage {
public:
    FileImage() = default;
    explicit FileImage(platform::MappedFile mapped)
        : mapped_(std::move(mapped)), data_(mapped_->Data()), size_(static_cast<std::uint32_t>(mapped_->Size())) {}
    FileImage(std::unique_ptr<unsigned char[]> data, std::uint32_t size)
        : owned_(std::move(data)), data_(owned_.get()), size_(size) {}

    unsigned char* Data() const { return data_; }
    std::uint32_t Size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    std::optional<platform::MappedFile> mapped_;
    std::unique_ptr<unsigned char[]> owned_;
    unsigned char* data_ = nullptr;
    std::uint32_t size_ = 0;
};
