// SPDX-License-Identifier: GPL-3.0-or-later
#include "still/bitmap_pixels.h"

#include <algorithm>
#include <utility>

namespace bitmap {

void ExpandRows(const std::uint8_t* packed, std::size_t packedStride, unsigned bitCount, std::uint32_t width,
                std::uint32_t rows, std::uint8_t* out, std::size_t outStride) {
    if (width == 0) return;  // however many rows
    const unsigned perByte = 8 / bitCount;
    const unsigned mask = (1u << bitCount) - 1;
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::uint8_t* source = packed + row * packedStride;
        std::uint8_t* target = out + row * outStride;
        for (std::uint32_t x = 0; x < width; ++x) {
            const unsigned shift = 8 - bitCount * (x % perByte + 1);
            target[x] = static_cast<std::uint8_t>((source[x / perByte] >> shift) & mask);
        }
    }
}

namespace {

// Writes decoded pixels at a moving position, dropping those outside the picture.
class RowWriter {
public:
    RowWriter(std::uint32_t width, std::uint32_t rows, std::uint8_t* out, std::size_t stride)
        : width_(width), rows_(rows), out_(out), stride_(stride) {}

    void Put(std::uint8_t value) {
        if (x_ < width_ && y_ < rows_) out_[y_ * stride_ + x_] = value;
        ++x_;
    }
    void EndLine() {
        x_ = 0;
        ++y_;
    }
    void Move(std::uint8_t dx, std::uint8_t dy) {
        x_ += dx;
        y_ += dy;
    }
    bool Done() const { return y_ >= rows_; }

private:
    std::uint64_t width_, rows_;
    std::uint8_t* out_;
    std::size_t stride_;
    std::uint64_t x_ = 0, y_ = 0;
};

// Pixel i of a run or literal: RLE4 packs two pixels per byte, high nibble first.
std::uint8_t Pixel(std::uint8_t byte, unsigned i, unsigned bitCount) {
    if (bitCount == 8) return byte;
    return static_cast<std::uint8_t>(i % 2 ? byte & 0x0F : byte >> 4);
}

}  // namespace

bool DecodeRle(std::span<const std::uint8_t> data, unsigned bitCount, std::uint32_t width, std::uint32_t rows,
               std::uint8_t* out, std::size_t outStride) {
    RowWriter writer(width, rows, out, outStride);
    std::size_t at = 0;
    while (!writer.Done()) {
        if (data.size() - at < 2) return false;
        const std::uint8_t count = data[at];
        const std::uint8_t value = data[at + 1];
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) writer.Put(Pixel(value, i, bitCount));
            continue;
        }
        switch (value) {
            case 0: writer.EndLine(); break;
            case 1: return true;
            case 2:
                if (data.size() - at < 2) return false;
                writer.Move(data[at], data[at + 1]);
                at += 2;
                break;
            default: {
                // Literal pixels, padded to a 16-bit boundary.
                const std::size_t bytes = bitCount == 8 ? value : (value + 1u) / 2;
                if (data.size() - at < bytes) return false;
                for (unsigned i = 0; i < value; ++i) writer.Put(Pixel(data[at + i * bitCount / 8], i, bitCount));
                at = std::min(data.size(), at + (bytes + 1) / 2 * 2);
                break;
            }
        }
    }
    return true;
}

void FlipRows(std::uint8_t* bits, std::size_t stride, std::uint32_t rows) {
    if (stride == 0) return;  // however many rows
    for (std::uint32_t top = 0, bottom = rows; top + 1 < bottom; ++top, --bottom)
        std::swap_ranges(bits + top * stride, bits + (top + 1) * stride, bits + (bottom - 1) * stride);
}

void AddToPixels(std::span<std::uint8_t> bits, std::uint8_t amount) {
    for (std::uint8_t& pixel : bits) pixel = static_cast<std::uint8_t>(pixel + amount);
}

}  // namespace bitmap
