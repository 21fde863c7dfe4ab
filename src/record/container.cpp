// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/container.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <array>
#include <cctype>

namespace record {
namespace {

constexpr std::array Containers{
    Container{".mkv", "matroska", "ffv1", "flac", true},
    Container{".mp4", "mp4", "libx264", "aac", false},
    Container{".webm", "webm", "libvpx-vp9", "libopus", false},
};

}  // namespace

std::optional<Container> ContainerFor(const std::string& file) {
    const std::size_t dot = file.find_last_of("./");
    if (dot == std::string::npos || file[dot] != '.') return std::nullopt;
    std::string extension = file.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const Container& container : Containers)
        if (extension == container.extension) return container;
    return std::nullopt;
}

std::string MissingEncoder(const Container& container) {
    if (!av_guess_format(container.muxer, nullptr, nullptr)) return container.muxer;
    for (const char* name : {container.videoEncoder, container.audioEncoder})
        if (!avcodec_find_encoder_by_name(name)) return name;
    return {};
}

}  // namespace record
