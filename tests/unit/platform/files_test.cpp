// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-style paths, text mode and the file queries.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/core/paths.h"
#include "platform/win/win.h"
#include "support/unusual_files.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::MakeTempDir("files");
        test::WriteText(root_ / "Data" / "Pics" / "Title.BMP", "picture");
        test::WriteText(root_ / "Data" / "seq.txt", "one\r\ntwo\r\nlone\rcr\r\n\r\nlast");
        test::WriteText(root_ / "Twice" / "A.txt", "upper");
        test::WriteText(root_ / "Twice" / "a.TXT", "mixed");
        fs::create_directories(root_ / "Empty");
        ASSERT_EQ(::chdir(root_.c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(::chdir(test::TempRoot().c_str()), 0); }

    fs::path root_;
};

TEST_F(Files, PathsResolveWithoutRegardToCase) {
    struct Case {
        const char* written;
        std::string expected;
    } cases[] = {
        {"data\\pics\\title.bmp", "Data/Pics/Title.BMP"},
        {"DATA/PICS/TITLE.BMP", "Data/Pics/Title.BMP"},
        {".\\Data\\.\\pics\\..\\Pics\\TITLE.bmp", "./Data/./Pics/../Pics/Title.BMP"},
        {"data\\new folder\\file.txt", "Data/new folder/file.txt"},  // the missing tail stays as written
        {"twice\\a.txt", "Twice/A.txt"},                             // first match in sorted order
        {"Twice\\a.TXT", "Twice/a.TXT"},                             // an exact name wins
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::ResolveHostPath(c.written), c.expected) << c.written;
    std::string absolute = (root_ / "data" / "PICS").string();
    EXPECT_EQ(platform::ResolveHostPath(absolute), (root_ / "Data" / "Pics").string());

    char out[8];
    std::size_t length = win::ResolvePath("data\\pics\\title.bmp", out, sizeof out);
    EXPECT_EQ(length, std::strlen("Data/Pics/Title.BMP"));
    EXPECT_STREQ(out, "Data/Pi") << "cut to the buffer, always terminated";
}

TEST_F(Files, TextModeReadsCrLfAsLf) {
    std::FILE* file = win::fopen("DATA\\SEQ.TXT", "r");
    ASSERT_NE(file, nullptr);
    const char* lines[] = {"one\n", "two\n", "lone\rcr\n", "\n", "last"};
    for (int pass = 0; pass < 2; ++pass) {
        char buffer[64];
        for (const char* expected : lines) {
            ASSERT_NE(std::fgets(buffer, sizeof buffer, file), nullptr);
            EXPECT_STREQ(buffer, expected);
        }
        EXPECT_EQ(std::fgets(buffer, sizeof buffer, file), nullptr);
        EXPECT_TRUE(std::feof(file));
        std::rewind(file);  // and again from the start
        EXPECT_FALSE(std::feof(file));
    }
    EXPECT_EQ(std::fseek(file, 0, SEEK_SET), 0);
    EXPECT_EQ(std::fgetc(file), 'o');
    EXPECT_EQ(std::fclose(file), 0);

    file = win::fopen("data/seq.txt", "rb");
    ASSERT_NE(file, nullptr);
    char raw[8] = {};
    EXPECT_EQ(std::fread(raw, 1, 5, file), 5u);
    EXPECT_STREQ(raw, "one\r\n") << "binary mode keeps CR";
    std::fclose(file);
}

