// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a seed corpus for flic_play_fuzz into the folder given: small movies
// of every compression and chunk type, made by the tests' movie writer.
#include <cstdio>
#include <string>

#include "support/flc_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: flic_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<flc::Rgb> palette;
    for (int i = 0; i < 256; ++i) palette.push_back({static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(i)});
    int written = 0;
    for (auto [name, compression] : {std::pair{"delta", flc::Compression::Delta},
                                     {"bytedelta", flc::Compression::DeltaLc},
                                     {"runlength", flc::Compression::ByteRun},
                                     {"copy", flc::Compression::Copy}}) {
        std::vector<flc::Image> frames;
        for (int i = 0; i < 4; ++i) frames.push_back(flc::TestPattern(13, 9, i, 40));
        written += flc::WriteFile(folder + "/" + name + ".flc", flc::Animation(13, 9, frames, palette, compression));
    }
    flc::Movie mixed;
    mixed.width = 7;
    mixed.height = 3;
    mixed.frames.push_back({{flc::PalettePackets({{0, {{1, 2, 3}}}, {4, {{5, 6, 7}, {8, 9, 10}}}}), flc::Black(),
                             flc::PostageStamp({1, 2, 3, 4}, 2, 2)}});
    mixed.frames.push_back({{flc::Palette({{63, 0, 63}}, flic::Color64)}});
    mixed.frames.push_back(
        {{flc::Copy(flc::Image(21, 3), 7, 3), flc::DeltaLc(flc::Image(21, 3), flc::Image(21, 4), 7, 3)}});
    mixed.frames.push_back({});
    written += flc::WriteFile(folder + "/mixed.flc", mixed);
    return written == 5 ? 0 : 1;
}
