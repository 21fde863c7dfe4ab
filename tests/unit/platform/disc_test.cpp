// SPDX-License-Identifier: GPL-3.0-or-later
// The disc as the layer's file functions see it: names as the disc gives
// them, found without regard to case; files read as the player reads them;
// nothing written.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/core/byte_reader.h"
#include "platform/core/disc_image.h"
#include "platform/core/presentation_source.h"
#include "platform/core/session.h"
#include "platform/win/win.h"
#include "support/disc_writer.h"
#include "test_environment.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    test::WriteText(path, text);
}

struct NameCase {
    std::string name;
    test::IsoNames names;
    std::string written;  // the file's name in the folder the image is made of
    std::string looked;   // a spelling that must find it
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << c.name; }

class DiscNames : public testing::TestWithParam<NameCase> {};

TEST_P(DiscNames, AreTheDiscsOwnAndFoundInAnyCase) {
    const NameCase& c = GetParam();
    const fs::path work = test::MakeTempDir("disc-names-" + c.name);
    Write(work / "tree" / c.written, "x");
    ASSERT_TRUE(test::MakeIso(work / "tree", work / "disc.iso", c.names));
    std::string error;
    const auto disc = platform::DiscImage::Open((work / "disc.iso").string(), error);
    ASSERT_TRUE(disc) << error;
    const auto entries = disc->List(disc->Root());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().name, c.written);
    const auto found = disc->Find({c.looked});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, c.written);
    EXPECT_EQ(found->size, 1u);
}

INSTANTIATE_TEST_SUITE_P(Disc, DiscNames,
                         testing::Values(NameCase{"IsoWithoutVersionOrDot", test::IsoNames::Level1, "README", "readme"},
                                         NameCase{"IsoWithExtension", test::IsoNames::Level1, "DATA.TXT", "data.txt"},
                                         NameCase{"Joliet", test::IsoNames::Joliet, "Long Name of Mixed Case.text",
                                                  "LONG NAME OF MIXED CASE.TEXT"},
                                         NameCase{"RockRidge", test::IsoNames::RockRidge, "lower-case.name.txt",
                                                  "Lower-Case.Name.TXT"}),
                         [](const auto& info) { return info.param.name; });

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

std::string Read(std::FILE* file, std::size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(std::fread(bytes.data(), 1, count, file));
    return bytes;
}

TEST(DiscFiles, ReadSeekAndFolderAsOnAReadOnlyDrive) {
    const fs::path work = test::MakeTempDir("disc-files");
    const std::string data = Pattern(5000);
    Write(work / "tree/SEQUENCE", "line one\r\nline two\r\n");
    Write(work / "tree/DATA.BIN", data);
    Write(work / "tree/SUB/SOUND.WAV", "RIFF");
    ASSERT_TRUE(test::MakeIso(work / "tree", work / "disc.iso", test::IsoNames::RockRidge));

    platform::FreshSession session;
    std::string error;
    ASSERT_TRUE(platform::EnterPresentation((work / "disc.iso").string(), error)) << error;
    char folder[64];
    EXPECT_STREQ(win::_getcwd(folder, sizeof folder), "D:\\");

    std::FILE* file = win::fopen("data.bin", "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Read(file, 3), data.substr(0, 3));
    ASSERT_EQ(std::fseek(file, 2046, SEEK_SET), 0);  // across a block's end
    EXPECT_EQ(Read(file, 4), data.substr(2046, 4));
    ASSERT_EQ(std::fseek(file, -10, SEEK_END), 0);
    EXPECT_EQ(Read(file, 100), data.substr(4990));
    std::rewind(file);
    EXPECT_EQ(Read(file, 10000), data);
    std::fclose(file);
    const auto reader = platform::ByteReader::Open("DATA.BIN");
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Size(), data.size());

    file = win::fopen("Sequence", "r");  // text mode: CR LF reads as LF
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Read(file, 100), "line one\nline two\n");
    std::fclose(file);

    for (const char* mode : {"wb", "a", "r+"}) {
        errno = 0;
        EXPECT_EQ(win::fopen("data.bin", mode), nullptr) << mode;
        EXPECT_EQ(errno, EROFS) << mode;
    }
    EXPECT_EQ(win::_access("data.bin", 2), -1);
    EXPECT_EQ(win::_access("data.bin", 0), 0);
    errno = 0;
    EXPECT_EQ(win::fopen("missing", "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(win::fopen("sub", "rb"), nullptr);  // a folder is not a file

    EXPECT_EQ(win::GetFileAttributesA("sub"), win::FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_EQ(win::_chdir("sub"), 0);
    EXPECT_STREQ(win::_getcwd(folder, sizeof folder), "D:\\SUB");
    char found[64];
    char* name = nullptr;
    ASSERT_NE(win::SearchPathA(folder, "sound", ".wav", sizeof found, found, &name), 0u);
    EXPECT_STREQ(found, "D:\\SUB\\SOUND.WAV");
    EXPECT_STREQ(name, "SOUND.WAV");
    ASSERT_EQ(win::_chdir("..\\..\\.."), 0);  // stops at the root, as on a drive
    EXPECT_STREQ(win::_getcwd(folder, sizeof folder), "D:\\");
    EXPECT_EQ(win::_chdir("data.bin"), -1);

    // A host folder leaves the disc; its drive still names its files.
    ASSERT_EQ(win::_chdir(work.c_str()), 0);
    EXPECT_EQ(std::string(win::_getcwd(folder, sizeof folder)), work.string());
    EXPECT_EQ(win::GetFileAttributesA("D:\\DATA.BIN"), win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(win::GetFileAttributesA("data.bin"), win::INVALID_FILE_ATTRIBUTES);
}

}  // namespace
