// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/filled_image.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/core/host_services.h"

namespace platform {
namespace {

constexpr std::uint64_t Piece = std::uint64_t{64} << 10;

// The images being filled, and the news that one has more.
struct Registry {
    std::mutex lock;
    std::condition_variable grown;
    std::vector<FilledImage*> images;
    std::atomic<std::size_t> count{0};  // lets memory of no image pass without the lock
};

// Never destroyed: a reader may still be at work when the program ends.
Registry& Images() {
    static Registry& registry = *new Registry;
    return registry;
}

}  // namespace

std::unique_ptr<FilledImage> FilledImage::Start(std::FILE* file, std::uint64_t size) {
    void* memory =
        size == 0 ? MAP_FAILED
                  : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) {
        std::fclose(file);
        return nullptr;
    }
    std::unique_ptr<FilledImage> image(new FilledImage(file, static_cast<unsigned char*>(memory), size));
    const std::uint64_t first = std::min(size, Piece);
    if (std::fread(image->data_, 1, first, file) != first) return nullptr;
    image->filled_ = first;
    Registry& registry = Images();
    {
        std::scoped_lock lock(registry.lock);
        registry.images.push_back(image.get());
        registry.count.store(registry.images.size(), std::memory_order_release);
    }
    image->reader_ = std::thread(&FilledImage::ReadRest, image.get(), first);
    return image;
}

FilledImage::FilledImage(std::FILE* file, unsigned char* data, std::uint64_t size)
    : file_(file), data_(data), size_(size) {}

FilledImage::~FilledImage() {
    stop_.store(true);
    Registry& registry = Images();
    {
        std::scoped_lock lock(registry.lock);
        std::erase(registry.images, this);
        registry.count.store(registry.images.size(), std::memory_order_release);
    }
    registry.grown.notify_all();
    if (reader_.joinable()) reader_.join();
    std::fclose(file_);
    ::munmap(data_, size_);
}

void FilledImage::ReadRest(std::uint64_t at) {
    Registry& registry = Images();
    bool readable = true;
    while (readable && at < size_ && !stop_.load()) {
        const std::uint64_t piece = std::min(size_ - at, Piece);
        readable = std::fread(data_ + at, 1, piece, file_) == piece;
        if (readable) at += piece;
        {
            std::scoped_lock lock(registry.lock);
            filled_ = at;
        }
        registry.grown.notify_all();
    }
    {
        std::scoped_lock lock(registry.lock);
        done_ = true;
    }
    registry.grown.notify_all();
}

void AwaitFilled(const void* begin, std::uint64_t length) {
    Registry& registry = Images();
    if (registry.count.load(std::memory_order_acquire) == 0) return;
    const auto* bytes = static_cast<const unsigned char*>(begin);
    std::unique_lock lock(registry.lock);
    registry.grown.wait(lock, [&] {
        const auto image = std::ranges::find_if(registry.images, [&](const FilledImage* candidate) {
            return bytes >= candidate->data_ && bytes < candidate->data_ + candidate->size_;
        });
        if (image == registry.images.end()) return true;
        const FilledImage& found = **image;
        return found.done_ || static_cast<std::uint64_t>(bytes - found.data_) + length <= found.filled_;
    });
}

}  // namespace platform

void corvanta_host_await_bytes(const void* begin, std::uint64_t length) { platform::AwaitFilled(begin, length); }
