// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/settings.h"

#include <charconv>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

#include <unistd.h>

#include "platform/core/code_page.h"
#include "platform/core/session.h"
#include "platform/core/tell_user.h"

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

namespace {

using Lookup = std::function<const char*(const char*)>;

// A setting the environment gives, parsed into `into`; a value that does not
// parse is reported and `into` keeps its default.
template <class T, class Parse>
void Read(const Lookup& lookup, const char* name, Parse parse, T& into) {
    const char* value = lookup(name);
    if (!value) return;
    if (auto parsed = parse(std::string_view(value)))
        into = *parsed;
    else
        ReportBadValue(name, value);
}

template <class T>
auto OneOf(std::initializer_list<std::pair<std::string_view, T>> words) {
    return [table = std::vector(words)](std::string_view text) -> std::optional<T> {
        for (const auto& [word, value] : table)
            if (text == word) return value;
        return std::nullopt;
    };
}

template <class T>
std::optional<T> Number(std::string_view text) {
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> KnownCodePage(std::string_view text) {
    const auto page = Number<int>(text);
    return page && CodePageKnown(*page) ? page : std::nullopt;
}

std::optional<std::uint64_t> TimeLimit(std::string_view text) {
    const auto ms = Number<std::uint64_t>(text);
    return ms && *ms > 0 ? ms : std::nullopt;
}

std::optional<std::string> Text(std::string_view text) { return std::string(text); }

}  // namespace

Settings ReadSettings(const Lookup& lookup) {
    Settings settings;
    Read(lookup, "CORVANTA_DRIVER", OneOf<Driver>({{"headless", Driver::Headless}, {"sdl", Driver::Sdl}}),
         settings.driver);
    Read(lookup, "CORVANTA_CLIENT", ParseSize, settings.client);
    Read(lookup, "CORVANTA_SCREEN", ParseSize, settings.screen);
    Read(lookup, "CORVANTA_SCALE",
         OneOf<ScaleMode>(
             {{"aspect", ScaleMode::Aspect}, {"integer", ScaleMode::Integer}, {"stretch", ScaleMode::Stretch}}),
         settings.scale);
    Read(lookup, "CORVANTA_FULLSCREEN", OneOf<bool>({{"1", true}, {"0", false}}), settings.fullscreen);
    Read(lookup, "CORVANTA_PALETTE",
         OneOf<PaletteMode>(
             {{"static", PaletteMode::Static}, {"nostatic", PaletteMode::NoStatic}, {"error", PaletteMode::Error}}),
         settings.palette);
    Read(lookup, "CORVANTA_PROGRAMS",
         OneOf<ProgramsPolicy>(
             {{"allow", ProgramsPolicy::Allow}, {"ask", ProgramsPolicy::Ask}, {"never", ProgramsPolicy::Never}}),
         settings.programs);
    Read(lookup, "CORVANTA_CODEPAGE", KnownCodePage, settings.codePage);
    Read(lookup, "CORVANTA_INPUT", Text, settings.input);
    Read(lookup, "CORVANTA_TRACE_WAITS", OneOf<bool>({{"1", true}, {"0", false}}), settings.traceWaits);
    Read(lookup, "CORVANTA_TRACE", Text, settings.trace);
    Read(lookup, "CORVANTA_MAX_MS", TimeLimit, settings.maxMs);
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
