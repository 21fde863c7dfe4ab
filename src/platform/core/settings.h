// SPDX-License-Identifier: GPL-3.0-or-later
// The layer's settings, read from the environment on first use.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

enum class Driver { Sdl, Headless };
enum class PaletteMode { Static, NoStatic, Error };
enum class ScaleMode { Aspect, Integer, Stretch };
// Whether a presentation may start programs: as it says, after asking the
// viewer, or never (as if they were missing).
enum class ProgramsPolicy { Allow, Ask, Never };

struct Settings {
    Driver driver = Driver::Sdl;
    Size client{640, 480};       // headless client size
    std::optional<Size> screen;  // fixed logical screen, scaled to the window
    ScaleMode scale = ScaleMode::Aspect;
    bool fullscreen = false;  // start in fullscreen
    PaletteMode palette = PaletteMode::Static;
    std::string input;  // headless input script
    std::string trace;  // trace file, "-" for standard error
    std::uint64_t maxMs = 600000;
    ProgramsPolicy programs = ProgramsPolicy::Allow;
    int codePage = 1252;      // of the names in scripts
    bool traceWaits = false;  // trace where the player waits for the viewer (for tools)
};

// "WxH" with both sides from 1 to 16384.
std::optional<Size> ParseSize(std::string_view text);

// Unknown or malformed values are reported on standard error and left at
// their defaults.
Settings ReadSettings(const std::function<const char*(const char*)>& lookup);

// The session's settings, read from the environment on first use.
const Settings& CurrentSettings();

// The folder the session started in (taken with the settings).
const std::string& StartFolder();
// The presentation's folder given on the command line becomes the starting one.
void SetStartFolder(std::string folder);

}  // namespace platform
