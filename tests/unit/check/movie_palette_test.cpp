// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-check --fix-palette on movies: the copy, played through the
// player's own decoder on a display with static colours and on one without,
// shows every frame in the movie's colours, and the checker passes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "check/movie_palette.h"
#include "flic/flc_window.h"
#include "platform/core/screen.h"
#include "support/flc_writer.h"
#include "support/fresh_session.h"
#include "support/player_run.h"

namespace {

using flc::Image;
using flc::Rgb;
using Shown = std::vector<Rgb>;  // a frame's pixels, rows top to bottom

constexpr int Width = 16, Height = 8;

struct MovieCase {
    std::string name;
    flc::Movie movie;
    std::vector<Shown> frames;  // as the movie was made to show
    bool reduced = false;
    int tolerance = 0;  // largest difference in a colour channel
};
void PrintTo(const MovieCase& c, std::ostream* out) { *out << c.name; }

// 256 colours unlike the display's own.
std::vector<Rgb> Distinct() {
    std::vector<Rgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(200 - i / 2), 90});
    return colours;
}

// A frame of the test animation on entries spread up to 251.
Image Pattern(int frame) {
    Image image = flc::TestPattern(Width, Height, frame, 40);
    for (std::uint8_t& value : image) value = static_cast<std::uint8_t>((value * 6 + 17) % 256);
    return image;
}

Shown ShownAs(const Image& image, const std::vector<Rgb>& palette) {
    Shown shown;
    for (const std::uint8_t value : image) shown.push_back(palette[value]);
    return shown;
}

flc::Movie Sized(int width, int height) {
    flc::Movie movie;
    movie.width = static_cast<std::uint16_t>(width);
    movie.height = static_cast<std::uint16_t>(height);
    return movie;
}

MovieCase Animated(std::string name, flc::Compression compression) {
    const std::vector<Image> images{Pattern(0), Pattern(1), Pattern(2), Pattern(3)};
    MovieCase c{std::move(name), flc::Animation(Width, Height, images, Distinct(), compression), {}};
    for (const Image& image : images) c.frames.push_back(ShownAs(image, Distinct()));
    return c;
}

std::vector<MovieCase> Cases() {
    const Image first = Pattern(0), second = Pattern(1);
    MovieCase paletteAfterPixels{"PaletteAfterPixels", Sized(Width, Height), {}};
    paletteAfterPixels.movie.frames = {{{flc::ByteRun(first, Width, Height), flc::Palette(Distinct())}},
                                       {{flc::DeltaFlc(first, second, Width, Height)}}};
    paletteAfterPixels.frames = {ShownAs(first, Distinct()), ShownAs(second, Distinct())};

    std::vector<Rgb> navyZero = Distinct();
    navyZero[0] = {0, 0, 128};
    MovieCase black{"BlackChunkWithColourZeroNotBlack", Sized(Width, Height), {}};
    black.movie.frames = {{{flc::Palette(navyZero), flc::ByteRun(first, Width, Height)}},
                          {{flc::Black()}},
                          {{flc::ByteRun(second, Width, Height)}}};
    black.frames = {ShownAs(first, navyZero), Shown(Width * Height, navyZero[0]), ShownAs(second, navyZero)};

    // The second palette changes entries 240-249 only.
    std::vector<Rgb> changed = Distinct(), later(10, Rgb{250, 250, 10});
    std::copy(later.begin(), later.end(), changed.begin() + 240);
    MovieCase changing{"PaletteChangingDuringPlay", Sized(Width, Height), {}};
    changing.movie.frames = {{{flc::Palette(Distinct()), flc::ByteRun(first, Width, Height)}},
                             {{flc::PalettePackets({{240, later}}), flc::DeltaFlc(first, second, Width, Height)}}};
    changing.frames = {ShownAs(first, Distinct()), ShownAs(second, changed)};

    // Every entry in use: more than fit, with one palette.
    std::vector<Rgb> gradient;
    Image everyEntry;
    for (int i = 0; i < 256; ++i) {
        gradient.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2), static_cast<std::uint8_t>(255 - i)});
        everyEntry.push_back(static_cast<std::uint8_t>(i));
    }
    MovieCase reduced{"MoreEntriesThanFit", Sized(16, 16), {}, true, 8};
    reduced.movie.frames = {{{flc::Palette(gradient), flc::ByteRun(everyEntry, 16, 16)}}};
    reduced.frames = {ShownAs(everyEntry, gradient)};

    return {Animated("ByteRun", flc::Compression::ByteRun),
            Animated("WordDelta", flc::Compression::Delta),
            Animated("ByteDelta", flc::Compression::DeltaLc),
            Animated("Uncompressed", flc::Compression::Copy),
            paletteAfterPixels,
            black,
            changing,
            reduced};
}

// Records the movie's area of the screen whenever it changed since the
// movie last read the clock, which it does after every frame it shows.
class RecordingHost final : public MovieHost {
public:
    RecordingHost(int width, int height) : width_(width), height_(height) {}
    void FatalError(const char* text) override { errors.push_back(text); }
    bool PumpMessages() override { return true; }
    bool TakeAbort() override { return false; }
    void Serve() override {}
    win::DWORD Ticks() override {
        Shown area = Area();
        // The first reading comes before the first frame.
        if (!last_.empty() && area != last_) frames.push_back(area);
        last_ = std::move(area);
        return clock_ += 10;
    }
    void WaitForMessage(win::DWORD) override {}
    bool AttachMovieSound(const char*) override { return false; }
    void StartMovieSound() override {}
    void DropUnstartedMovieSound() override {}

