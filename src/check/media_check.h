// SPDX-License-Identifier: GPL-3.0-or-later
// What the player would refuse in a media file, judged from the file alone:
// each check reads what the player's own reader reads, and no more than it
// needs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/tree_checker.h"
#include "platform/core/byte_reader.h"

namespace check {

struct PictureCheck {
    std::vector<std::string> problems;
    std::optional<PictureSize> size;  // when the player loads the picture
};

// A still's bitmap: the loader's messages, and pixels that will show a
// system colour instead of the picture's. The pixels are read only when the
// palette can put some of them on such a colour.
PictureCheck CheckPictureFile(platform::ByteReader& file);

// The movie the player opens under `openedName`, played through the
// player's decoder: its message for what it refuses, or the pixels that show
// a system colour with static colours. Empty when it shows as made.
std::string CheckMovieFile(const std::string& openedName);

// A sound file as the sound manager loads it and the audio library takes it,
// from its chunk headers. Empty when it plays.
std::string CheckSoundFile(const std::string& path);

}  // namespace check
