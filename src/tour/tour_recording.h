// SPDX-License-Identifier: GPL-3.0-or-later
// `corvanta-tour ... --record FILE`: the branches of a tour played once more,
// each recorded by the player, and joined one after the other into one video
// with a chapter for each, named for the place it starts from and its choice.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "record/recorder.h"
#include "tour/explorer.h"

namespace tour {

struct Branch {
    std::string title;  // "start", or the place and the choice: "a/pa.bmp:1, hotspot 1"
    std::string input;
    long fromMs = 0, toMs = 0;  // the stretch of the run that is the branch's
};

// The branches that ended where a viewer can follow (at a still, an exit or a
// fatal error), in the order the tour took them. One that reaches a still
// holds it a while, so that the viewer sees where it led.
std::vector<Branch> BranchesOf(const Tour& tour);

// Plays the branches with the player's recorder in `workDir` and writes the
// video `options.file` in `container`; false with the reason when it cannot.
// A branch's run counts as hung past `wallLimit`.
bool RecordTour(const std::vector<Branch>& branches, PlayerRunner& runner, const record::Container& container,
                const record::RecordOptions& options, const std::filesystem::path& workDir,
                std::chrono::milliseconds wallLimit, std::string& error);

}  // namespace tour