TEST_F(Files, WritingMakesTheFileInTheMatchingFolder) {
    std::FILE* file = win::fopen("DATA\\PICS\\New.txt", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("x", file);
    std::fclose(file);
    EXPECT_TRUE(fs::exists(root_ / "Data" / "Pics" / "New.txt"));
    EXPECT_EQ(win::fopen("nowhere\\file.txt", "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

// Opened without waiting, and refused as a missing file is.
TEST_F(Files, OnlyARegularFileOpensAsAFile) {
    for (test::SpecialFile kind : test::SpecialFiles) {
        ASSERT_TRUE(test::MakeSpecialFile(root_ / "Data" / test::Name(kind), kind));
        for (const char* mode : {"r", "rb", "rt"}) {
            errno = 0;
            EXPECT_EQ(win::fopen(("DATA\\" + test::Name(kind)).c_str(), mode), nullptr) << test::Name(kind) << mode;
            EXPECT_EQ(errno, ENOENT) << test::Name(kind) << mode;
        }
        const bool folder = kind == test::SpecialFile::Folder;
        EXPECT_EQ(win::_access(("data\\" + test::Name(kind)).c_str(), 0), folder ? 0 : -1) << test::Name(kind);
    }
}

TEST_F(Files, AccessAndAttributes) {
    EXPECT_EQ(win::_access("data\\pics\\TITLE.BMP", 0), 0);
    EXPECT_EQ(win::_access("data\\pics\\missing.bmp", 0), -1);
    EXPECT_EQ(errno, ENOENT);
    struct Case {
        const char* path;
        win::DWORD attributes;
    } cases[] = {{"data", win::FILE_ATTRIBUTE_DIRECTORY},
                 {"Data\\pics\\title.bmp", win::FILE_ATTRIBUTE_NORMAL},
                 {"data\\nothing", win::INVALID_FILE_ATTRIBUTES}};
    for (const auto& c : cases) EXPECT_EQ(win::GetFileAttributesA(c.path), c.attributes) << c.path;
    win::WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(win::GetFileAttributesExA("DATA\\PICS\\TITLE.BMP", win::GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 7u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
}

TEST_F(Files, CurrentDirectory) {
    EXPECT_TRUE(win::SetCurrentDirectoryA("DATA\\pics"));
    char buffer[win::_MAX_PATH];
    win::DWORD length = win::GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer, length), (fs::canonical(root_) / "Data" / "Pics").string());
    EXPECT_EQ(win::GetCurrentDirectoryA(3, buffer), length + 1) << "too small: the size needed";
    EXPECT_EQ(win::_chdir("..\\..\\EMPTY"), 0);
    ASSERT_NE(win::_getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(fs::path(buffer).filename(), "Empty");
    EXPECT_FALSE(win::SetCurrentDirectoryA("no such folder"));
}

TEST_F(Files, SearchPathLooksInTheGivenFolders) {
    char found[win::_MAX_PATH];
    char* name = nullptr;
    win::DWORD length = win::SearchPathA("Empty;DATA\\PICS", "title", ".bmp", sizeof found, found, &name);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(found, length), (fs::canonical(root_) / "Data" / "Pics" / "Title.BMP").string());
    EXPECT_STREQ(name, "Title.BMP");
    EXPECT_EQ(win::SearchPathA("data", "seq.txt", ".wav", sizeof found, found, nullptr) > 0, true)
        << "the default extension only completes a name without one";
    EXPECT_EQ(win::SearchPathA("data", "pics", nullptr, sizeof found, found, nullptr), 0u) << "folders are not files";
    EXPECT_EQ(win::SearchPathA("Empty", "title.bmp", nullptr, sizeof found, found, nullptr), 0u);
    EXPECT_EQ(win::SearchPathA(nullptr, "data\\seq.txt", nullptr, sizeof found, found, nullptr) > 0, true)
        << "without a path the current folder is searched";
}

TEST(SplitPath, SplitsAndMergesAsTheRuntimeDoes) {
    struct Case {
        const char* path;
        const char *drive, *dir, *fname, *ext;
    } cases[] = {
        {"c:\\pics\\title.bmp", "c:", "\\pics\\", "title", ".bmp"},
        {"title", "", "", "title", ""},
        {"title.", "", "", "title", "."},
        {"a.b\\c", "", "a.b\\", "c", ""},
        {"dir/sub/pic.tar.gz", "", "dir/sub/", "pic.tar", ".gz"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        char drive[win::_MAX_DRIVE], dir[win::_MAX_DIR], fname[win::_MAX_FNAME], ext[win::_MAX_EXT];
        win::_splitpath(c.path, drive, dir, fname, ext);
        EXPECT_STREQ(drive, c.drive) << c.path;
        EXPECT_STREQ(dir, c.dir) << c.path;
        EXPECT_STREQ(fname, c.fname) << c.path;
        EXPECT_STREQ(ext, c.ext) << c.path;
    }
    struct Merge {
        const char *drive, *dir, *fname, *ext, *expected;
    } merges[] = {
        {"", "", "title", "bmp", "title.bmp"},
        {"c", "pics", "title", ".bmp", "c:pics\\title.bmp"},
        {nullptr, "pics/", "title", nullptr, "pics/title"},
    };
    for (const auto& m : merges) {
        char path[win::_MAX_PATH];
        win::_makepath(path, m.drive, m.dir, m.fname, m.ext);
        EXPECT_STREQ(path, m.expected);
    }
    std::string longName(400, 'x');
    char fname[win::_MAX_FNAME];
    win::_splitpath(longName.c_str(), nullptr, nullptr, fname, nullptr);
    EXPECT_EQ(std::strlen(fname), win::_MAX_FNAME - 1u) << "fields are cut to their buffers";
}

}  // namespace
