// SPDX-License-Identifier: GPL-3.0-or-later
// The images that sound files which cannot be mapped are filled into; here
// with the sound tests, which also run under ThreadSanitizer.
#include "platform/core/filled_image.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr std::uint64_t Piece = 64 * 1024;
constexpr std::uint64_t None = UINT64_MAX;

unsigned char Pattern(std::uint64_t at) { return static_cast<unsigned char>(at * 7 + at / 251 + 1); }

// A file read through a stream that fails from `failAt` on and holds every
// read from `gateAt` on until the gate opens.
struct Source {
    explicit Source(std::uint64_t size, std::uint64_t failAt = None, std::uint64_t gateAt = None)
        : size(size), failAt(failAt), gateAt(gateAt) {}

    std::uint64_t size;
    std::uint64_t failAt;
    std::uint64_t gateAt;
    std::uint64_t position = 0;
    std::mutex lock;
    std::condition_variable changed;
    bool open = false;
    bool held = false;

    std::FILE* Stream() {
        const cookie_io_functions_t functions{&Read, nullptr, nullptr, nullptr};
        return ::fopencookie(this, "rb", functions);
    }
    void Open() {
        std::scoped_lock hold(lock);
        open = true;
        changed.notify_all();
    }
    void AwaitHeld() {
        std::unique_lock hold(lock);
        changed.wait(hold, [&] { return held; });
    }
    static ssize_t Read(void* self, char* buffer, std::size_t count) {
        auto& source = *static_cast<Source*>(self);
        std::unique_lock hold(source.lock);
        if (source.position >= source.gateAt) {
            source.held = true;
            source.changed.notify_all();
            source.changed.wait(hold, [&] { return source.open; });
        }
        if (source.position >= source.failAt) return -1;
        const std::uint64_t end = std::min({source.size, source.failAt, source.position + count});
        const auto taken = static_cast<std::size_t>(end - source.position);
        for (std::size_t i = 0; i < taken; ++i) buffer[i] = static_cast<char>(Pattern(source.position + i));
        source.position = end;
        return static_cast<ssize_t>(taken);
    }
};

// Bytes read are the file's; a read that fails leaves zeros from its piece
// on, and whoever waits for them is let go.
TEST(FilledImage, HoldsTheFileOnceAwaitedAndZerosPastAFailedRead) {
    const struct {
        std::uint64_t size;
        std::uint64_t failAt;
        std::uint64_t goodBytes;
    } cases[] = {
        {1, None, 1},
        {Piece, None, Piece},
        {Piece + 1, None, Piece + 1},
        {5 * Piece + 3, None, 5 * Piece + 3},
        {5 * Piece + 3, 2 * Piece, 2 * Piece},
        {5 * Piece, 3 * Piece + 10, 3 * Piece},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        SCOPED_TRACE(c.failAt);
        Source source(c.size, c.failAt);
        const auto image = platform::FilledImage::Start(source.Stream(), c.size);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->Size(), c.size);
        platform::AwaitFilled(image->Data(), c.size);
        std::uint64_t wrong = 0;
        for (std::uint64_t at = 0; at < c.size; ++at) {
            const bool isData = at < c.goodBytes || (at < c.failAt && at / Piece == c.failAt / Piece);
            if (!isData && image->Data()[at] != 0) ++wrong;
            if (at < c.goodBytes && image->Data()[at] != Pattern(at)) ++wrong;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(FilledImage, IsNothingWhenTheFirstPieceCannotBeRead) {
    Source source(3 * Piece, Piece / 2);
    EXPECT_FALSE(platform::FilledImage::Start(source.Stream(), 3 * Piece));
}

// Start returns with only the first piece in: the rest comes while the image
// is in use, and waiting for a byte of it waits for the reader.
TEST(FilledImage, StartsBeforeTheRestIsReadAndWaitsForIt) {
    const std::uint64_t size = 20 * Piece;
    Source source(size, None, Piece);
    const auto image = platform::FilledImage::Start(source.Stream(), size);
    ASSERT_TRUE(image);
    source.AwaitHeld();
    EXPECT_EQ(image->Data()[Piece - 1], Pattern(Piece - 1));
    platform::AwaitFilled(image->Data(), Piece);  // in already: returns at once
    source.Open();
    platform::AwaitFilled(image->Data() + size - 1, 1);
    EXPECT_EQ(image->Data()[size - 1], Pattern(size - 1));
    unsigned char other = 0;
    platform::AwaitFilled(&other, 1);  // not an image's: returns at once
}

}  // namespace
