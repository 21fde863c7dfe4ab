// How long a WAV file plays, read from its chunks without decoding it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace aud {

struct WavDuration {
    std::uint64_t frames = 0;
    std::uint32_t rate = 0;
};

std::optional<WavDuration> ReadWavDuration(const std::filesystem::path& path);

}  // namespace aud
