// SPDX-License-Identifier: GPL-3.0-or-later
// Snapshots and the picture's checksum.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "platform/core/events.h"
#include "platform/core/screen.h"
#include "platform/win/win.h"
#include "test_environment.h"

namespace {

std::vector<std::uint8_t> ReadPngRgb(const std::string& path, int* width, int* height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return rgb;
}

TEST(Snapshot, WritesTheScreenAsRgbPng) {
    win::HDC dc = win::GetDC(nullptr);
    win::PatBlt(dc, 0, 0, 640, 480, win::BLACKNESS);
    win::PatBlt(dc, 10, 20, 30, 40, win::WHITENESS);
    win::HBRUSH red = win::CreateSolidBrush(win::RGB(255, 0, 0));
    win::SelectObject(dc, red);
    win::PatBlt(dc, 600, 400, 40, 80, win::PATCOPY);
    win::ReleaseDC(nullptr, dc);
    win::DeleteObject(red);

    auto path = test::MakeTempDir("snapshot") / "screen.png";
    ASSERT_TRUE(platform::WriteSnapshot(path.string()));
    int width = 0, height = 0;
    auto rgb = ReadPngRgb(path.string(), &width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    const auto& screen = platform::TheScreen();
    ASSERT_EQ(rgb, screen.ToRgb());
    auto at = [&](int x, int y) {
        return std::vector<int>(rgb.begin() + (y * 640 + x) * 3, rgb.begin() + (y * 640 + x) * 3 + 3);
    };
    EXPECT_EQ(at(10, 20), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(at(639, 479), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(at(9, 20), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(screen.Crc(), crc32(crc32(0, nullptr, 0), rgb.data(), static_cast<uInt>(rgb.size())));

    EXPECT_FALSE(platform::WriteSnapshot((test::TempRoot() / "no such folder" / "x.png").string()));
}

TEST(Screen, ResizingKeepsThePictureTopLeftAndBlackensTheRest) {
    platform::Screen screen(platform::PaletteMode::Static, {4, 3});
    screen.Fill({0, 0, 4, 3}, 7);
    screen.Resize({6, 2});
    const std::uint8_t expected[2][6] = {{7, 7, 7, 7, 0, 0}, {7, 7, 7, 7, 0, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(screen.Row(y)[x], expected[y][x]) << x << "," << y;
    std::vector<std::uint32_t> xrgb(12);
    platform::ConvertToXrgb(screen, xrgb.data(), 6);
    EXPECT_EQ(xrgb[0], 0xC0C0C0u) << "entry 7 is silver";
    EXPECT_EQ(xrgb[5], 0u);
}

}  // namespace
