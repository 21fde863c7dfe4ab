#include <fstream>

#include "sound_fixture.h"

TEST_F(SoundTest, LoadFileImageReadsWholeFilesInPiecesWithServeAround) {
    Start();
    for (std::size_t size : {8u, 100u, 8191u, 8192u, 8193u, 16384u, 20000u}) {
        SCOPED_TRACE(size);
        const std::string name = MakeFile("f" + std::to_string(size), size);
        audio.calls.clear();
        const FileImage image = sound->LoadFileImage(name.c_str());
        ASSERT_NE(image.data, nullptr);
        ASSERT_EQ(image.size, size);
        const std::string expected = [&] {
            std::ifstream in(folder / name, std::ios::binary);
            return std::string{std::istreambuf_iterator<char>(in), {}};
        }();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data.get()), size), expected);
        EXPECT_EQ(audio.Calls("serve").size(), 2 * ((size + 8191) / 8192));
    }
}

TEST_F(SoundTest, LoadFileImageGivesNothingForEmptyMissingOrUnreadableFiles) {
    Start();
    MakeFile("empty.wav", 0);
    MakeFile("seven.wav", 7);
    std::filesystem::create_directory(folder / "folder.wav");
    for (const char* name : {"empty.wav", "seven.wav", "missing.wav", "folder.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sound->LoadFileImage(name).data, nullptr);
    }
    EXPECT_FALSE(SoundClass::FileExists("missing.wav"));
    EXPECT_TRUE(SoundClass::FileExists("empty.wav"));
}

// Writers that drop the last pad byte, write the file's length or 0xFFFFFFFF
// overstate the RIFF size; the library reads as far as it says.
TEST_F(SoundTest, ARiffSizeBeyondTheFileIsCutToTheFile) {
    Start();
    const struct {
        std::uint32_t overclaim;
        std::uint32_t riffSize;
    } cases[] = {{0, 8992}, {1, 8992}, {8, 8992}, {0xFFFFFFFFu - 8992, 8992}, {0u - 100, 8892}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.overclaim);
        MakeFile("over.wav", 9000, c.overclaim);
        const FileImage image = sound->LoadFileImage("over.wav");
        ASSERT_NE(image.data, nullptr);
        const unsigned char* size = image.data.get() + 4;
        EXPECT_EQ(size[0] | size[1] << 8 | size[2] << 16 | std::uint32_t{size[3]} << 24, c.riffSize);
    }
}
