// SPDX-License-Identifier: GPL-3.0-or-later
// Where a presentation is played from: a folder, a disc image or a CD drive,
// as named on the command line.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Whether a command-line argument names a presentation: an existing folder,
// file or device, "cdrom", IMAGE:/FOLDER, or a name ending like an image's.
bool IsPresentationArgument(std::string_view argument);

// Makes the presentation's folder current and the starting folder: a folder
// is entered as if the program had started in it; an image or a drive is put
// in place at the folder of its presentation (the root when it holds a
// `sequence`, else the shallowest folder that does, else the folder named by
// IMAGE:/FOLDER). On failure, one line saying why, naming the source.
bool EnterPresentation(const std::string& argument, std::string& error);

}  // namespace platform
