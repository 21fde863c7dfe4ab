// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/png_io.h"

#include <png.h>

#include <cstring>

namespace platform {

std::optional<IconImage> DecodePng(const unsigned char* data, std::size_t size) {
    if (!data || size == 0) return std::nullopt;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    IconImage icon;
    icon.width = static_cast<int>(image.width);
    icon.height = static_cast<int>(image.height);
    icon.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, icon.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return icon;
}

bool WritePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, rgb, 0, nullptr) != 0;
}

}  // namespace platform
