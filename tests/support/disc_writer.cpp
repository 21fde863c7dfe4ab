// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/disc_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace test {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t RawSector = 2352, DataSector = 2048;

std::string Msf(std::size_t sector) {
    char text[32];
    std::snprintf(text, sizeof text, "%02zu:%02zu:%02zu", sector / 75 / 60 % 100, sector / 75 % 60, sector % 75);
    return text;
}

std::uint8_t Bcd(std::size_t value) { return static_cast<std::uint8_t>(value / 10 * 16 + value % 10); }

// A MODE1/2352 or MODE2/2352 form 1 sector: sync, header with its address,
// the subheader in mode 2, the user data; error codes are left zero, as
// readers of images take only the user data.
void PutDataSector(std::ofstream& out, const char* data, std::size_t sector, bool mode2) {
    std::uint8_t raw[RawSector] = {};
    for (int i = 1; i <= 10; ++i) raw[i] = 0xFF;
    const std::size_t address = sector + 150;
    raw[12] = Bcd(address / 75 / 60);
    raw[13] = Bcd(address / 75 % 60);
    raw[14] = Bcd(address % 75);
    raw[15] = mode2 ? 2 : 1;
    if (mode2) raw[18] = raw[22] = 0x08;  // form 1, data
    std::copy(data, data + DataSector, raw + (mode2 ? 24 : 16));
    out.write(reinterpret_cast<const char*>(raw), RawSector);
}

// Writes samples little-endian, padded to whole sectors; returns the sectors.
std::size_t PutAudio(std::ofstream& out, const CdAudio& audio) {
    std::vector<std::uint8_t> bytes;
    for (std::int16_t sample : audio) {
        bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
    }
    bytes.resize((bytes.size() + RawSector - 1) / RawSector * RawSector);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes.size() / RawSector;
}

}  // namespace

bool MakeIso(const fs::path& folder, const fs::path& image, IsoNames names) {
    std::string options = "-iso-level 1";
    if (names == IsoNames::Joliet) options += " -J";
    if (names == IsoNames::RockRidge) options += " -R";
    const std::string command =
        "xorriso -as mkisofs -quiet " + options + " -o '" + image.string() + "' '" + folder.string() + "' >&2";
    return std::system(command.c_str()) == 0;
}

CdAudio CdTone(double hz, double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * 44100);
    CdAudio audio(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * hz * static_cast<double>(i) / 44100));
        audio[2 * i] = audio[2 * i + 1] = value;
    }
    return audio;
}

void WriteMixedModeDisc(const fs::path& iso, const std::vector<CdAudio>& audio, const fs::path& cue, bool filePerTrack,
                        bool mode2) {
    std::ifstream in(iso, std::ios::binary);
    std::vector<char> data{std::istreambuf_iterator<char>(in), {}};
    data.resize((data.size() + DataSector - 1) / DataSector * DataSector);

    const std::string stem = cue.stem().string();
    auto binName = [&](std::size_t track) {
        return filePerTrack ? stem + "-" + std::to_string(track) + ".bin" : stem + ".bin";
    };
    std::string sheet = "FILE \"" + binName(1) + "\" BINARY\n  TRACK 01 " + (mode2 ? "MODE2" : "MODE1") +
                        "/2352\n    INDEX 01 00:00:00\n";
    std::string toc = std::string(mode2 ? "CD_ROM_XA" : "CD_ROM") + "\n\nTRACK " + (mode2 ? "MODE2_RAW" : "MODE1_RAW") +
                      "\nDATAFILE \"" + binName(1) + "\"\n";
    std::ofstream out(cue.parent_path() / binName(1), std::ios::binary);
    std::size_t sector = 0;
    for (std::size_t at = 0; at < data.size(); at += DataSector) PutDataSector(out, data.data() + at, sector++, mode2);
    for (std::size_t i = 0; i < audio.size(); ++i) {
        const std::size_t track = i + 2;
        char number[8];
        std::snprintf(number, sizeof number, "%02zu", track);
        if (filePerTrack) {
            out = std::ofstream(cue.parent_path() / binName(track), std::ios::binary);
            sector = 0;
            sheet += "FILE \"" + binName(track) + "\" BINARY\n";
        }
        sheet += std::string("  TRACK ") + number + " AUDIO\n    INDEX 01 " + Msf(sector) + "\n";
        const std::size_t sectors = PutAudio(out, audio[i]);
        toc += "\nTRACK AUDIO\nFILE \"" + binName(track) + "\" " + Msf(sector) + " " + Msf(sectors) + "\n";
        sector += sectors;
    }
    std::ofstream(cue) << sheet;
    if (!filePerTrack) std::ofstream(fs::path(cue).replace_extension(".toc")) << toc;
}

}  // namespace test
