// SPDX-License-Identifier: GPL-3.0-or-later
// `corvanta --record FILE`: plays the presentation headless and writes what
// was shown and heard as a video. The player reaches this through
// StartRecording before it plays; the run's presents and its end come back
// through the platform's run observer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/settings.h"
#include "record/container.h"

namespace record {

struct RecordOptions {
    std::string file;
    std::string input;                   // the input script, if any
    int fps = 0;                         // 0: one frame per change, at its time
    std::optional<platform::Size> size;  // the video's size; default the screen's
};

struct RecordArguments {
    std::optional<RecordOptions> options;  // none: no --record
    std::vector<char*> rest;               // the player's own arguments, argv[0] first
    std::string error;                     // a malformed recording argument
};

// With --record, takes --record FILE, --input INPUT, --fps N and --size WxH
// out of the arguments; without it, leaves every argument to the player.
RecordArguments TakeRecordArguments(int argc, char** argv);

// The container a recording's file name asks for, once its encoders are
// installed and its folder can take the file; else nothing, with a one-line
// `error`.
std::optional<Container> RecordingTarget(const std::string& file, std::string& error);

// Checks the file name and the encoders, sets the run up headless and starts
// watching it; false with a one-line `error` when it cannot record.
bool StartRecording(const RecordOptions& options, std::string& error);

}  // namespace record
