#include "support/mix_file.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

bool WriteTone(const std::filesystem::path& file, const char* seconds) {
    const std::string command =
        "sox -n -r 44100 -c 2 -b 16 " + file.string() + " synth " + seconds + " sine 440 vol 0.5 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

}  // namespace test
