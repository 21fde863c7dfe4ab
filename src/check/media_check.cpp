// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/media_check.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "audiolib/wav_format.h"
#include "check/movie_file.h"
#include "check/movie_palette.h"
#include "check/palette_fit.h"
#include "flic/flc_format.h"
#include "flic/flc_window.h"
#include "platform/core/paths.h"
#include "platform/win/win.h"
#include "still/bitmap_file.h"

namespace check {
namespace {

void NothingToServe() {}

// Tags the audio library decodes as it plays; it plays 8- and 16-bit PCM as
// it lies.
bool Decodable(const aud::WavFormat& format) {
    switch (format.tag) {
        case 1: return format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;  // PCM
        case 2:
        case 0x11: return format.bits == 4;  // MS and IMA ADPCM
        case 3: return format.bits == 32;    // IEEE float
        case 6:
        case 7: return format.bits == 8;  // A-law, mu-law
        case 0xFFFE: return true;         // extensible: its sub-format decides
        default: return false;
    }
}

std::string LostPixelsMessage(std::uint64_t withStatic, std::uint64_t withoutStatic) {
    return std::to_string(withStatic) + " pixels show a system colour instead of the picture's with static colours, " +
           std::to_string(withoutStatic) + " without; --fix-palette makes a copy that shows as drawn";
}

// The player's decoder, into a frame nobody sees: the first error it reports
// is the player's.
class DecodingHost final : public MovieHost {
public:
    void FatalError(const char* text) override {
        if (error.empty()) error = text;
    }
    bool PumpMessages() override { return true; }
    bool TakeAbort() override { return false; }
    void Serve() override {}
    win::DWORD Ticks() override { return 0; }
    void WaitForMessage(win::DWORD) override {}
    bool AttachMovieSound(const char*) override { return false; }
    void StartMovieSound() override {}
    void DropUnstartedMovieSound() override {}

    std::string error;
};

std::string LostMoviePixelsMessage(const LostMoviePixels& lost) {
    return std::to_string(lost.onKeptEntries + lost.beforePalette) +
           " pixels drawn show a system colour instead of the movie's with static colours (" +
           std::to_string(lost.onKeptEntries) + " on palette entries the display keeps, " +
           std::to_string(lost.beforePalette) +
           " drawn before the first palette chunk); --fix-palette makes a copy that shows as made";
}

}  // namespace

PictureCheck CheckPictureFile(platform::ByteReader& file) {
    PictureCheck check;
    bitmap::Headers headers;
    if (const char* error = bitmap::ReadHeaders(file, headers, NothingToServe)) {
        check.problems.emplace_back(error);
        return check;
    }
    const std::array<bool, 256> lostWithStatic = LostColours(headers, Display::Static);
    const std::array<bool, 256> lostWithoutStatic = LostColours(headers, Display::NoStatic);
    bool anyLost = false;
    for (int colour = 0; colour < 256; ++colour) anyLost |= lostWithStatic[colour] || lostWithoutStatic[colour];

    std::unique_ptr<SlidePicture> picture;
    if (const char* error = bitmap::ReadPixels(file, headers, anyLost ? &picture : nullptr, NothingToServe)) {
        check.problems.emplace_back(error);
        return check;
    }
    const win::BITMAPINFOHEADER& header = headers.info.header;
    const std::int32_t rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    check.size = PictureSize{header.biWidth, rows};
    if (!anyLost) return check;

    std::uint64_t uses[256] = {};
    const std::size_t width = static_cast<std::size_t>(header.biWidth);
    const std::size_t stride = (width + 3) / 4 * 4;
    for (std::size_t row = 0; row < static_cast<std::size_t>(rows); ++row)
        for (const std::uint8_t pixel : std::span(picture->bits).subspan(row * stride, width)) ++uses[pixel];
    std::uint64_t withStatic = 0, withoutStatic = 0;
    for (int colour = 0; colour < headers.colours; ++colour) {
        if (lostWithStatic[colour]) withStatic += uses[colour];
        if (lostWithoutStatic[colour]) withoutStatic += uses[colour];
    }
    if (withStatic || withoutStatic) check.problems.push_back(LostPixelsMessage(withStatic, withoutStatic));
    return check;
}

std::string CheckMovieFile(const std::string& openedName) {
    DecodingHost host;
    DFLCWindow player(nullptr, openedName.c_str(), host);
    player.DecodeFrom(platform::ByteReader::Open(openedName.c_str()), openedName.c_str());
    if (!host.error.empty()) return host.error;
    const auto file = platform::ByteReader::Open(openedName.c_str());
    std::optional<MovieFile> movie = file ? ReadMovie(*file) : std::nullopt;
    if (!movie) return {};
    const LostMoviePixels lost = CountLostPixels(*movie);
    return lost.onKeptEntries + lost.beforePalette ? LostMoviePixelsMessage(lost) : std::string();
}

std::string CheckSoundFile(const std::string& path) {
    win::WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!platform::IsRegularFile(path) ||
        !win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &attributes))
        return "cannot be read";
    const std::uint64_t size = std::uint64_t{attributes.nFileSizeHigh} << 32 | attributes.nFileSizeLow;
    std::optional<aud::WavFormat> format;
    if (size >= 8 && size <= 0xFFFFFFFF) {
        std::FILE* file = win::fopen(path.c_str(), "rb");
        if (!file) return "cannot be read";
        format = aud::ReadWavStream(file, size);
        std::fclose(file);
    }
    if (!format) return "not a RIFF WAVE image";
    if (format->Pcm()) return {};
    if (!Decodable(*format)) return "WAV image of a sample format not supported";
    if (format->channels < 1 || format->channels > aud::MaxChannels || format->rate < aud::MinRate ||
        format->rate > aud::MaxRate)
        return "WAV image with channels or rate not supported";
    return {};
}

}  // namespace check
