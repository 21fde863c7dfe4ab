// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/bmp_writer.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace test {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string RunCommand(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

}  // namespace

std::vector<std::uint8_t> BmpFile::Bytes() const {
    const std::uint32_t pixelOffset = 14 + 40 + 4 * static_cast<std::uint32_t>(colours.size()) + gap;
    std::vector<std::uint8_t> out;
    Put16(out, type);
    Put32(out, pixelOffset + static_cast<std::uint32_t>(pixels.size()));
    Put32(out, 0);
    Put32(out, offBits == Computed ? pixelOffset : offBits);
    Put32(out, headerSize);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, planes);
    Put16(out, bitCount);
    Put32(out, compression);
    Put32(out, sizeImage == Computed ? static_cast<std::uint32_t>(pixels.size()) : sizeImage);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, clrUsed);
    Put32(out, 0);
    for (const Rgb& colour : colours) {
        out.push_back(colour.blue);
        out.push_back(colour.green);
        out.push_back(colour.red);
        out.push_back(0);
    }
    out.resize(pixelOffset, 0xEE);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::vector<std::uint8_t> PackRows(const std::vector<std::uint8_t>& pixels, int width, int height, int bitCount,
                                   bool topDown) {
    const std::size_t stride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    std::vector<std::uint8_t> out(stride * height, 0);
    for (int y = 0; y < height; ++y) {
        const int storedRow = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            const unsigned value = pixels[static_cast<std::size_t>(y) * width + x] & ((1u << bitCount) - 1);
            const std::size_t bit = static_cast<std::size_t>(x) * bitCount;
            const unsigned shift = 8 - bitCount - bit % 8;
            out[storedRow * stride + bit / 8] |= static_cast<std::uint8_t>(value << shift);
        }
    }
    return out;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool MakeBmpWithTool(const std::string& args, const std::filesystem::path& output) {
    const std::string command = "convert " + args + " BMP3:" + Quoted(output) + " 2>&1";
    RunCommand(command);
    return std::filesystem::exists(output);
}

ToolImage DecodeWithTool(const std::filesystem::path& picture) {
    ToolImage image;
    std::istringstream size(RunCommand("convert " + Quoted(picture) + " -format '%w %h' info: 2>/dev/null"));
    size >> image.width >> image.height;
    const std::string rgb = RunCommand("convert " + Quoted(picture) + " -depth 8 rgb:- 2>/dev/null");
    if (image.width <= 0 || image.height <= 0 || rgb.size() != 3u * image.width * image.height) return {};
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        image.pixels.push_back({static_cast<std::uint8_t>(rgb[i]), static_cast<std::uint8_t>(rgb[i + 1]),
                                static_cast<std::uint8_t>(rgb[i + 2])});
    return image;
}

}  // namespace test
