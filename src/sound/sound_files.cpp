// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files as the library is handed them: mapped, or read whole where they cannot be.
#include <algorithm>
#include <cstdio>
#include <new>

#include "sound/riff_image.h"
#include "sound/sound_class.h"

namespace {

constexpr std::uint32_t ReadPiece = 8192;
constexpr std::uint32_t RiffHeaderBytes = 8;  // "RIFF" and the chunk's size

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool SoundClass::FileExists(const char* path) {
    const win::DWORD attributes = win::GetFileAttributesA(path);
    return attributes != win::INVALID_FILE_ATTRIBUTES && !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}

FileImage SoundClass::LoadFileImage(const char* path) {
    if (auto mapped = platform::MappedFile::Open(path)) {
        if (mapped->Size() < RiffHeaderBytes || mapped->Size() > UINT32_MAX) return {};
        FitRiffSizeToImage(mapped->Data(), static_cast<std::uint32_t>(mapped->Size()));
        return FileImage(std::move(*mapped));
    }
    FileHandle file(win::fopen(path, "rb"));
    win::WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!file || !win::GetFileAttributesExA(path, win::GetFileExInfoStandard, &attributes)) return {};
    if (attributes.nFileSizeHigh != 0 || attributes.nFileSizeLow < RiffHeaderBytes) return {};
    const std::uint32_t size = attributes.nFileSizeLow;
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[size]);
    if (!data) return {};

    // Piece by piece, so the library keeps playing while a large file loads.
    std::uint32_t done = 0;
    while (done < size) {
        const std::uint32_t piece = std::min(size - done, ReadPiece);
        Serve();
        const std::size_t read = std::fread(data.get() + done, 1, piece, file.get());
        Serve();
        if (read != piece) return {};
        done += piece;
    }
    if (std::fclose(file.release()) != 0) return {};
    FitRiffSizeToImage(data.get(), size);
    return FileImage(std::move(data), size);
}
