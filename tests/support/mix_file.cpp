// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/mix_file.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

namespace test {

Mix ReadMix(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    Mix mix;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, &bytes[at + 4], 4);
        const std::string id(&bytes[at], 4);
        if (id == "fmt " && at + 24 <= bytes.size()) {
            std::memcpy(&mix.channels, &bytes[at + 10], 2);
            std::memcpy(&mix.rate, &bytes[at + 12], 4);
            std::memcpy(&mix.bits, &bytes[at + 22], 2);
        } else if (id == "data") {
            const std::size_t count = std::min<std::size_t>(size, bytes.size() - at - 8) / 2;
            mix.samples.resize(count);
            std::memcpy(mix.samples.data(), &bytes[at + 8], count * 2);
        }
        at += 8 + size + (size & 1);
    }
    return mix;
}

double Mix::FirstSoundMs() const {
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > 64 && channels && rate) return 1000.0 * static_cast<double>(i / channels) / rate;
    return -1;
}

std::vector<std::vector<double>> Mix::ToneLevels(const std::vector<double>& tones, double windowMs) const {
    std::vector<std::vector<double>> levels;
    if (channels == 0 || rate == 0) return levels;
    const std::size_t window = static_cast<std::size_t>(windowMs * rate / 1000);
    const std::size_t frames = samples.size() / channels;
    for (std::size_t start = 0; window > 0 && start + window <= frames; start += window) {
        std::vector<double>& level = levels.emplace_back();
        for (double hz : tones) {
            // Goertzel: the power of one frequency over the window.
            const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / rate);
            double previous = 0, beforePrevious = 0;
            for (std::size_t i = start; i < start + window; ++i) {
                const double next = samples[i * channels] + coefficient * previous - beforePrevious;
                beforePrevious = previous;
                previous = next;
            }
            const double power =
                previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
            level.push_back(2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(window));
        }
    }
    return levels;
}

double Mix::LongestInnerSilenceMs() const {
    if (channels == 0 || rate == 0) return 0;
    std::size_t longest = 0, quiet = 0;
    bool heard = false;
    for (std::size_t frame = 0; frame < samples.size() / channels; ++frame) {
        if (std::abs(samples[frame * channels]) > 64) {
            if (heard) longest = std::max(longest, quiet);
            heard = true;
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return 1000.0 * static_cast<double>(longest) / rate;
}

bool WriteTone(const std::filesystem::path& file, const char* seconds, int hz) {
    const std::string command = "sox -r 44100 -n -c 2 -b 16 '" + file.string() + "' synth " + seconds + " sine " +
                                std::to_string(hz) + " vol 0.5 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

}  // namespace test
