#include "audiolib/sound.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audiolib/last_error.h"
#include "audiolib/wav_format.h"

namespace aud {
namespace {

// Float samples may be anything, not-a-number included.
std::int16_t Clamp16(double value) {
    return std::isnan(value) ? 0 : static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
}

// A copy of the image whose chunks claim no more than it holds: SDL allocates
// what a chunk claims before reading it, gigabytes for a few bytes of file.
std::vector<std::uint8_t> ChunksWithin(std::span<const std::uint8_t> riff) {
    std::vector<std::uint8_t> copy(riff.begin(), riff.end());
    for (std::size_t at = 12; at + 8 <= copy.size();) {
        std::uint64_t size = 0;
        for (int i = 3; i >= 0; --i) size = size << 8 | copy[at + 4 + i];
        const std::size_t body = at + 8;
        if (size > copy.size() - body) {
            size = copy.size() - body;
            for (int i = 0; i < 4; ++i) copy[at + 4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
        }
        at = body + size + (size & 1);
    }
    return copy;
}

// SDL's decoding as 8- or 16-bit frames of our own.
std::optional<Sound> Decode(std::span<const std::uint8_t> riff) {
    SDL_AudioSpec spec{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    const std::vector<std::uint8_t> image = ChunksWithin(riff);
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(image.data(), static_cast<int>(image.size())), 1, &spec, &data, &length)) {
        SetLastError(std::string("not a usable WAV image: ") + SDL_GetError());
        return std::nullopt;
    }
    const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> owner(data, &SDL_FreeWAV);
    if (spec.channels < 1 || spec.channels > MaxChannels || spec.freq < static_cast<int>(MinRate) ||
        spec.freq > static_cast<int>(MaxRate)) {
        SetLastError("WAV image with channels or rate not supported");
        return std::nullopt;
    }
    const std::size_t bytesPerSample = SDL_AUDIO_BITSIZE(spec.format) / 8u;
    const std::size_t samples = length / (bytesPerSample * spec.channels) * spec.channels;
    const PcmLayout layout{static_cast<std::uint32_t>(spec.freq), spec.channels,
                           spec.format == AUDIO_U8 ? SampleType::U8 : SampleType::S16};
    if (spec.format == AUDIO_U8 || spec.format == AUDIO_S16LSB) {
        return Sound::Own(layout, std::vector<std::uint8_t>(data, data + samples * bytesPerSample));
    }
    if (spec.format != AUDIO_S32LSB && spec.format != AUDIO_F32LSB) {
        SetLastError("WAV image of a sample format not supported");
        return std::nullopt;
    }
    std::vector<std::uint8_t> frames(samples * 2);
    for (std::size_t i = 0; i < samples; ++i) {
        double value = 0;
        if (spec.format == AUDIO_S32LSB) {
            Sint32 sample = 0;
            std::memcpy(&sample, data + 4 * i, 4);
            value = sample / 65536.0;
        } else {
            float sample = 0;
            std::memcpy(&sample, data + 4 * i, 4);
            value = static_cast<double>(sample) * 32768.0;
        }
        const auto sample16 = static_cast<std::uint16_t>(Clamp16(value));
        frames[2 * i] = static_cast<std::uint8_t>(sample16);
        frames[2 * i + 1] = static_cast<std::uint8_t>(sample16 >> 8);
    }
    return Sound::Own(layout, std::move(frames));
}

}  // namespace

Sound Sound::View(const PcmLayout& layout, std::span<const std::uint8_t> frames) {
    Sound sound;
    sound.layout_ = layout;
    sound.view_ = frames.first(frames.size() - frames.size() % layout.FrameBytes());
    return sound;
}

Sound Sound::Own(const PcmLayout& layout, std::vector<std::uint8_t> frames) {
    Sound sound;
    sound.layout_ = layout;
    frames.erase(frames.end() - static_cast<std::ptrdiff_t>(frames.size() % layout.FrameBytes()), frames.end());
    sound.owned_ = std::move(frames);
    return sound;
}

void Sound::Append(std::span<const std::uint8_t> frames) {
    if (owned_.empty()) owned_.assign(view_.begin(), view_.end());
    view_ = {};
    owned_.insert(owned_.end(), frames.begin(), frames.end() - frames.size() % layout_.FrameBytes());
}

void Sound::Drop(std::uint64_t frames) {
    const std::size_t bytes = std::min<std::size_t>(frames * layout_.FrameBytes(), owned_.size());
    owned_.erase(owned_.begin(), owned_.begin() + static_cast<std::ptrdiff_t>(bytes));
    dropped_ += bytes / layout_.FrameBytes();
}

std::optional<Sound> LoadWavImage(const void* image) {
    const auto riff = RiffExtent(image);
    const auto format = riff ? ReadWavFormat(*riff) : std::nullopt;
    if (!format) {
        SetLastError("not a RIFF WAVE image");
        return std::nullopt;
    }
    if (const auto layout = format->Pcm()) {
        return Sound::View(*layout, riff->subspan(static_cast<std::size_t>(format->dataOffset),
                                                  static_cast<std::size_t>(format->dataBytes)));
    }
    return Decode(*riff);
}

}  // namespace aud
