// SPDX-License-Identifier: GPL-3.0-or-later
// The sound manager hands the audio library a whole file's image and no
// length: the library reads as far as the RIFF header says.
#pragma once

#include <cstdint>

// Writers that leave out the last pad byte, write the file's length or
// 0xFFFFFFFF overstate the RIFF size; it is cut to the `size` bytes the image
// holds (at least the 8-byte header), so such a file plays what it holds.
void FitRiffSizeToImage(unsigned char* data, std::uint32_t size);
