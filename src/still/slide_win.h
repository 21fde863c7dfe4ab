// SPDX-License-Identifier: GPL-3.0-or-later
// A still: one Windows bitmap file loaded into an 8-bit palette-index DIB,
// with a 256-entry logical palette fitted around the display's static colours.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/win/picture.h"
#include "platform/win/win.h"
#include "still/bitmap_file.h"

namespace platform {
class ByteReader;
}

// What a loading still needs from the program around it.
class SlideHost {
public:
    // Reports an error that ends the program; the box belongs to `owner` when given.
    virtual void FatalError(const char* text, win::HWND owner) = 0;
    // Lets the audio library work during long reads.
    virtual void Serve() = 0;

protected:
    ~SlideHost() = default;
};

class DSlideWin {
public:
    // Loads the picture. Every failure has been reported as fatal when this
    // returns; the slide then has no picture, or a picture and no palette.
    DSlideWin(win::HWND owner, const char* fileName, SlideHost& host);
    // Loads the picture from `source` as if read from the file `fileName`.
    DSlideWin(win::HWND owner, platform::ByteReader& source, const char* fileName, SlideHost& host);
    ~DSlideWin() = default;
    DSlideWin(const DSlideWin&) = delete;
    DSlideWin& operator=(const DSlideWin&) = delete;

    // Draws the picture into `target`: centred when it fits, squeezed when not,
    // everything around it black.
    void Draw(win::HDC dc, const win::RECT& target) const;

    bool HasPicture() const { return picture_ != nullptr; }
    const SlidePicture* Picture() const { return picture_.get(); }
    std::int32_t Width() const { return picture_ ? picture_->info.header.biWidth : 0; }
    std::int32_t Height() const { return picture_ ? picture_->info.header.biHeight : 0; }
    win::HPALETTE Palette() const { return palette_.get(); }
    const char* FileName() const { return name_.data(); }

    // The file's own colour table. Pixel value v shows file colour
    // v - ColourShift(): pictures with few colours are moved clear of the
    // display's static colours.
    const std::array<win::RGBQUAD, 256>& FileColours() const { return fileColours_; }
    int ColourCount() const { return colourCount_; }
    int ColourShift() const { return colourShift_; }

private:
    void Load();
    void LoadFrom(platform::ByteReader& source);
    void BuildPalette(const bitmap::InfoBlock& info, int colours);
    bool LocateFile(char* name);
    win::HPALETTE MakePalette(win::HPALETTE filePalette);
    void SlideError(const char* text);
    void Fatal(const std::string& text);

    win::HWND owner_;  // owns the slide's own message boxes
    SlideHost& host_;
    platform::OwnedPalette palette_;
    std::unique_ptr<SlidePicture> picture_;
    std::array<char, win::_MAX_PATH> name_{};
    std::array<win::RGBQUAD, 256> fileColours_{};
    int colourCount_ = 0;
    int colourShift_ = 0;
};
