// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the player headless, one branch of a tour at a time, and reads its
// trace as it is written, so the run can be stopped the moment it reaches
// the place the tour asked for.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tour {

struct TraceEvent {
    long time = 0;
    std::vector<std::string> fields;  // unescaped; the event name first
};

// One trace line ("MS<TAB>FIELD..."); false for anything else (the player's
// own messages share the stream).
bool ParseTraceLine(const std::string& line, TraceEvent& event);

enum class RunEnd { Stopped, Exited, Crashed, Hung };

struct RunResult {
    RunEnd end = RunEnd::Exited;
    int status = 0;  // the exit status, or the signal for Crashed
    std::vector<TraceEvent> trace;
    std::string messages;  // what the player said that is not trace
};

struct RunRequest {
    std::string input;                           // the input script
    int stopAtWait = 0;                          // stop at this "wait" line (1 is the first); 0: run to the end
    long maxMs = 600000;                         // the virtual time limit
    std::chrono::milliseconds wallLimit{20000};  // past this the run counts as hung
    std::vector<std::string> arguments;          // the player's, before the presentation
};

class PlayerRunner {
public:
    // `workDir` holds the input script while the player runs; the player
    // starts there too, so whatever it writes lands in it.
    PlayerRunner(std::filesystem::path player, std::string presentation, std::filesystem::path workDir);
    RunResult Run(const RunRequest& request);
    int Runs() const { return runs_; }

private:
    std::filesystem::path player_;
    std::string presentation_;
    std::filesystem::path workDir_;
    int runs_ = 0;
};

}  // namespace tour
