// SPDX-License-Identifier: GPL-3.0-or-later
// A sound file's bytes as the audio library is handed them: the file mapped
// into memory, or, where it cannot be mapped (a drive, a disc of raw
// sectors), filled in the background ahead of the library, which waits for
// what is not in yet. Either way a file of any size is ready at once.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/core/filled_image.h"
#include "platform/core/mapped_file.h"

class FileImage {
public:
    FileImage() = default;
    explicit FileImage(platform::MappedFile mapped)
        : mapped_(std::move(mapped)), data_(mapped_->Data()), size_(static_cast<std::uint32_t>(mapped_->Size())) {}
    explicit FileImage(std::unique_ptr<platform::FilledImage> filled)
        : filled_(std::move(filled)), data_(filled_->Data()), size_(static_cast<std::uint32_t>(filled_->Size())) {}

    unsigned char* Data() const { return data_; }
    std::uint32_t Size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    std::optional<platform::MappedFile> mapped_;
    std::unique_ptr<platform::FilledImage> filled_;
    unsigned char* data_ = nullptr;
    std::uint32_t size_ = 0;
};
