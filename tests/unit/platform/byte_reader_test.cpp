// SPDX-License-Identifier: GPL-3.0-or-later
// The bounded reader over both its sources, against a model of where every
// read and seek must leave it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/core/byte_reader.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;
using platform::ByteReader;

constexpr std::uint64_t Buffer = 64 * 1024;  // the file source's buffer
constexpr std::uint64_t DataSize = 3 * Buffer + 123;

// No two nearby bytes alike and no period of 256, so a byte from the wrong
// place or in the wrong order shows.
std::vector<std::uint8_t> Pattern() {
    std::vector<std::uint8_t> bytes(DataSize);
    for (std::uint64_t i = 0; i < DataSize; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

enum class Op { Seek, Read, Byte, Word, Dword };
struct Step {
    Op op;
    std::uint64_t value;  // the position for Seek, the count for Read
    bool ok;
};
struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

Step Seek(std::uint64_t at, bool ok = true) { return {Op::Seek, at, ok}; }
Step Read(std::uint64_t count, bool ok = true) { return {Op::Read, count, ok}; }
Step Byte(bool ok = true) { return {Op::Byte, 1, ok}; }
Step Word(bool ok = true) { return {Op::Word, 2, ok}; }
Step Dword(bool ok = true) { return {Op::Dword, 4, ok}; }

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> scenarios = {
        {"SmallReadsAcrossBufferEdges", {Read(Buffer - 3), Read(7), Read(Buffer), Read(Buffer - 1), Read(20)}},
        {"NumbersAcrossBufferEdge", {Seek(Buffer - 1), Word(), Seek(2 * Buffer - 3), Dword(), Byte(), Word()}},
        {"LargeBlockFromStart", {Read(150000), Read(100)}},
        {"LargeBlockAfterPartHeld", {Read(10), Read(2 * Buffer + 5), Byte()}},
        {"WholeSourceInOneRead", {Read(DataSize), Read(1, false), Read(0)}},
        {"PastEndRefused", {Seek(DataSize - 10), Read(11, false), Dword(), Read(7, false), Read(6), Byte(false)}},
        {"LargeReadPastEndRefused", {Seek(5), Read(DataSize, false), Read(DataSize - 5)}},
        {"NumbersPastEndRefused", {Seek(DataSize - 3), Dword(false), Word(), Word(false), Byte(), Byte(false)}},
        {"SeeksBackAndForth",
         {Read(70000), Seek(10), Read(4), Seek(2 * Buffer + 5), Read(3), Seek(Buffer - 1), Read(2), Seek(3), Dword(),
          Seek(DataSize), Read(0), Read(1, false)}},
        {"SeekBeyondEndThenBack", {Seek(DataSize + 1000), Read(1, false), Byte(false), Seek(2), Word()}},
        {"SeekLimit", {Read(9), Seek(0x80000000, false), Read(3), Seek(0x7FFFFFFF), Byte(false), Seek(0), Byte()}},
    };
    return scenarios;
}

class ByteReaderSource : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        root_ = test::MakeTempDir("byte_reader");
        test::WriteText(root_ / "data.bin", std::string(data_.begin(), data_.end()));
    }
    // A fresh reader of the pattern over the source under test.
    std::unique_ptr<ByteReader> Reader() const {
        if (!GetParam()) return std::make_unique<ByteReader>(data_);
        return ByteReader::Open((root_ / "data.bin").c_str());
    }

    const std::vector<std::uint8_t> data_ = Pattern();
    fs::path root_;
};

std::uint64_t LittleEndian(const std::vector<std::uint8_t>& data, std::uint64_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | data[at + i];
    return value;
}

