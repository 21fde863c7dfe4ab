// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the SDL backend's box and beep that need no display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/sdl/chime.h"
#include "platform/sdl/message_box.h"

namespace {

// One unit a character, whatever its length in UTF-8.
int Characters(std::string_view text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

TEST(MessageBox, TextWrapsAtSpacesAndKeepsLineEnds) {
    struct Case {
        std::string text;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {"one two three", 7, {"one two", "three"}},
        {"line\nends\r\nkept", 80, {"line", "ends", "kept"}},
        {"a\n\nb\n", 80, {"a", "", "b", ""}},
        {"", 10, {""}},
        {"  indented  twice", 80, {"  indented  twice"}},
        {"ab    cd", 3, {"ab", "cd"}},
        {"tab\there", 80, {"tab here"}},
        {"abcdefghij x", 4, {"abcd", "efgh", "ij x"}},
        {"\xc3\xa9\xe2\x82\xac\xc3\xbcx", 2, {"\xc3\xa9\xe2\x82\xac", "\xc3\xbcx"}},  // characters stay whole
        {"ab", 0, {"a", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::WrapText(c.text, c.width, Characters), c.lines) << c.text << " in " << c.width;
}

TEST(MessageBox, EachBeepTypeChimesBrieflyAndEndsInSilence) {
    constexpr int Rate = 48000;
    std::vector<std::vector<float>> chimes;
    for (win::UINT type : {0xFFFFFFFFu, win::MB_OK, win::MB_ICONHAND, win::MB_ICONQUESTION, win::MB_ICONEXCLAMATION,
                           win::MB_ICONASTERISK}) {
        SCOPED_TRACE(type);
        std::vector<float> samples = platform::ChimeSamples(type, Rate);
        ASSERT_EQ(samples.size(), Rate * 150u / 1000);
        auto peak = [&](std::size_t from, std::size_t to) {
            float most = 0;
            for (std::size_t i = from; i < to; ++i) most = std::max(most, std::abs(samples[i]));
            return most;
        };
        EXPECT_LT(std::abs(samples.front()), 0.01f);
        EXPECT_GT(peak(0, Rate / 50), 0.2f);
        EXPECT_LE(peak(0, samples.size()), 1.0f);
        EXPECT_LT(peak(samples.size() - Rate / 500, samples.size()), 0.01f);
        EXPECT_EQ(std::find(chimes.begin(), chimes.end(), samples), chimes.end()) << "sounds like another type";
        chimes.push_back(std::move(samples));
    }
}

}  // namespace
