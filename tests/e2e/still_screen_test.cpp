// SPDX-License-Identifier: GPL-3.0-or-later
// Stills on the screen: where the picture lands in the client area, and the
// boxes of pictures that cannot be shown. Runs the real player headless.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

const test::Rgb Black{0, 0, 0};

fs::path Presentation(const std::string& name, const std::string& sequence) {
    const fs::path root = test::MakeTempDir("still-screen-" + name);
    test::WriteFile(root / "sequence", sequence);
    return root;
}

struct Placement {
    std::string name;
    int width, height;  // of the picture
    std::string client;
    int x, y;  // where it must land
};

void PrintTo(const Placement& c, std::ostream* out) { *out << c.name; }

class StillPlacement : public testing::TestWithParam<Placement> {};

TEST_P(StillPlacement, FittingPictureIsCentredOneToOne) {
    const Placement& c = GetParam();
    const fs::path root = Presentation(c.name, "still pic\nendstill\n");
    ASSERT_TRUE(test::MakeBmpWithTool("-size " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                          " gradient:orange-teal -colors 16 -compress None",
                                      root / "pic.bmp"));
    const test::ToolImage picture = test::DecodeWithTool(root / "pic.bmp");

    test::PlayerOptions options;
    options.env["CORVANTA_CLIENT"] = c.client;
    options.input = "1000 snapshot shot.png\n1100 key escape\n";
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_TRUE(run.Events("box").empty()) << run.Dump();

    const test::ToolImage shot = test::DecodeWithTool(root / "shot.png");
    ASSERT_EQ(std::to_string(shot.width) + "x" + std::to_string(shot.height), c.client);
    int wrong = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool inside = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
            const test::Rgb expected = inside ? picture.At(x - c.x, y - c.y) : Black;
            if (!(shot.At(x, y) == expected) && ++wrong <= 5) ADD_FAILURE() << "pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, StillPlacement,
                         testing::Values(Placement{"VgaInSvga", 640, 480, "800x600", 80, 60},
                                         Placement{"OddDifference", 641, 481, "800x600", 80, 60},
                                         Placement{"ExactFit", 640, 480, "640x480", 0, 0},
                                         Placement{"Small", 33, 17, "640x480", 304, 232}),
                         [](const auto& info) { return info.param.name; });

// A picture of four solid quarters, so that a squeezed copy can be checked
// at the centres of its quarters whatever the rounding of the squeeze.
const std::vector<test::Rgb> Quarters{{220, 30, 30}, {30, 200, 40}, {40, 60, 230}, {240, 220, 20}};

test::BmpFile QuarteredPicture(int width, int height) {
    test::BmpFile file;
    file.width = width;
    file.height = height;
    file.bitCount = 4;
    file.colours = Quarters;
    file.clrUsed = 4;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(static_cast<std::uint8_t>((y >= height / 2) * 2 + (x >= width / 2)));
    file.pixels = test::PackRows(pixels, width, height, 4);
    return file;
}

struct Squeeze {
    std::string name;
    int width, height;                  // of the picture, in a 640 x 480 client area
    int x, y, drawnWidth, drawnHeight;  // where it must land
};

void PrintTo(const Squeeze& c, std::ostream* out) { *out << c.name; }

class StillSqueeze : public testing::TestWithParam<Squeeze> {};

