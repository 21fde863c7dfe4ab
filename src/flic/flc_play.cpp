// The movie file and its frame loop: opening, the companion sound, the
// header, frames and chunks, and the fixed pace at which frames are shown.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "flic/flc_window.h"
#include "platform/trace.h"

namespace {

constexpr std::uint16_t FlcMagic = 0xAF12;
constexpr std::uint16_t ClosedFlags = 3;
constexpr std::uint16_t FrameType = 0xF1FA;
constexpr std::size_t HeaderSize = 128, FrameHeaderSize = 16, ChunkHeaderSize = 6;
constexpr win::DWORD FrameInterval = 67;
// Larger frames are refused like a failed allocation: no movie is that big,
// and every frame costs a pass over its buffer.
constexpr std::uint64_t MaxFrameBytes = std::uint64_t{64} << 20;

enum ChunkType : std::uint16_t {
    Color256 = 4,
    DeltaFlc = 7,
    Color64 = 11,
    DeltaFli = 12,
    Black = 13,
    ByteRun = 15,
    FliCopy = 16,
    PostageStamp = 18,
};

std::uint16_t WordAt(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }
std::uint32_t DwordAt(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(WordAt(bytes)) | static_cast<std::uint32_t>(WordAt(bytes + 2)) << 16;
}

}  // namespace

DFLCWindow::DFLCWindow(win::HWND owner, const char* name, MovieHost& host) : EffectWindow(owner), host(host) {
    if (name) std::strncpy(fileName.data(), name, fileName.size() - 1);
    ready = 1;
}

void DFLCWindow::Fatal(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    host.FatalError(text);
}

void DFLCWindow::Play() {
    std::array<char, win::_MAX_PATH + 4> opened{};
    std::strcpy(opened.data(), fileName.data());
    auto reader = platform::ByteReader::Open(opened.data());
    if (!reader) {
        std::strcat(opened.data(), ".flc");
        reader = platform::ByteReader::Open(opened.data());
    }
    if (!reader) {
        Fatal("Unable to open Flic file: %s", fileName.data());
        return;
    }
    PlayFrom(std::move(reader), opened.data());
}

void DFLCWindow::PlayFrom(std::unique_ptr<platform::ByteReader> source, const char* openedName) {
    // A key that ended an earlier pause or still is not meant for this movie.
    host.TakeAbort();
    file = std::move(source);
    platform::TraceShow("movie", openedName);
    PlayOpened(openedName);
    EndPlay();
}

bool DFLCWindow::PlayOpened(const char* openedName) {
    const std::string baseName(openedName, strnlen(openedName, win::_MAX_PATH));
    const std::string base = baseName.substr(0, baseName.find('.'));

    char directory[win::_MAX_PATH];
    char found[win::_MAX_PATH];
    if (win::GetCurrentDirectoryA(sizeof directory, directory) != 0 &&
        win::SearchPathA(directory, base.c_str(), ".wav", sizeof found, found, nullptr) != 0) {
        soundAttached = host.AttachMovieSound((base + ".wav").c_str());
    }

    std::uint16_t frames = 0;
    std::uint32_t firstFrameAt = 0;
    if (!ReadHeader(base.c_str(), frames, firstFrameAt) || !CreateFrameBuffer()) return false;
    if (!file->Seek(firstFrameAt)) {
        Fatal("Couldn't find first flic frame!");
        return false;
    }
    last = 0;
    showNow = true;
    for (std::uint32_t number = 1; number <= frames; ++number) {
        if (!DecodeFrame(number) || !PaceAndShow(number)) return false;
    }
    return true;
}

bool DFLCWindow::ReadHeader(const char* baseName, std::uint16_t& frames, std::uint32_t& firstFrameAt) {
    std::uint8_t header[HeaderSize];
    if (!ServedRead(header, sizeof header)) {
        Fatal("Unable to read Flic header.");
        return false;
    }
    if (WordAt(header + 4) != FlcMagic) {
        Fatal("%s is not a Flic file!", baseName);
        return false;
    }
    if (WordAt(header + 14) != ClosedFlags) {
        Fatal("%s was not closed properly!", baseName);
        return false;
    }
    frames = WordAt(header + 6);
    width = WordAt(header + 8);
    height = WordAt(header + 10);
    pixelCount = width * height;
    firstFrameAt = DwordAt(header + 80);
    return true;
}

bool DFLCWindow::CreateFrameBuffer() {
    stride = ((8 * std::size_t{width} + 31) / 32) * 4;
    const std::uint64_t imageBytes = std::uint64_t{stride} * height;
    try {
        if (imageBytes > MaxFrameBytes) throw std::bad_alloc();
        auto buffer = std::make_unique<FrameBuffer>();
        win::BITMAPINFOHEADER& header = buffer->info.header;
        header = {};
        header.biSize = sizeof header;
        header.biWidth = static_cast<win::LONG>(width);
        header.biHeight = static_cast<win::LONG>(height);
        header.biPlanes = 1;
        header.biBitCount = 8;
        header.biCompression = win::BI_RGB;
        header.biSizeImage = static_cast<win::DWORD>(imageBytes);
        header.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) buffer->info.indices[i] = static_cast<win::WORD>(i);
        buffer->pixels.reset(new std::uint8_t[imageBytes]());
        frameBuffer = std::move(buffer);
    } catch (const std::bad_alloc&) {
        Fatal("Could not allocate enough memory to run this flic.");
        return false;
    }
    bits = frameBuffer->pixels.get();
    top = 0;
    bottom = static_cast<std::int32_t>(height);
    left = 0;
    right = static_cast<std::int32_t>(width);
    return true;
}

