// Decoding of WAV data with SDL's decoder and conversion to the output format
// with SDL's converter, done once when a sound is handed over.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "audiolib/output_format.h"

namespace aud {

// Decoded PCM as SDL's WAV loader returns it.
struct DecodedWav {
    SDL_AudioSpec spec{};
    std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> data{nullptr, &SDL_FreeWAV};
    Uint32 length = 0;

    std::span<const std::uint8_t> Bytes() const { return {data.get(), length}; }
    std::size_t BytesPerFrame() const { return SDL_AUDIO_BITSIZE(spec.format) / 8u * spec.channels; }
};

// The bytes of a WAV image in memory: its RIFF chunk, whose size the header
// gives. The image must hold the whole RIFF chunk; nothing past it is read.
// Empty when the header is not that of a RIFF WAVE image.
std::optional<std::span<const std::uint8_t>> RiffExtent(const void* image);

std::optional<DecodedWav> DecodeWav(std::span<const std::uint8_t> riff);
std::optional<DecodedWav> DecodeWavFile(const std::filesystem::path& path);

// PCM of the given SDL format, channel count and rate, converted to the
// output's rate and channel count as 16-bit samples.
std::optional<Samples> ConvertPcm(std::span<const std::uint8_t> pcm, SDL_AudioFormat format, int channels, int rate,
                                  const OutputFormat& to);

struct Sound {
    Samples samples;
    std::uint32_t sourceRate = 0;
};

// A WAV image decoded and converted; nothing when it cannot be decoded.
std::optional<Sound> LoadWavImage(const void* image, const OutputFormat& to);

}  // namespace aud
