// SPDX-License-Identifier: GPL-3.0-or-later
// PNG reading and writing (libpng).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/backend.h"

namespace platform {

// Any PNG, as 8-bit RGBA.
std::optional<IconImage> DecodePng(const unsigned char* data, std::size_t size);

// Writes 8-bit RGB rows, top to bottom.
bool WritePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb);

}  // namespace platform