TEST_P(ByteReaderSource, FollowsTheModel) {
    for (const Scenario& scenario : Scenarios()) {
        SCOPED_TRACE(scenario.name);
        const auto reader = Reader();
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->Size(), DataSize);
        std::uint64_t position = 0;
        for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
            const Step& step = scenario.steps[i];
            SCOPED_TRACE("step " + std::to_string(i));
            std::vector<std::uint8_t> got(step.op == Op::Read ? step.value : 0);
            std::uint8_t byte = 0;
            std::uint16_t word = 0;
            std::uint32_t dword = 0;
            bool ok = false;
            switch (step.op) {
                case Op::Seek: ok = reader->Seek(step.value); break;
                case Op::Read: ok = reader->Read(got.data(), got.size()); break;
                case Op::Byte: ok = reader->Byte(byte); break;
                case Op::Word: ok = reader->Word(word); break;
                case Op::Dword: ok = reader->Dword(dword); break;
            }
            const std::uint64_t value = byte | word | dword;  // only one was read
            ASSERT_EQ(ok, step.ok);
            if (step.op == Op::Seek) {
                if (ok) position = step.value;
            } else if (ok) {
                if (step.op == Op::Read)
                    EXPECT_TRUE(std::equal(got.begin(), got.end(), data_.begin() + position))
                        << "bytes from " << position;
                else
                    EXPECT_EQ(value, LittleEndian(data_, position, static_cast<int>(step.value)));
                position += step.value;
            }
            ASSERT_EQ(reader->Position(), position);
            EXPECT_EQ(reader->AtEnd(), position >= DataSize);
        }
    }
}

TEST_P(ByteReaderSource, EmptySourceHoldsNothing) {
    test::WriteText(root_ / "data.bin", "");
    const auto reader = GetParam() ? ByteReader::Open((root_ / "data.bin").c_str())
                                   : std::make_unique<ByteReader>(std::span<const std::uint8_t>());
    ASSERT_NE(reader, nullptr);
    std::uint8_t byte = 0;
    EXPECT_TRUE(reader->AtEnd());
    EXPECT_TRUE(reader->Read(&byte, 0));
    EXPECT_FALSE(reader->Byte(byte));
    EXPECT_EQ(reader->Position(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sources, ByteReaderSource, testing::Bool(),
                         [](const auto& info) { return info.param ? "File" : "Memory"; });

class ByteReaderFile : public testing::Test {
protected:
    void SetUp() override { root_ = test::MakeTempDir("byte_reader_file"); }
    fs::path root_;
};

// Presentations name files the Windows way; a folder or a missing file is no source.
TEST_F(ByteReaderFile, OpensOnlyFiles) {
    test::WriteText(root_ / "Pics" / "Title.BMP", "BM");
    const std::string windowsName = (root_ / "pics").string() + "\\TITLE.bmp";
    struct Case {
        std::string path;
        int error;  // 0: opens
    } cases[] = {
        {windowsName, 0},
        {(root_ / "Pics").string(), ENOENT},
        {(root_ / "missing.bmp").string(), ENOENT},
    };
    for (const Case& c : cases) {
        errno = 0;
        const auto reader = ByteReader::Open(c.path.c_str());
        EXPECT_EQ(reader != nullptr, c.error == 0) << c.path;
        if (c.error) {
            EXPECT_EQ(errno, c.error) << c.path;
        }
    }
    const auto reader = ByteReader::Open(windowsName.c_str());
    ASSERT_NE(reader, nullptr);
    std::uint16_t type = 0;
    EXPECT_TRUE(reader->Word(type));
    EXPECT_EQ(type, 0x4D42);
}

// A file cut short after it was opened: what the reader still holds is
// served, a read beyond it is refused and leaves the position where it was.
TEST_F(ByteReaderFile, FileCutShortAfterOpening) {
    const std::vector<std::uint8_t> data = Pattern();
    test::WriteText(root_ / "data.bin", std::string(data.begin(), data.end()));
    const auto reader = ByteReader::Open((root_ / "data.bin").c_str());
    ASSERT_NE(reader, nullptr);
    std::vector<std::uint8_t> got(2 * Buffer);
    ASSERT_TRUE(reader->Read(got.data(), 10));
    fs::resize_file(root_ / "data.bin", Buffer + 100);
    EXPECT_TRUE(reader->Read(got.data(), 1000));
    for (const std::size_t count : {std::size_t{70000}, got.size()}) {
        EXPECT_FALSE(reader->Read(got.data(), count)) << count;
        EXPECT_EQ(reader->Position(), 1010u) << count;
    }
    ASSERT_TRUE(reader->Seek(20));
    ASSERT_TRUE(reader->Read(got.data(), 80));
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 80, data.begin() + 20));
}

}  // namespace
