// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/wav_source.h"

#include <algorithm>
#include <cstring>

namespace record {
namespace {

std::uint32_t Le32(const std::uint8_t* at) {
    return at[0] | static_cast<std::uint32_t>(at[1]) << 8 | static_cast<std::uint32_t>(at[2]) << 16 |
           static_cast<std::uint32_t>(at[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

}  // namespace

WavSource WavSource::Silence(std::uint64_t frames) {
    WavSource source;
    source.framesLeft_ = frames;
    return source;
}

std::unique_ptr<WavSource> WavSource::Open(const std::string& path, std::string& error) {
    auto source = std::make_unique<WavSource>();
    source->file_.reset(std::fopen(path.c_str(), "rb"));
    std::FILE* file = source->file_.get();
    std::uint8_t riff[12];
    if (!file || std::fread(riff, 1, sizeof riff, file) != sizeof riff || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        error = "cannot read the mix " + path;
        return nullptr;
    }
    bool haveFormat = false;
    std::uint8_t header[8];
    while (std::fread(header, 1, sizeof header, file) == sizeof header) {
        const std::uint32_t size = Le32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0 && size >= 16) {
            std::uint8_t format[16];
            if (std::fread(format, 1, sizeof format, file) != sizeof format) break;
            source->channels_ = Le16(format + 2);
            source->rate_ = static_cast<int>(Le32(format + 4));
            source->bits_ = Le16(format + 14);
            haveFormat = Le16(format) == 1 && (source->bits_ == 8 || source->bits_ == 16) && source->channels_ >= 1 &&
                         source->channels_ <= 8 && source->rate_ > 0;
            if (std::fseek(file, static_cast<long>(size) - 16 + static_cast<long>(size & 1), SEEK_CUR) != 0) break;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat) break;
            source->framesLeft_ = size / (static_cast<std::uint32_t>(source->channels_) * (source->bits_ / 8));
            return source;
        } else if (std::fseek(file, static_cast<long>(size) + static_cast<long>(size & 1), SEEK_CUR) != 0) {
            break;
        }
    }
    error = "the mix " + path + " is not an 8- or 16-bit PCM WAV file";
    return nullptr;
}

std::vector<std::uint8_t> WavSource::Read(std::uint64_t frames) {
    const std::size_t frameBytes = static_cast<std::size_t>(channels_) * (bits_ / 8);
    frames = std::min(frames, framesLeft_);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * frameBytes, bits_ == 8 ? 0x80 : 0);
    if (file_) {
        // A file cut short reads as silence to the length its header gives.
        const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file_.get());
        if (got < bytes.size())
            std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.end(), bits_ == 8 ? 0x80 : 0);
    }
    framesLeft_ -= frames;
    return bytes;
}

}  // namespace record
