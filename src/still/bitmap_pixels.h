// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel layouts of Windows bitmap files turned into one byte per pixel.
// Rows stay in the order the data give them; nothing reads or writes outside
// the buffers it is given, whatever the data say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace bitmap {

// Bytes of one stored row of `width` pixels of `bitCount` bits, padded to 4 bytes.
constexpr std::uint64_t RowStride(std::uint64_t width, unsigned bitCount) { return (width * bitCount + 31) / 32 * 4; }

// Unpacks rows of 1- or 4-bit pixels (leftmost pixel in the high bits).
void ExpandRows(const std::uint8_t* packed, std::size_t packedStride, unsigned bitCount, std::uint32_t width,
                std::uint32_t rows, std::uint8_t* out, std::size_t outStride);

// Decodes RLE8 (bitCount 8) or RLE4 (bitCount 4) data. Pixels that runs or
// deltas put outside the picture are dropped; pixels the data skip keep their
// value. False when the data end before the end-of-bitmap code while rows are
// still due.
bool DecodeRle(std::span<const std::uint8_t> data, unsigned bitCount, std::uint32_t width, std::uint32_t rows,
               std::uint8_t* out, std::size_t outStride);

// Reverses the order of the rows in place.
void FlipRows(std::uint8_t* bits, std::size_t stride, std::uint32_t rows);

// Adds `amount` to every byte (modulo 256).
void AddToPixels(std::span<std::uint8_t> bits, std::uint8_t amount);

}  // namespace bitmap