bool DFLCWindow::DecodeFrame(std::uint32_t number) {
    const std::uint64_t frameStart = file->Position();
    std::uint8_t header[FrameHeaderSize];
    if (!ServedRead(header, sizeof header)) {
        Fatal("Couldn't read frame header");
        return false;
    }
    const std::uint16_t type = WordAt(header + 4);
    if (type != FrameType) {
        Fatal("Frame %d type 0x%X was invalid!", static_cast<int>(number), static_cast<unsigned>(type));
        return false;
    }
    const std::uint64_t frameEnd = frameStart + DwordAt(header);
    const std::uint16_t chunks = WordAt(header + 6);
    for (std::uint32_t chunk = 0; chunk < chunks; ++chunk) {
        std::uint64_t position = file->Position();
        std::uint8_t chunkHeader[ChunkHeaderSize];
        if (!ServedRead(chunkHeader, sizeof chunkHeader)) {
            Fatal("Couldn't read frame chunk");
            return false;
        }
        const std::uint32_t size = DwordAt(chunkHeader);
        const std::uint64_t start = position;
        if (!HandleChunk(WordAt(chunkHeader + 4), position, size, frameEnd, chunk + 1 == chunks)) return false;
        // A size that does not pass the chunk's own header would read the
        // same chunk again and again.
        if (position + size < start + ChunkHeaderSize) {
            Fatal("Couldn't get to next chunk");
            return false;
        }
        if (!SeekNextChunk(position, size)) return false;
    }
    return true;
}

bool DFLCWindow::HandleChunk(std::uint16_t type, std::uint64_t& position, std::uint32_t size, std::uint64_t frameEnd,
                             bool lastOfFrame) {
    switch (type) {
        case Color256:
        case Color64: return ReadPalette();
        case DeltaFlc: return DecodeDeltaFlc();
        case DeltaFli: return DecodeDeltaLc();
        case Black: return ClearFrame();
        case ByteRun: return DecodeByteRun();
        case FliCopy:
            if (!CopyFrame()) return false;
            // This player's own files put the next header 2 bytes beyond the
            // copy's size; files with the published size put it right after.
            if (PlausibleHeaderAt(position + size + 2, frameEnd, lastOfFrame) ||
                !PlausibleHeaderAt(position + size, frameEnd, lastOfFrame))
                position += 2;
            return true;
        case PostageStamp: return true;
        default: Fatal("Unknown chunk type %d!!", static_cast<int>(type)); return false;
    }
}

bool DFLCWindow::PlausibleHeaderAt(std::uint64_t position, std::uint64_t frameEnd, bool lastOfFrame) {
    const std::uint64_t resume = file->Position();
    std::uint8_t header[ChunkHeaderSize];
    const bool read = file->Seek(position) && file->Read(header, sizeof header);
    file->Seek(resume);
    if (!read) return false;
    const std::uint16_t type = WordAt(header + 4);
    if (lastOfFrame) return type == FrameType;
    const std::uint32_t size = DwordAt(header);
    switch (type) {
        case Color256: case DeltaFlc: case Color64: case DeltaFli: case Black: case ByteRun: case FliCopy:
        case PostageStamp:
            return size >= ChunkHeaderSize && position + size <= frameEnd;
        default:
            return false;
    }
}

bool DFLCWindow::ServedRead(void* out, std::size_t count) {
    host.Serve();
    const bool read = file->Read(out, count);
    host.Serve();
    return read;
}

bool DFLCWindow::ServedWord(std::uint16_t& out) {
    host.Serve();
    const bool read = file->Word(out);
    host.Serve();
    return read;
}

bool DFLCWindow::SeekNextChunk(std::uint64_t position, std::uint32_t size) {
    if (file->Seek(position + size)) return true;
    Fatal("Couldn't get to next chunk");
    return false;
}

bool DFLCWindow::PaceAndShow(std::uint32_t number) {
    win::DWORD now = host.Ticks();
    if (showNow) {
        if (number == 1 && soundAttached) {
            host.StartMovieSound();
            soundStarted = true;
        }
        showNow = !ShowFrame();
    } else if (now - last >= FrameInterval) {
        // Late: this frame is dropped and the next one shown without waiting.
        if (!host.PumpMessages() || host.TakeAbort()) return false;
        showNow = true;
    } else {
        do {
            if (!host.PumpMessages() || host.TakeAbort()) return false;
            now = host.Ticks();
        } while (now - last < FrameInterval);
        showNow = !ShowFrame();
    }
    last = host.Ticks();
    return true;
}

void DFLCWindow::EndPlay() {
    // A sound that never started would hold its voice, and block music
    // queued behind it, for good.
    if (soundAttached && !soundStarted) host.DropUnstartedMovieSound();
    soundAttached = soundStarted = false;
    file.reset();
    firstFrame = 1;
    frameBuffer.reset();
    bits = nullptr;
}
