// SPDX-License-Identifier: GPL-3.0-or-later
// The movie file and its frame loop: opening, the companion sound, the
// header, frames and chunks, and the fixed pace at which frames are shown.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "flic/flc_format.h"
#include "flic/flc_window.h"
#include "media/media_names.h"
#include "platform/core/trace.h"
#include "platform/win/dib.h"

namespace {

constexpr win::DWORD FrameInterval = 67;

using flic::ChunkHeaderSize;
using flic::DwordAt;
using flic::FrameHeaderSize;
using flic::WordAt;

}  // namespace

DFLCWindow::DFLCWindow(win::HWND ownerWindow, const char* name, MovieHost& movieHost)
    : EffectWindow(ownerWindow), host(movieHost) {
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
    std::string opened = fileName.data();
    auto reader = platform::ByteReader::Open(opened.c_str());
    if (!reader) {
        opened += media::MovieExtension;
        reader = platform::ByteReader::Open(opened.c_str());
    }
    if (!reader) {
        Fatal("Unable to open Flic file: %s", fileName.data());
        return;
    }
    PlayFrom(std::move(reader), opened.c_str());
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
    const std::string_view name(openedName, strnlen(openedName, win::_MAX_PATH));
    const std::string base = media::BaseName(name);
    if (const auto sound = media::CompanionSound(name)) soundAttached = host.AttachMovieSound(sound->c_str());

    std::uint16_t frames = 0;
    if (!OpenFrames(base.c_str(), frames)) return false;
    last = 0;
    showNow = true;
    for (std::uint32_t number = 1; number <= frames; ++number) {
        if (!DecodeFrame(number) || !PaceAndShow(number)) return false;
    }
    return true;
}

bool DFLCWindow::OpenFrames(const char* baseName, std::uint16_t& frames) {
    std::uint32_t firstFrameAt = 0;
    if (!ReadHeader(baseName, frames, firstFrameAt) || !CreateFrameBuffer()) return false;
    if (file->Seek(firstFrameAt)) return true;
    Fatal("Couldn't find first flic frame!");
    return false;
}

bool DFLCWindow::ReadHeader(const char* baseName, std::uint16_t& frames, std::uint32_t& firstFrameAt) {
    flic::Header header;
    host.Serve();
    const std::string error = flic::ReadHeader(*file, baseName, header);
    host.Serve();
    if (!error.empty()) {
        host.FatalError(error.c_str());
        return false;
    }
    frames = header.frames;
    width = header.width;
    height = header.height;
    pixelCount = width * height;
    firstFrameAt = header.firstFrame;
    return true;
}

bool DFLCWindow::CreateFrameBuffer() {
    stride = static_cast<std::size_t>(flic::FrameStride(width));
    const std::uint64_t imageBytes = std::uint64_t{stride} * height;
    try {
        if (imageBytes > flic::MaxFrameBytes) throw std::bad_alloc();
        auto buffer = std::make_unique<FrameBuffer>();
        buffer->info.header = platform::EightBitDibHeader(width, height, imageBytes);
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
    if (type != flic::FrameType) {
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
        case flic::Color256:
        case flic::Color64: return ReadPalette();
        case flic::DeltaFlc: return DecodeDeltaFlc();
        case flic::DeltaFli: return DecodeDeltaLc();
        case flic::Black: return ClearFrame();
        case flic::ByteRun: return DecodeByteRun();
        case flic::FliCopy:
            if (!CopyFrame()) return false;
            position += flic::CopyChunkPadding(*file, position, size, frameEnd, lastOfFrame);
            return true;
        case flic::PostageStamp: return true;
        default: Fatal("Unknown chunk type %d!!", static_cast<int>(type)); return false;
    }
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
        for (;;) {
            if (!host.PumpMessages() || host.TakeAbort()) return false;
            now = host.Ticks();
            if (now - last >= FrameInterval) break;
            host.WaitForMessage(FrameInterval - (now - last));
        }
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
    wholeFrame = true;
    changedTop = changedBottom = changedLeft = changedRight = 0;  // of a frame never shown
    frameBuffer.reset();
    bits = nullptr;
}
