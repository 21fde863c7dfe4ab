// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <fstream>

#include "sound_fixture.h"

namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t RiffSize(const FileImage& image) {
    const unsigned char* size = image.Data() + 4;
    return size[0] | size[1] << 8 | size[2] << 16 | std::uint32_t{size[3]} << 24;
}

}  // namespace

// Mapped, not read: the library is handed the file's bytes and nothing is
// read meanwhile, so there is nothing to serve.
TEST_F(SoundTest, LoadFileImageHandsOverTheWholeFileWithoutReadingIt) {
    Start();
    for (std::size_t size : {8u, 100u, 8192u, 20000u}) {
        SCOPED_TRACE(size);
        const std::string name = MakeFile("f" + std::to_string(size), size);
        audio.calls.clear();
        const FileImage image = sound->LoadFileImage(name.c_str());
        ASSERT_TRUE(image);
        ASSERT_EQ(image.Size(), size);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.Data()), size), FileText(folder / name));
        EXPECT_EQ(audio.Calls("serve").size(), 0u);
    }
}

TEST_F(SoundTest, LoadFileImageGivesNothingForEmptyMissingOrUnreadableFiles) {
    Start();
    MakeFile("empty.wav", 0);
    MakeFile("seven.wav", 7);
    std::filesystem::create_directory(folder / "folder.wav");
    for (const char* name : {"empty.wav", "seven.wav", "missing.wav", "folder.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(sound->LoadFileImage(name));
    }
    EXPECT_FALSE(SoundClass::FileExists("missing.wav"));
    EXPECT_TRUE(SoundClass::FileExists("empty.wav"));
}

// Writers that drop the last pad byte, write the file's length or 0xFFFFFFFF
// overstate the RIFF size; the library reads as far as it says. The cut is
// the image's own: the file keeps what it says.
TEST_F(SoundTest, ARiffSizeBeyondTheFileIsCutToTheFileInTheImageOnly) {
    Start();
    const struct {
        std::uint32_t overclaim;
        std::uint32_t riffSize;
    } cases[] = {{0, 8992}, {1, 8992}, {8, 8992}, {0xFFFFFFFFu - 8992, 8992}, {0u - 100, 8892}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.overclaim);
        MakeFile("over.wav", 9000, c.overclaim);
        const std::string before = FileText(folder / "over.wav");
        const FileImage image = sound->LoadFileImage("over.wav");
        ASSERT_TRUE(image);
        EXPECT_EQ(RiffSize(image), c.riffSize);
        EXPECT_EQ(FileText(folder / "over.wav"), before);
    }
}

// What the library would read of a file that shrinks while it plays is
// silence, never a bus error; a file that grows keeps its first size.
TEST_F(SoundTest, AFileCutShortWhileMappedReadsAsZerosPastItsNewEnd) {
    Start();
    MakeFile("cut.wav", 5 * 65536);
    const FileImage image = sound->LoadFileImage("cut.wav");
    ASSERT_TRUE(image);
    std::filesystem::resize_file(folder / "cut.wav", 100);
    const unsigned char* data = image.Data();
    unsigned sum = 0;
    for (std::size_t at = 65536; at < image.Size(); at += 4096) sum += data[at] + data[at + 4095];
    EXPECT_EQ(sum, 0u);
    EXPECT_EQ(data[50], static_cast<unsigned char>(50 * 7 + 3));  // what is left is still there
}

// The music line's cost does not grow with the file: a gigabyte that is
// never read starts as a kilobyte does (the bench has the figures).
TEST_F(SoundTest, AGigabyteStartsAsFastAsAKilobyte) {
    Start();
    MakeFile("small.wav", 1024);
    {
        std::ofstream big(folder / "big.wav", std::ios::binary);
        big << FileText(folder / "small.wav").substr(0, 44);
    }
    std::filesystem::resize_file(folder / "big.wav", std::uintmax_t{1} << 30);  // sparse
    const auto start = [&](const char* name) {
        const auto begin = std::chrono::steady_clock::now();
        Play(name, MusicMode::Mix);
        return std::chrono::steady_clock::now() - begin;
    };
    start("small");
    const auto small = start("small");
    const auto big = start("big");
    EXPECT_EQ(sound->PlayingCount(), 3u);
    EXPECT_LT(big, small * 10 + std::chrono::milliseconds(20));
}
