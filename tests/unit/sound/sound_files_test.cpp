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
    MakeFile("truncated.wav", 9000, 1);  // the library would read one byte past the image
    std::filesystem::create_directory(folder / "folder.wav");
    for (const char* name : {"empty.wav", "seven.wav", "truncated.wav", "missing.wav", "folder.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sound->LoadFileImage(name).data, nullptr);
    }
    EXPECT_FALSE(SoundClass::FileExists("missing.wav"));
    EXPECT_TRUE(SoundClass::FileExists("empty.wav"));
}