    std::vector<std::string> errors;
    std::vector<Shown> frames;

private:
    Shown Area() const {
        const platform::Screen& screen = platform::TheScreen();
        const std::vector<std::uint8_t> rgb = screen.ToRgb();
        const int x0 = (screen.GetSize().width >> 1) - (width_ >> 1),
                  y0 = (screen.GetSize().height >> 1) - (height_ >> 1);
        Shown area;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const std::size_t at = 3 * (static_cast<std::size_t>(y0 + y) * screen.GetSize().width + x0 + x);
                area.push_back({rgb[at], rgb[at + 1], rgb[at + 2]});
            }
        return area;
    }

    int width_, height_;
    win::DWORD clock_ = 0;
    Shown last_;
};

// The frames the movie shows on a headless screen, in a presentation window that covers it.
std::vector<Shown> Play(const std::filesystem::path& path, int width, int height) {
    win::WNDCLASSA windowClass{0, win::DefWindowProcA, nullptr, nullptr, "MoviePaletteTest"};
    win::RegisterClassA(&windowClass);
    const platform::Size size = platform::TheScreen().GetSize();
    win::HWND window = win::CreateWindowExA(0, "MoviePaletteTest", "", win::WS_POPUP, 0, 0, size.width, size.height,
                                            nullptr, nullptr, nullptr, nullptr);
    win::ShowWindow(window, win::SW_SHOW);
    RecordingHost host(width, height);
    {
        DFLCWindow movie(window, path.c_str(), host);
        movie.Play();
    }
    win::DestroyWindow(window);
    EXPECT_EQ(host.errors, std::vector<std::string>{});
    return host.frames;
}

int Difference(const Rgb& a, const Rgb& b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

class FixMoviePalette : public testing::TestWithParam<std::tuple<MovieCase, const char*>> {};

TEST_P(FixMoviePalette, CopyShowsAsMade) {
    const auto& [c, paletteSetting] = GetParam();
    test::SessionWith session(
        {{"CORVANTA_PALETTE", paletteSetting}, {"CORVANTA_CLIENT", "64x48"}, {"CORVANTA_TRACE", nullptr}});
    const std::filesystem::path folder = test::MakeTempDir("fix-movie-" + c.name + "-" + paletteSetting);
    ASSERT_TRUE(flc::WriteFile((folder / "in.flc").string(), c.movie));
    const check::MovieFix fix = check::FixMoviePalette(folder / "in.flc", folder / "out.flc");
    ASSERT_EQ(fix.error, "");
    EXPECT_EQ(fix.reduced, c.reduced);

    const std::vector<Shown> frames = Play(folder / "out.flc", c.movie.width, c.movie.height);
    ASSERT_EQ(frames.size(), c.frames.size());
    for (std::size_t frame = 0; frame < frames.size(); ++frame)
        for (std::size_t pixel = 0; pixel < frames[frame].size(); ++pixel)
            ASSERT_LE(Difference(frames[frame][pixel], c.frames[frame][pixel]), c.tolerance)
                << "frame " << frame + 1 << ", pixel " << pixel;

    const auto copy = platform::ByteReader::Open((folder / "out.flc").c_str());
    ASSERT_TRUE(copy);
    std::optional<check::MovieFile> fixed = check::ReadMovie(*copy);
    ASSERT_TRUE(fixed);
    const check::LostMoviePixels lost = check::CountLostPixels(*fixed);
    EXPECT_EQ(lost.onKeptEntries + lost.beforePalette, 0u);
}

INSTANTIATE_TEST_SUITE_P(Check, FixMoviePalette,
                         testing::Combine(testing::ValuesIn(Cases()), testing::Values("static", "nostatic")),
                         [](const auto& info) { return std::get<0>(info.param).name + "_" + std::get<1>(info.param); });

TEST(FixMoviePalette, RefusesMoreEntriesThanFitWhenThePaletteChanges) {
    const std::filesystem::path folder = test::MakeTempDir("fix-movie-refused");
    Image everyEntry;
    for (int i = 0; i < 256; ++i) everyEntry.push_back(static_cast<std::uint8_t>(i));
    flc::Movie movie = Sized(16, 16);
    movie.frames = {{{flc::Palette(Distinct()), flc::ByteRun(everyEntry, 16, 16)}},
                    {{flc::PalettePackets({{3, {{1, 2, 3}}}})}}};
    ASSERT_TRUE(flc::WriteFile((folder / "in.flc").string(), movie));
    const check::MovieFix fix = check::FixMoviePalette(folder / "in.flc", folder / "out.flc");
    EXPECT_EQ(fix.error, (folder / "in.flc").string() +
                             ": the movie uses 256 palette entries and its palette changes during play; only 235 fit: "
                             "reduce its colours where it was made");
    EXPECT_FALSE(std::filesystem::exists(folder / "out.flc"));
}

}  // namespace
