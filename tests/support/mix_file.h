// SPDX-License-Identifier: GPL-3.0-or-later
// The headless mix file (CORVANTA_AUDIO_OUT) read back, and test tones made
// by sox, so that tests can hear what played when.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace test {

struct Mix {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
    std::vector<std::int16_t> samples;  // interleaved, 16-bit output assumed

    // Milliseconds from the start to the first sample louder than silence; -1 when silent.
    double FirstSoundMs() const;
    // Amplitude (full scale 32768) of each of `tones` (Hz) in the first
    // channel, window by window of `windowMs`.
    std::vector<std::vector<double>> ToneLevels(const std::vector<double>& tones, double windowMs) const;
    // The longest stretch of silence between the first and the last sound, in ms.
    double LongestInnerSilenceMs() const;
};

Mix ReadMix(const std::filesystem::path& path);

// A tone of the given length (44.1 kHz, 16-bit stereo, half full scale)
// written by sox, the tool nobody here wrote; false without sox.
bool WriteTone(const std::filesystem::path& file, const char* seconds, int hz = 440);

}  // namespace test
