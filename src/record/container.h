// SPDX-License-Identifier: GPL-3.0-or-later
// What a recording's file name asks for: the container and its codecs.
#pragma once

#include <optional>
#include <string>

namespace record {

struct Container {
    const char* extension;  // lower case, with the dot
    const char* muxer;
    const char* videoEncoder;
    const char* audioEncoder;
    bool lossless;
};

// By the name's extension, in any letter case; nothing for an unknown one.
std::optional<Container> ContainerFor(const std::string& file);

// The first of the container's encoders that the installed libraries lack,
// or an empty string.
std::string MissingEncoder(const Container& container);

}  // namespace record
