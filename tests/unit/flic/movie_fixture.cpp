// SPDX-License-Identifier: GPL-3.0-or-later
#include "movie_fixture.h"

#include "platform/core/screen.h"
#include "support/player_run.h"

namespace movie_test {

void MovieTest::SetUp() {
    // Once per platform session: a second registration is refused.
    win::WNDCLASSA wc{0, win::DefWindowProcA, nullptr, nullptr, "MovieTest"};
    win::RegisterClassA(&wc);
    const platform::Size size = platform::TheScreen().GetSize();
    window = win::CreateWindowExA(0, "MovieTest", "", win::WS_POPUP, 0, 0, size.width, size.height, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    win::ShowWindow(window, win::SW_SHOW);
    platform::TheScreen().Fill(platform::TheScreen().Bounds(), 0);

    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name)
        if (c == '/') c = '-';
    folder = test::MakeTempDir(name);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder);
}

void MovieTest::TearDown() {
    std::filesystem::current_path(previous_);
    movie.reset();
    win::DestroyWindow(window);
}

std::vector<std::string> MovieTest::Play(const flc::Movie& m, const std::string& name) {
    return PlayBytes(flc::Encode(m), name);
}

std::vector<std::string> MovieTest::PlayBytes(const flc::Bytes& bytes, const std::string& name) {
    movie = std::make_unique<DFLCWindow>(window, name.c_str(), host);
    movie->PlayFrom(std::make_unique<platform::ByteReader>(bytes), name.c_str());
    lastPalette = movie->Palette();
    return host.errors;
}

flc::Image MovieTest::Shown(int width, int height) const {
    const platform::Screen& screen = platform::TheScreen();
    const int x0 = (screen.GetSize().width >> 1) - (width >> 1);
    const int y0 = (screen.GetSize().height >> 1) - (height >> 1);
    flc::Image image(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image[static_cast<std::size_t>(y) * width + x] = screen.Row(y0 + y)[x0 + x];
    return image;
}

flc::Image Shifted(flc::Image image, int shift) {
    for (auto& v : image) v = static_cast<std::uint8_t>(v + shift);
    return image;
}

flc::Movie EmptyMovie(int width, int height) {
    flc::Movie movie;
    movie.width = static_cast<std::uint16_t>(width);
    movie.height = static_cast<std::uint16_t>(height);
    return movie;
}

std::vector<flc::Rgb> Colours(int count) {
    std::vector<flc::Rgb> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)});
    return colours;
}

}  // namespace movie_test
