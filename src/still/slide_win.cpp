// SPDX-License-Identifier: GPL-3.0-or-later
// Loading of a slide: the file (read as bitmap_file.h reads it), its messages
// as fatal errors, and the logical palette.
#include "still/slide_win.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/core/byte_reader.h"
#include "platform/core/tell_user.h"
#include "platform/core/trace.h"
#include "still/bitmap_pixels.h"

namespace {

constexpr int PaletteSize = platform::PaletteEntries;

// Half the display's static colours: MakePalette leaves that many entries at
// each end of the palette to the display.
int StaticHalf(win::HDC screen, win::UINT use) {
    return std::clamp(platform::StaticColourCount(screen, use) / 2, 0, PaletteSize / 2);
}

// Entries at the low end of the slide's palette that show the display's
// colours instead of the file's.
int LowEntriesKeptForDisplay() {
    win::HDC screen = win::GetDC(nullptr);
    const win::UINT use = win::GetSystemPaletteUse(screen);
    int kept = 0;
    if (use == win::SYSPAL_NOSTATIC) kept = 1;  // entry 0 is forced to black
    if (use == win::SYSPAL_STATIC || use == win::SYSPAL_ERROR) kept = StaticHalf(screen, use);
    win::ReleaseDC(nullptr, screen);
    return kept;
}

}  // namespace

DSlideWin::DSlideWin(win::HWND owner, const char* fileName, SlideHost& host) : owner_(owner), host_(host) {
    host_.Serve();
    if (fileName) std::strncpy(name_.data(), fileName, name_.size() - 1);
    if (!LocateFile(name_.data())) return;
    Load();
}

DSlideWin::DSlideWin(win::HWND owner, platform::ByteReader& source, const char* fileName, SlideHost& host)
    : owner_(owner), host_(host) {
    if (fileName) std::strncpy(name_.data(), fileName, name_.size() - 1);
    LoadFrom(source);
}

void DSlideWin::Load() {
    host_.Serve();
    auto file = platform::ByteReader::Open(name_.data());
    if (!file) file = platform::ByteReader::Open(name_.data());
    if (!file) {
        platform::TellUser(std::string("slide constructor: ") + std::strerror(errno));
        std::array<char, win::_MAX_PATH> dir{};
        if (!win::_getcwd(dir.data(), static_cast<int>(dir.size()))) dir[0] = '\0';
        Fatal("Unable to open bitmap file " + std::string(name_.data()) + " \n in current dir " + dir.data());
        return;
    }
    platform::TraceShow("still", name_.data());
    LoadFrom(*file);
}

void DSlideWin::LoadFrom(platform::ByteReader& source) {
    host_.Serve();
    const bitmap::Serve serve = [this] { host_.Serve(); };
    bitmap::Headers headers;
    const char* error = bitmap::ReadHeaders(source, headers, serve);
    if (!error) error = bitmap::ReadPixels(source, headers, &picture_, serve);
    if (error) {
        Fatal(error);
        return;
    }
    BuildPalette(headers.info, headers.colours);
}

void DSlideWin::BuildPalette(const bitmap::InfoBlock& info, int colours) {
    colourCount_ = colours;
    std::copy_n(info.colours, colours, fileColours_.begin());
    if (colours < PaletteSize) colourShift_ = bitmap::ColourShift(colours, LowEntriesKeptForDisplay());
    if (colourShift_) bitmap::AddToPixels(picture_->bits, static_cast<std::uint8_t>(colourShift_));

    // The file's colours, moved up past the display's low entries (and as many
    // spare at the top) so that MakePalette takes every one of them.
    platform::LogPalette256 fileColours{0x300, static_cast<win::WORD>(colours + 2 * colourShift_), {}};
    for (int i = 0; i < colours; ++i) {
        const win::RGBQUAD& colour = info.colours[i];
        fileColours.palPalEntry[colourShift_ + i] = {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    }
    const platform::OwnedPalette filePalette(fileColours.Create());
    palette_.reset(MakePalette(filePalette.get()));
    if (!palette_) SlideError("Could not create palette.");
}

bool DSlideWin::LocateFile(char* name) {
    if (name == nullptr || *name == '\0') {
        SlideError("Invalid, no filename given.");
        return false;
    }
    const std::string completed = bitmap::CompletedName(name);
    std::strncpy(name, completed.c_str(), win::_MAX_PATH - 1);
    errno = 0;
    if (win::_access(name, 0) != 0 && errno == ENOENT) {
        SlideError(("The file " + std::string(name) + " could not be found.").c_str());
        return false;
    }
    return true;
}

win::HPALETTE DSlideWin::MakePalette(win::HPALETTE filePalette) {
    win::WORD count = 0;
    if (win::GetObjectA(filePalette, sizeof count, &count) == 0) count = 0;
    const int n = std::min<int>(count, PaletteSize);

    platform::LogPalette256 palette;
    win::PALETTEENTRY file[PaletteSize]{};
    win::GetPaletteEntries(filePalette, 0, PaletteSize, file);

    win::HDC screen = win::GetDC(nullptr);
    win::PALETTEENTRY* entry = palette.palPalEntry;
    const win::UINT use = win::GetSystemPaletteUse(screen);
    if (use == win::SYSPAL_NOSTATIC) {
        for (int i = 0; i < PaletteSize; ++i) {
            if (i < n) entry[i] = file[i];
            entry[i].peFlags = win::PC_NOCOLLAPSE;
        }
        entry[255] = {255, 255, 255, 0};
        entry[0] = {0, 0, 0, 0};
    } else if (use == win::SYSPAL_STATIC || use == win::SYSPAL_ERROR) {
        const int half = StaticHalf(screen, use);
        win::GetSystemPaletteEntries(screen, 0, PaletteSize, entry);
        int i = 0;
        for (; i < half; ++i) entry[i].peFlags = 0;
        for (; i < n - half; ++i) entry[i] = {file[i].peRed, file[i].peGreen, file[i].peBlue, win::PC_NOCOLLAPSE};
        for (; i < PaletteSize - half; ++i) entry[i].peFlags = win::PC_NOCOLLAPSE;
        for (; i < PaletteSize; ++i) entry[i].peFlags = 0;
    }
    win::HPALETTE made = palette.Create();
    win::ReleaseDC(nullptr, screen);
    return made;
}

// Errors of the file itself are told without an owner, those of the name and
// the palette in a box of the slide's owner.
void DSlideWin::Fatal(const std::string& text) { host_.FatalError(text.c_str(), nullptr); }

void DSlideWin::SlideError(const char* text) { host_.FatalError(text, owner_); }
