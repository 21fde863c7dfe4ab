// SPDX-License-Identifier: GPL-3.0-or-later
// A recording read back with libavformat: its streams and length, and,
// when asked, every picture (as RGB) and every sample decoded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace test {

struct DecodedPicture {
    long ms = 0;  // presentation time
    std::vector<std::uint8_t> rgb;
};

struct DecodedChapter {
    std::string title;
    long startMs = 0, endMs = 0;
};

struct DecodedVideo {
    std::vector<std::string> streams;  // "video CODEC" or "audio CODEC", in file order
    double seconds = 0;                // the container's duration
    int width = 0, height = 0;
    std::vector<DecodedPicture> pictures;  // decoded only when asked
    std::vector<std::int16_t> samples;     // interleaved; decoded only when asked
    int rate = 0, channels = 0;
    std::vector<DecodedChapter> chapters;
};

// A snapshot PNG's pixels as RGB, as pictures are decoded; empty when
// unreadable.
std::vector<std::uint8_t> SnapshotRgb(const std::filesystem::path& png);

// Nothing when the file cannot be opened or decoded.
std::optional<DecodedVideo> DecodeVideo(const std::filesystem::path& file, bool decode);

}  // namespace test