TEST_P(StillSqueeze, LargerPictureFillsTheClientArea) {
    const Squeeze& c = GetParam();
    const fs::path root = Presentation(c.name, "still pic\nendstill\n");
    test::WriteBytes(root / "pic.bmp", QuarteredPicture(c.width, c.height).Bytes());
    test::PlayerOptions options;
    options.input = "1000 snapshot shot.png\n1100 key escape\n";
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    const test::ToolImage shot = test::DecodeWithTool(root / "shot.png");
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);

    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool outside = x >= c.x + c.drawnWidth || y < c.y || y >= c.y + c.drawnHeight;
            if (outside) {
                ASSERT_EQ(shot.At(x, y), Black) << "outside the picture at " << x << "," << y;
            }
        }
    }
    for (int quarter = 0; quarter < 4; ++quarter) {
        const int x = c.x + c.drawnWidth / 4 + (quarter % 2) * c.drawnWidth / 2;
        const int y = c.y + c.drawnHeight / 4 + (quarter / 2) * c.drawnHeight / 2;
        EXPECT_EQ(shot.At(x, y), Quarters[quarter]) << "quarter " << quarter;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, StillSqueeze,
                         testing::Values(Squeeze{"OnePixelWider", 641, 400, 0, 0, 640, 400},
                                         Squeeze{"Wider", 1000, 300, 0, 0, 640, 300},
                                         Squeeze{"Taller", 600, 700, 0, 20, 600, 460},
                                         Squeeze{"WiderAndTaller", 800, 600, 0, 20, 640, 460}),
                         [](const auto& info) { return info.param.name; });

// ------------------------------------------------------------ refused pictures

std::string FatalBox(const std::string& owner, const std::string& text) {
    return "box\t" + owner + "\t0x30\tFatal Error\t" + text;
}

struct RefusedCase {
    std::string name;
    std::string sequence;
    std::vector<std::uint8_t> file;  // written as title.bmp unless empty
    std::string box;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class StillRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(StillRefused, ShowsOneBoxAndEndsWithCodeOne) {
    const RefusedCase& c = GetParam();
    const fs::path root = Presentation(c.name, c.sequence);
    if (!c.file.empty()) test::WriteBytes(root / "title.bmp", c.file);
    const test::PlayerRun run = test::RunPlayer(root, {});
    EXPECT_EQ(run.exitCode, 1) << run.Dump();
    EXPECT_TRUE(run.ContainsInOrder({c.box, "beep\t0x30", "exit\t1"})) << run.Dump();
    EXPECT_EQ(run.Events("box").size(), 1u) << run.Dump();
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

INSTANTIATE_TEST_SUITE_P(
    Files, StillRefused,
    testing::Values(RefusedCase{"Missing",
                                "still title\nendstill\n",
                                {},
                                FatalBox("window", "The file title.bmp could not be found.")},
                    RefusedCase{"MissingWithDot",
                                "still title.\nendstill\n",
                                {},
                                FatalBox("window", "The file title.bmp could not be found.")},
                    RefusedCase{"NoName", "still\nendstill\n", {}, FatalBox("none", "STILL file name missing.")},
                    RefusedCase{"NotABitmap", "still title\nendstill\n", Bytes("hello, world: not a picture"),
                                FatalBox("none", "Not a bitmap file")},
                    RefusedCase{"TrueColour", "still title\nendstill\n",
                                [] {
                                    test::BmpFile file;
                                    file.width = file.height = 4;
                                    file.bitCount = 24;
                                    file.pixels.assign(48, 0x80);
                                    return file.Bytes();
                                }(),
                                FatalBox("none", "Can't handle TrueColor images")}),
    [](const auto& info) { return info.param.name; });

TEST(StillRefused, UnopenableFileNamesTheFolder) {
    const struct {
        std::string name, still;
        bool folder;  // what stands in the way: a folder, else a file
        std::string path;
    } cases[] = {
        {"FileAsFolder", "plain\\title", false, "plain"},
        {"FolderAsFile", "title", true, "title.bmp"},
    };
    for (const auto& c : cases) {
        const fs::path root = Presentation("Unopenable" + c.name, "still " + c.still + "\nendstill\n");
        if (c.folder)
            fs::create_directories(root / c.path);
        else
            test::WriteFile(root / c.path, "a file where a folder is expected");
        const test::PlayerRun run = test::RunPlayer(root, {});
        EXPECT_EQ(run.exitCode, 1) << c.name;
        EXPECT_TRUE(run.ContainsInOrder({FatalBox("none", "Unable to open bitmap file " + c.still +
                                                              ".bmp \n in current dir " + fs::canonical(root).string()),
                                         "beep\t0x30", "exit\t1"}))
            << c.name << "\n"
            << run.Dump();
        EXPECT_NE(run.stdErr.find("slide constructor: "), std::string::npos) << run.stdErr;
    }
}

}  // namespace
