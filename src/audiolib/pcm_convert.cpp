#include "audiolib/pcm_convert.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "audiolib/last_error.h"

namespace aud {
namespace {

std::uint32_t ReadLe32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::optional<DecodedWav> Decode(SDL_RWops* source) {
    if (!source) return std::nullopt;
    DecodedWav wav;
    Uint8* data = nullptr;
    if (!SDL_LoadWAV_RW(source, 1, &wav.spec, &data, &wav.length)) {
        SetLastError(std::string("not a usable WAV image: ") + SDL_GetError());
        return std::nullopt;
    }
    wav.data.reset(data);
    return wav;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> RiffExtent(const void* image) {
    static constexpr char kRiff[] = "RIFF";
    if (!image) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(image);
    // Byte by byte, so that a short non-WAV image is not read past its mismatch.
    for (int i = 0; i < 4; ++i) {
        if (bytes[i] != static_cast<std::uint8_t>(kRiff[i])) return std::nullopt;
    }
    const std::uint64_t total = std::uint64_t{ReadLe32(bytes + 4)} + 8;
    if (total < 12 || total > INT_MAX || std::memcmp(bytes + 8, "WAVE", 4) != 0) return std::nullopt;
    return std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(total));
}

std::optional<DecodedWav> DecodeWav(std::span<const std::uint8_t> riff) {
    return Decode(SDL_RWFromConstMem(riff.data(), static_cast<int>(riff.size())));
}

std::optional<DecodedWav> DecodeWavFile(const std::filesystem::path& path) {
    return Decode(SDL_RWFromFile(path.c_str(), "rb"));
}

std::optional<Samples> ConvertPcm(std::span<const std::uint8_t> pcm, SDL_AudioFormat format, int channels, int rate,
                                  const OutputFormat& to) {
    const std::size_t frameBytes = SDL_AUDIO_BITSIZE(format) / 8u * static_cast<std::size_t>(channels);
    if (frameBytes == 0) return std::nullopt;
    pcm = pcm.first(pcm.size() - pcm.size() % frameBytes);
    if (format == AUDIO_S16SYS && channels == to.channels && rate == static_cast<int>(to.rate)) {
        Samples samples(pcm.size() / sizeof(std::int16_t));
        if (!samples.empty()) std::memcpy(samples.data(), pcm.data(), samples.size() * sizeof(std::int16_t));
        return samples;
    }
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, format, static_cast<Uint8>(channels), rate, AUDIO_S16SYS,
                          static_cast<Uint8>(to.channels), static_cast<int>(to.rate)) < 0 ||
        pcm.size() > static_cast<std::size_t>(INT_MAX / cvt.len_mult)) {
        SetLastError(std::string("cannot convert the sound: ") + SDL_GetError());
        return std::nullopt;
    }
    // Not zero-filled: with large sounds, touching the memory twice costs more than the conversion.
    const auto work = std::make_unique_for_overwrite<Uint8[]>(pcm.size() * static_cast<std::size_t>(cvt.len_mult));
    std::copy(pcm.begin(), pcm.end(), work.get());
    cvt.buf = work.get();
    cvt.len = static_cast<int>(pcm.size());
    if (SDL_ConvertAudio(&cvt) != 0) {
        SetLastError(std::string("cannot convert the sound: ") + SDL_GetError());
        return std::nullopt;
    }
    Samples samples(static_cast<std::size_t>(cvt.len_cvt) / sizeof(std::int16_t));
    if (!samples.empty()) std::memcpy(samples.data(), work.get(), samples.size() * sizeof(std::int16_t));
    return samples;
}

std::optional<Sound> LoadWavImage(const void* image, const OutputFormat& to) {
    auto riff = RiffExtent(image);
    if (!riff) {
        SetLastError("not a RIFF WAVE image");
        return std::nullopt;
    }
    auto wav = DecodeWav(*riff);
    if (!wav) return std::nullopt;
    auto samples = ConvertPcm(wav->Bytes(), wav->spec.format, wav->spec.channels, wav->spec.freq, to);
    if (!samples) return std::nullopt;
    return Sound{std::move(*samples), static_cast<std::uint32_t>(wav->spec.freq)};
}

}  // namespace aud
