// SPDX-License-Identifier: GPL-3.0-or-later
#include "check_fixture.h"

#include <gtest/gtest.h>

#include "check/check.h"
#include "support/bmp_writer.h"
#include "support/disc_writer.h"
#include "support/flc_writer.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace check_test {

namespace fs = std::filesystem;

std::string Bytes(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string Picture(int width, int height) {
    test::BmpFile file;
    file.width = width;
    file.height = height;
    file.bitCount = 4;
    for (int i = 0; i < 16; ++i) file.colours.push_back({static_cast<std::uint8_t>(i * 16), 40, 80});
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i % 16);
    file.pixels = test::PackRows(pixels, width, height, 4);
    return Bytes(file.Bytes());
}

std::string Movie() {
    flc::Movie movie;
    movie.width = 8;
    movie.height = 4;
    const flc::Image first(32, 1), second(32, 2);
    movie.frames.push_back({{flc::Palette({{0, 0, 0}, {200, 0, 0}, {0, 200, 0}}), flc::ByteRun(first, 8, 4)}});
    movie.frames.push_back({{flc::DeltaFlc(first, second, 8, 4)}});
    return Bytes(flc::Encode(movie));
}

std::string Sound() { return Bytes(test::WavFile{}.Bytes()); }

fs::path Write(const Tree& tree) {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '-';
    const fs::path root = test::MakeTempDir(name);
    for (const File& file : tree) {
        const fs::path path = root / file.path;
        if (file.path.ends_with('/')) {
            fs::create_directories(path);
            continue;
        }
        test::WriteFile(path, file.bytes);
        if (file.size) fs::resize_file(path, file.size);
    }
    return root;
}

std::vector<std::string> Check(const Tree& tree, Where where) {
    fs::path root = Write(tree);
    if (where == Where::Image) {
        const fs::path image = root.string() + ".iso";
        EXPECT_TRUE(test::MakeIso(root, image, test::IsoNames::RockRidge));
        root = image;
    }
    const check::TreeReport report = check::CheckTree(root);
    EXPECT_EQ(report.error, "");
    std::vector<std::string> lines;
    for (const check::Finding& finding : report.findings) lines.push_back(check::Format(finding));
    return lines;
}

}  // namespace check_test
