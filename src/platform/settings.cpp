// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/settings.h"

#include <charconv>
#include <cstdlib>

#include <unistd.h>

#include "platform/code_page.h"
#include "platform/session.h"
#include "platform/tell_user.h"

namespace platform {
namespace {

constexpr int MaxSide = 16384;

std::optional<int> ParseSide(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1 || value > MaxSide) return std::nullopt;
    return value;
}

void ReportBadValue(const char* name, const char* value) {
    TellUser(std::string("corvanta: ignoring ") + name + "=" + value + " (invalid value)");
}

}  // namespace

std::optional<Size> ParseSize(std::string_view text) {
    auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    auto width = ParseSide(text.substr(0, x));
    auto height = ParseSide(text.substr(x + 1));
    if (!width || !height) return std::nullopt;
    return Size{*width, *height};
}

Settings ReadSettings(const std::function<const char*(const char*)>& lookup) {
    Settings settings;
    if (const char* value = lookup("CORVANTA_DRIVER")) {
        std::string_view text = value;
        if (text == "headless")
            settings.driver = Driver::Headless;
        else if (text == "sdl")
            settings.driver = Driver::Sdl;
        else
            ReportBadValue("CORVANTA_DRIVER", value);
    }
    if (const char* value = lookup("CORVANTA_CLIENT")) {
        if (auto size = ParseSize(value))
            settings.client = *size;
        else
            ReportBadValue("CORVANTA_CLIENT", value);
    }
    if (const char* value = lookup("CORVANTA_SCREEN")) {
        if (auto size = ParseSize(value))
            settings.screen = *size;
        else
            ReportBadValue("CORVANTA_SCREEN", value);
    }
    if (const char* value = lookup("CORVANTA_SCALE")) {
        std::string_view text = value;
        if (text == "aspect")
            settings.scale = ScaleMode::Aspect;
        else if (text == "integer")
            settings.scale = ScaleMode::Integer;
        else if (text == "stretch")
            settings.scale = ScaleMode::Stretch;
        else
            ReportBadValue("CORVANTA_SCALE", value);
    }
    if (const char* value = lookup("CORVANTA_FULLSCREEN")) {
        std::string_view text = value;
        if (text == "1" || text == "0")
            settings.fullscreen = text == "1";
        else
            ReportBadValue("CORVANTA_FULLSCREEN", value);
    }
    if (const char* value = lookup("CORVANTA_PALETTE")) {
        std::string_view text = value;
        if (text == "static")
            settings.palette = PaletteMode::Static;
        else if (text == "nostatic")
            settings.palette = PaletteMode::NoStatic;
        else if (text == "error")
            settings.palette = PaletteMode::Error;
        else
            ReportBadValue("CORVANTA_PALETTE", value);
    }
    if (const char* value = lookup("CORVANTA_PROGRAMS")) {
        std::string_view text = value;
        if (text == "allow")
            settings.programs = ProgramsPolicy::Allow;
        else if (text == "ask")
            settings.programs = ProgramsPolicy::Ask;
        else if (text == "never")
            settings.programs = ProgramsPolicy::Never;
        else
            ReportBadValue("CORVANTA_PROGRAMS", value);
    }
    if (const char* value = lookup("CORVANTA_CODEPAGE")) {
        std::string_view text = value;
        int page = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), page);
        if (error == std::errc{} && end == text.data() + text.size() && CodePageKnown(page))
            settings.codePage = page;
        else
            ReportBadValue("CORVANTA_CODEPAGE", value);
    }
    if (const char* value = lookup("CORVANTA_INPUT")) settings.input = value;
    if (const char* value = lookup("CORVANTA_TRACE_WAITS")) {
        if (std::string_view(value) == "1")
            settings.traceWaits = true;
        else if (std::string_view(value) != "0")
            ReportBadValue("CORVANTA_TRACE_WAITS", value);
    }
    if (const char* value = lookup("CORVANTA_TRACE")) settings.trace = value;
    if (const char* value = lookup("CORVANTA_MAX_MS")) {
        std::string_view text = value;
        std::uint64_t ms = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
        if (error == std::errc{} && end == text.data() + text.size() && ms > 0)
            settings.maxMs = ms;
        else
            ReportBadValue("CORVANTA_MAX_MS", value);
    }
    return settings;
}

namespace {

struct StartingFolder {
    std::string path;
};

}  // namespace

const std::string& StartFolder() {
    return CurrentSession()
        .Part<StartingFolder>([] {
            char path[4096];
            return StartingFolder{::getcwd(path, sizeof path) ? path : "."};
        })
        .path;
}

void SetStartFolder(std::string folder) {
    StartFolder();
    CurrentSession().Part<StartingFolder>().path = std::move(folder);
}

const Settings& CurrentSettings() {
    StartFolder();
    return CurrentSession().Part<Settings>(
        [] { return ReadSettings([](const char* name) { return std::getenv(name); }); });
}

}  // namespace platform
