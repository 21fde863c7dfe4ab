// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files as the library is handed them: mapped, or filled as they play where they cannot be mapped.
#include <cstdio>

#include "sound/riff_image.h"
#include "sound/sound_class.h"

namespace {

constexpr std::uint32_t RiffHeaderBytes = 8;  // "RIFF" and the chunk's size

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
    win::WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!win::GetFileAttributesExA(path, win::GetFileExInfoStandard, &attributes)) return {};
    if (attributes.nFileSizeHigh != 0 || attributes.nFileSizeLow < RiffHeaderBytes) return {};
    std::FILE* file = win::fopen(path, "rb");
    if (!file) return {};
    auto filled = platform::FilledImage::Start(file, attributes.nFileSizeLow);
    if (!filled) return {};
    // Within the first piece, which is in already and which the reader leaves alone.
    FitRiffSizeToImage(filled->Data(), static_cast<std::uint32_t>(filled->Size()));
    return FileImage(std::move(filled));
}
