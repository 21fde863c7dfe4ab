// SPDX-License-Identifier: GPL-3.0-or-later
#include "still/bitmap_pixels.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct RleCase {
    std::string name;
    unsigned bitCount;
    std::uint32_t width, rows;
    Bytes data;
    bool complete;
    std::vector<Bytes> expectedRows;  // in decoding order, the first row at the bottom
};
void PrintTo(const RleCase& c, std::ostream* out) { *out << c.name; }

class RleDecoding : public testing::TestWithParam<RleCase> {};

TEST_P(RleDecoding, GivesThePixelsOfEveryCode) {
    const RleCase& c = GetParam();
    const std::size_t stride = (c.width + 3) / 4 * 4;
    Bytes out(stride * c.rows, 0xEE);
    for (std::uint32_t row = 0; row < c.rows; ++row)
        for (std::uint32_t x = 0; x < c.width; ++x) out[row * stride + x] = 0;

    EXPECT_EQ(bitmap::DecodeRle(c.data, c.bitCount, c.width, c.rows, out.data(), stride), c.complete);
    for (std::uint32_t row = 0; row < c.rows; ++row) {
        const Bytes got(out.begin() + row * stride, out.begin() + row * stride + c.width);
        EXPECT_EQ(got, c.expectedRows[row]) << "row " << row;
        for (std::size_t pad = c.width; pad < stride; ++pad) EXPECT_EQ(out[row * stride + pad], 0xEE) << "padding";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RleDecoding,
    testing::Values(
        RleCase{"Rle8RunsAndEndOfLine",
                8,
                4,
                3,
                {3, 5, 0, 0, 2, 7, 1, 8, 0, 1},
                true,
                {{5, 5, 5, 0}, {7, 7, 8, 0}, {0, 0, 0, 0}}},
        RleCase{"Rle8OddLiteralIsPadded", 8, 4, 1, {0, 3, 1, 2, 3, 0, 1, 9, 0, 1}, true, {{1, 2, 3, 9}}},
        RleCase{"Rle8DeltaSkipsPixels",
                8,
                4,
                3,
                {1, 4, 0, 2, 2, 1, 1, 6, 0, 1},
                true,
                {{4, 0, 0, 0}, {0, 0, 0, 6}, {0, 0, 0, 0}}},
        RleCase{"Rle8RunPastRowEndIsDropped", 8, 4, 2, {6, 2, 0, 0, 1, 3, 0, 1}, true, {{2, 2, 2, 2}, {3, 0, 0, 0}}},
        RleCase{
            "Rle8LiteralPastRowEndIsDropped", 8, 2, 2, {0, 3, 1, 2, 3, 0, 0, 0, 1, 4, 0, 1}, true, {{1, 2}, {4, 0}}},
        RleCase{"Rle8DeltaBelowLastRowEnds", 8, 4, 2, {1, 1, 0, 2, 0, 9, 5, 5}, true, {{1, 0, 0, 0}, {0, 0, 0, 0}}},
        RleCase{"Rle8AllRowsWithoutEndOfBitmap", 8, 2, 2, {2, 1, 0, 0, 2, 3, 0, 0}, true, {{1, 1}, {3, 3}}},
        RleCase{"Rle8DataEndBeforeLastRow", 8, 4, 2, {2, 1}, false, {{1, 1, 0, 0}, {0, 0, 0, 0}}},
        RleCase{"Rle8LiteralCutShort", 8, 4, 1, {0, 5, 1, 2}, false, {{0, 0, 0, 0}}},
        RleCase{"Rle8DeltaCutShort", 8, 4, 1, {0, 2, 1}, false, {{0, 0, 0, 0}}},
        RleCase{"Rle4RunAlternatesNibbles", 4, 5, 1, {5, 0x12, 0, 1}, true, {{1, 2, 1, 2, 1}}},
        RleCase{"Rle4EvenLiteral", 4, 5, 1, {0, 3, 0xAB, 0xC0, 2, 0x45, 0, 1}, true, {{0xA, 0xB, 0xC, 4, 5}}},
        RleCase{"Rle4LiteralPaddedToWord",
                4,
                5,
                2,
                {0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 1, 0xF0, 0, 1},
                true,
                {{1, 2, 3, 4, 5}, {0xF, 0, 0, 0, 0}}},
        RleCase{"Rle4Delta", 4, 3, 2, {1, 0x70, 0, 2, 1, 1, 1, 0x80, 0, 1}, true, {{7, 0, 0}, {0, 0, 8}}}),
    [](const auto& info) { return info.param.name; });

struct ExpandCase {
    std::string name;
    unsigned bitCount;
    std::uint32_t width, rows;
    std::size_t packedStride;
    Bytes packed;
    std::vector<Bytes> expectedRows;
};
void PrintTo(const ExpandCase& c, std::ostream* out) { *out << c.name; }

class RowExpansion : public testing::TestWithParam<ExpandCase> {};

TEST_P(RowExpansion, TakesPixelsFromTheHighBitsFirst) {
    const ExpandCase& c = GetParam();
    const std::size_t stride = (c.width + 3) / 4 * 4;
    Bytes out(stride * c.rows, 0xEE);
    bitmap::ExpandRows(c.packed.data(), c.packedStride, c.bitCount, c.width, c.rows, out.data(), stride);
    for (std::uint32_t row = 0; row < c.rows; ++row)
        EXPECT_EQ(Bytes(out.begin() + row * stride, out.begin() + row * stride + c.width), c.expectedRows[row]);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, RowExpansion,
    testing::Values(ExpandCase{"OneBit", 1, 10, 1, 4, {0b10110000, 0b01000000, 0, 0}, {{1, 0, 1, 1, 0, 0, 0, 0, 0, 1}}},
                    ExpandCase{"OneBitRowsKeepTheirStride",
                               1,
                               3,
                               2,
                               4,
                               {0b11100000, 0xFF, 0xFF, 0xFF, 0b01000000, 0, 0, 0},
                               {{1, 1, 1}, {0, 1, 0}}},
                    ExpandCase{
                        "FourBit", 4, 3, 2, 4, {0xAB, 0xC0, 0, 0, 0x12, 0x3F, 0, 0}, {{0xA, 0xB, 0xC}, {1, 2, 3}}}),
    [](const auto& info) { return info.param.name; });

TEST(RowOrder, FlipReversesRowsAndKeepsTheirBytes) {
    for (std::uint32_t rows : {0u, 1u, 2u, 3u, 4u}) {
        Bytes bits;
        for (std::uint32_t row = 0; row < rows; ++row)
            for (int x = 0; x < 4; ++x) bits.push_back(static_cast<std::uint8_t>(row * 10 + x));
        bitmap::FlipRows(bits.data(), 4, rows);
        for (std::uint32_t row = 0; row < rows; ++row)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(bits[row * 4 + x], (rows - 1 - row) * 10 + x) << rows << " rows";
    }
}

TEST(PixelShift, WrapsAroundAtTheTop) {
    Bytes bits{0, 1, 245, 246, 255};
    bitmap::AddToPixels(bits, 10);
    EXPECT_EQ(bits, (Bytes{10, 11, 255, 0, 9}));
}

}  // namespace
