// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation.h"

#include <cstdint>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/flc_writer.h"
#include "support/wav_writer.h"

namespace fuzz {

void WritePresentation(const std::filesystem::path& folder) {
    test::BmpFile still;
    still.width = 8;
    still.height = 4;
    still.clrUsed = 16;
    for (int i = 0; i < 16; ++i) still.colours.push_back({static_cast<std::uint8_t>(i * 16), 0, 0});
    std::vector<std::uint8_t> pixels(32);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i % 16);
    still.pixels = test::PackRows(pixels, 8, 4, 8);
    test::WriteBytes(folder / "pic.bmp", still.Bytes());

    std::vector<flc::Rgb> palette;
    for (int i = 0; i < 256; ++i) palette.push_back({static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(i)});
    std::vector<flc::Image> frames;
    for (int i = 0; i < 3; ++i) frames.push_back(flc::TestPattern(12, 8, i, 32));
    flc::WriteFile((folder / "intro.flc").string(), flc::Animation(12, 8, frames, palette, flc::Compression::Delta));

    test::WavFile wav;
    wav.dataBytes = 4410;
    test::WriteBytes(folder / "intro.wav", wav.Bytes());
    test::WriteBytes(folder / "tune.wav", wav.Bytes());
    for (const char* section : {"verse", "chorus"}) {
        std::filesystem::create_directory(folder / section);
        test::WriteBytes(folder / section / (std::string(section) + "1.wav"), wav.Bytes());
    }
}

bool LeavesFolder(std::string_view script) {
    if (script.find("..") != std::string_view::npos || script.find(':') != std::string_view::npos) return true;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const bool wordStart = i == 0 || std::string_view(", \t\r\n").find(script[i - 1]) != std::string_view::npos;
        if (wordStart && (script[i] == '/' || script[i] == '\\')) return true;
    }
    return false;
}

}  // namespace fuzz
