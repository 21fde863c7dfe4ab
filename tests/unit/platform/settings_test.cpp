// SPDX-License-Identifier: GPL-3.0-or-later
// Settings, the input script and the trace's text form.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/core/settings.h"
#include "platform/core/trace.h"
#include "platform/headless/input_script.h"
#include "platform/win/keys.h"

namespace {

using platform::ScriptEvent;

TEST(Settings, SizesAreWidthByHeight) {
    struct Case {
        const char* text;
        bool valid;
        int width, height;
    } cases[] = {{"640x480", true, 640, 480}, {"1X1", true, 1, 1},       {"16384x16384", true, 16384, 16384},
                 {"0x480", false, 0, 0},      {"640", false, 0, 0},      {"640x", false, 0, 0},
                 {"-1x5", false, 0, 0},       {"640x480x", false, 0, 0}, {"99999x1", false, 0, 0}};
    for (const auto& c : cases) {
        auto size = platform::ParseSize(c.text);
        EXPECT_EQ(size.has_value(), c.valid) << c.text;
        if (size) {
            EXPECT_EQ(*size, (platform::Size{c.width, c.height})) << c.text;
        }
    }
}

TEST(Settings, BadValuesKeepTheDefaults) {
    std::map<std::string, std::string> environment{{"CORVANTA_DRIVER", "headless"}, {"CORVANTA_CLIENT", "800x600"},
                                                   {"CORVANTA_SCREEN", "big"},      {"CORVANTA_PALETTE", "nostatic"},
                                                   {"CORVANTA_MAX_MS", "12x"},      {"CORVANTA_TRACE", "-"},
                                                   {"CORVANTA_SCALE", "integer"},   {"CORVANTA_FULLSCREEN", "yes"}};
    testing::internal::CaptureStderr();
    auto settings = platform::ReadSettings([&](const char* name) -> const char* {
        auto found = environment.find(name);
        return found == environment.end() ? nullptr : found->second.c_str();
    });
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "corvanta: ignoring CORVANTA_SCREEN=big (invalid value)\n"
              "corvanta: ignoring CORVANTA_FULLSCREEN=yes (invalid value)\n"
              "corvanta: ignoring CORVANTA_MAX_MS=12x (invalid value)\n");
    EXPECT_EQ(settings.driver, platform::Driver::Headless);
    EXPECT_EQ(settings.client, (platform::Size{800, 600}));
    EXPECT_FALSE(settings.screen);
    EXPECT_EQ(settings.palette, platform::PaletteMode::NoStatic);
    EXPECT_EQ(settings.maxMs, 600000u);
    EXPECT_EQ(settings.trace, "-");
    EXPECT_EQ(settings.scale, platform::ScaleMode::Integer);
    EXPECT_FALSE(settings.fullscreen);

    auto defaults = platform::ReadSettings([](const char*) -> const char* { return nullptr; });
    EXPECT_EQ(defaults.driver, platform::Driver::Sdl);
    EXPECT_EQ(defaults.client, (platform::Size{640, 480}));
    EXPECT_EQ(defaults.palette, platform::PaletteMode::Static);
    EXPECT_TRUE(defaults.input.empty());
    EXPECT_EQ(defaults.scale, platform::ScaleMode::Aspect);
}

TEST(Trace, EscapesBackslashTabAndLineEnd) {
    struct Case {
        const char *text, *expected;
    } cases[] = {{"plain", "plain"},
                 {"a\\b", "a\\\\b"},
                 {"tab\there", "tab\\there"},
                 {"two\nlines", "two\\nlines"},
                 {"\\n", "\\\\n"},
                 {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(platform::EscapeTraceText(c.text), c.expected) << c.text;
    EXPECT_EQ(platform::TraceFlags(0x30), "0x30");
    EXPECT_EQ(platform::TraceFlags(0), "0x0");
    EXPECT_EQ(platform::TraceFlags(0xFFFFFFFF), "-1");
    EXPECT_EQ(platform::FormatTraceLine(1234, "beep\t0x30"), "1234\tbeep\t0x30\n");
}

TEST(KeyNames, NameTheKeysOfTheScript) {
    struct Case {
        const char* name;
        unsigned vk;  // 0: not a key
    } cases[] = {{"escape", 0x1B}, {"SPACE", 0x20}, {"return", 0x0D}, {"tab", 0x09}, {"a", 'A'},
                 {"Z", 'Z'},       {"0", '0'},      {"9", '9'},       {"f1", 0x70},  {"F12", 0x7B},
                 {"left", 0x25},   {"down", 0x28},  {"0x1B", 0x1B},   {"27", 0x1B},  {"f13", 0},
                 {"f0", 0},        {"0x100", 0},    {"enter", 0},     {"0x", 0},     {"", 0}};
    for (const auto& c : cases) {
        auto vk = platform::KeyFromName(c.name);
        EXPECT_EQ(vk.value_or(0), c.vk) << c.name;
    }
}

TEST(InputScript, ReadsEveryKindOfEvent) {
    auto script = platform::ParseInputScript(
        "# a comment\n"
        "\n"
        "100 key escape\n"
        "  200\tclick 10 -5   # trailing comment\r\n"
        "300 message 0x55E 7\n"
        "310 message 1374\n"
        "400 snapshot shots/first picture.png\n"
        "500 resize 800 600\n"
        "600 close\n");
    EXPECT_TRUE(script.errors.empty());
    ASSERT_EQ(script.events.size(), 7u);
    const auto& e = script.events;
    EXPECT_EQ(e[0].kind, ScriptEvent::Kind::Key);
    EXPECT_EQ(e[0].time, 100u);
    EXPECT_EQ(e[0].key, 0x1Bu);
    EXPECT_EQ(e[1].kind, ScriptEvent::Kind::Click);
    EXPECT_EQ(e[1].x, 10);
    EXPECT_EQ(e[1].y, -5);
    EXPECT_EQ(e[2].message, 1374u);
    EXPECT_EQ(e[2].wParam, 7u);
    EXPECT_EQ(e[3].wParam, 0u);
    EXPECT_EQ(e[4].file, "shots/first picture.png");
    EXPECT_EQ(e[5].size, (platform::Size{800, 600}));
    EXPECT_EQ(e[6].kind, ScriptEvent::Kind::Close);
    EXPECT_EQ(e[6].time, 600u);
}

TEST(InputScript, SkipsMalformedLinesAndSaysWhich) {
    auto script = platform::ParseInputScript(
        "key escape\n"        // 1: no time
        "10 key nokey\n"      // 2
        "20 click 5\n"        // 3
        "30 click 5 99999\n"  // 4
        "40 message x\n"      // 5
        "50 resize 0 10\n"    // 6
        "60 snapshot\n"       // 7
        "70 close now\n"      // 8
        "80 dance\n"          // 9
        "-5 key a\n"          // 10
        "90 key a\n");        // 11: good
    ASSERT_EQ(script.errors.size(), 10u);
    for (std::size_t i = 0; i < script.errors.size(); ++i)
        EXPECT_EQ(script.errors[i].rfind("line " + std::to_string(i + 1) + ":", 0), 0u) << script.errors[i];
    EXPECT_NE(script.errors[1].find("nokey"), std::string::npos);
    ASSERT_EQ(script.events.size(), 1u);
    EXPECT_EQ(script.events[0].time, 90u);
}

}  // namespace
