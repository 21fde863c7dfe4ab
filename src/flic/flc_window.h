// SPDX-License-Identifier: GPL-3.0-or-later
// A FLIC movie (FLC variant): played once, frame by frame at a fixed pace,
// decoded into an 8-bit frame buffer and shown centred in its owner window.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/byte_reader.h"
#include "platform/win/picture.h"
#include "platform/win/win.h"

// What a playing movie needs from the program around it.
class MovieHost {
public:
    // Reports an error that ends the program.
    virtual void FatalError(const char* text) = 0;
    // Handles waiting messages; false when a quit request is next.
    virtual bool PumpMessages() = 0;
    // The viewer's request to cut the movie short: true once per request.
    virtual bool TakeAbort() = 0;
    // Lets the audio library work during long reads.
    virtual void Serve() = 0;
    // The millisecond clock that paces the frames.
    virtual win::DWORD Ticks() = 0;
    // Waits until a message arrives or the time passes, whichever is first.
    virtual void WaitForMessage(win::DWORD milliseconds) = 0;
    virtual bool AttachMovieSound(const char* path) = 0;
    virtual void StartMovieSound() = 0;
    // Gives back an attached sound that was never started.
    virtual void DropUnstartedMovieSound() = 0;

protected:
    ~MovieHost() = default;
};

// The base of screen effects: an owner window, a picture of the effect's own
// (movies leave it empty) and the current logical palette.
class EffectWindow {
public:
    explicit EffectWindow(win::HWND ownerWindow) : owner(ownerWindow) {}
    win::HPALETTE Palette() const { return palette.get(); }

protected:
    win::HWND owner;  // not owned
    std::vector<std::uint8_t> picture;
    platform::OwnedPalette palette;
};

// The 8-bit DIB a movie decodes into: header, a colour table of palette
// indices 0..255 (DIB_PAL_COLORS), rows bottom-up and padded to 4 bytes.
struct FrameBuffer {
    struct Info {
        win::BITMAPINFOHEADER header;
        win::WORD indices[256];
    } info;
    std::unique_ptr<std::uint8_t[]> pixels;

    const win::BITMAPINFO* BitmapInfo() const { return reinterpret_cast<const win::BITMAPINFO*>(&info); }
};

class DFLCWindow : public EffectWindow {
public:
    DFLCWindow(win::HWND ownerWindow, const char* fileName, MovieHost& movieHost);
    DFLCWindow(const DFLCWindow&) = delete;
    DFLCWindow& operator=(const DFLCWindow&) = delete;

    void Play();
    // Plays a movie that is already open, under the name it was opened as.
    void PlayFrom(std::unique_ptr<platform::ByteReader> source, const char* openedName);
    // Decodes every frame of an open movie into the frame buffer, showing
    // none and without sound or pace: what a play would refuse is reported
    // to the host as the play reports it.
    void DecodeFrom(std::unique_ptr<platform::ByteReader> source, const char* openedName);

    std::uint8_t ready = 0;

private:
    struct Placement {
        std::int32_t x = 0, y = 0, w = 0, h = 0;
    };
    enum class FrameResult { Decoded, EndPlay };

    // The steps of a play; each error has been reported when they return false.
    bool PlayOpened(const char* openedName);
    // Reads the header, makes the frame buffer and goes to the first frame.
    bool OpenFrames(const char* baseName, std::uint16_t& frames);
    bool ReadHeader(const char* baseName, std::uint16_t& frames, std::uint32_t& firstFrameAt);
    bool CreateFrameBuffer();
    bool DecodeFrame(std::uint32_t number);
    bool HandleChunk(std::uint16_t type, std::uint64_t& position, std::uint32_t size, std::uint64_t frameEnd,
                     bool lastOfFrame);
    bool PaceAndShow(std::uint32_t number);
    bool SeekNextChunk(std::uint64_t position, std::uint32_t size);
    // A block read with the audio library served before and after it.
    bool ServedRead(void* out, std::size_t count) {
        host.Serve();
        const bool read = file->Read(out, count);
        host.Serve();
        return read;
    }
    bool ServedWord(std::uint16_t& out) {
        host.Serve();
        const bool read = file->Word(out);
        host.Serve();
        return read;
    }
    void EndPlay();
    void Fatal(const char* format, ...);

    // Chunk decoders: false ends the play.
    bool ReadPalette();
    void CurrentColours(platform::LogPalette256& description) const;
    win::UINT AdoptStaticColours(platform::LogPalette256& description);
    bool ReadPaletteColours(platform::LogPalette256& description, unsigned& index, unsigned count, int half);
    bool DecodeDeltaFlc();
    std::uint32_t DeltaPacketsFromBuffer(std::uint8_t* row, std::uint16_t packets, std::int64_t& column,
                                         std::int64_t& lineStart, std::int64_t& lineEnd);
    bool DeltaPacketsFromFile(std::uint8_t* row, std::uint32_t packets, std::int64_t column);
    bool DecodeDeltaLc();
    bool ClearFrame();
    bool DecodeByteRun();
    bool CopyFrame();

    // Frame presentation.
    bool ShowFrame();
    void BlackOutPalette();

    // Image row y (0 at the top) in the bottom-up buffer; null outside the image.
    std::uint8_t* Row(std::int64_t y) const {
        if (y < 0 || y >= static_cast<std::int64_t>(height)) return nullptr;
        return bits + (static_cast<std::size_t>(height) - 1 - static_cast<std::size_t>(y)) * stride;
    }
    std::uint8_t PixelShift() const { return pixelShift; }
    void SetStaticColours(std::int32_t count);
    void ShiftPixels(std::uint8_t* at, std::size_t count) const;
    // An area (rows from the top, columns from the left, ends excluded) that
    // changed since the last frame shown.
    void MarkArea(std::int64_t firstRow, std::int64_t endRow, std::int64_t firstColumn, std::int64_t endColumn);
    void MarkWholeFrame() { MarkArea(0, height, 0, width); }
    // Reads `count` bytes from the file into row `row` at `column`, keeping
    // only what falls inside the image.
    bool ReadIntoRow(std::uint8_t* row, std::int64_t column, std::size_t count);
    void FillRow(std::uint8_t* row, std::int64_t column, std::size_t count, const std::uint8_t* pattern,
                 std::size_t patternSize) const;

    MovieHost& host;

    std::int32_t top = 0, bottom = 0, left = 0, right = 0;
    std::uint32_t width = 0, height = 0;
    std::int32_t staticColours = 0;
    std::uint32_t pixelCount = 0;
    std::unique_ptr<platform::ByteReader> file;
    std::uint8_t* bits = nullptr;
    std::unique_ptr<FrameBuffer> frameBuffer;
    std::uint8_t firstFrame = 1;
    std::array<char, win::_MAX_PATH> fileName{};

    std::size_t stride = 0;
    std::uint8_t pixelShift = 0;  // follows staticColours
    Placement placement;
    // What the next frame shown must draw: the area decoded into since the
    // last, or the whole frame after a new palette or when anything else has
    // drawn on the screen since (a repaint, another palette).
    std::uint32_t changedTop = 0, changedBottom = 0, changedLeft = 0, changedRight = 0;
    bool wholeFrame = true;
    std::uint64_t screenChangesAfterDraw = 0;
    // Pacing across the frames of one play.
    win::DWORD last = 0;
    bool showNow = true;
    bool soundAttached = false;
    bool soundStarted = false;
};
