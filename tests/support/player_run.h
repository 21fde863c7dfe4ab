// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real player binary headless on a presentation and reads back what
// it did, for end-to-end tests.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace test {

struct TraceLine {
    long time = 0;                    // virtual milliseconds since start
    std::vector<std::string> fields;  // event name first, then its fields (unescaped)
    std::string Text() const;         // the fields joined by tabs, without the time
};

// The fields of a trace line after its time, split at tabs and unescaped.
std::vector<std::string> TraceFields(const std::string& text);

struct PlayerRun {
    int exitCode = -1;
    std::vector<TraceLine> trace;
    std::string stdOut, stdErr;
    long peakKb = 0;  // the player's peak resident memory

    // Lines of one event kind ("box", "present", ...).
    std::vector<TraceLine> Events(const std::string& kind) const;
    // Every trace line with its time, then standard error: for failure messages.
    std::string Dump() const;
    // True when each expected text (fields joined by tabs) appears in this
    // order among the trace lines, others in between allowed.
    bool ContainsInOrder(const std::vector<std::string>& expected) const;
};

struct PlayerOptions {
    std::vector<std::string> args;           // after the program name
    std::string input;                       // input script text
    std::map<std::string, std::string> env;  // extra settings (CORVANTA_CLIENT, ...)
    std::string program = CORVANTA_BINARY;   // the player, or another of its programs
    // When set, a run still going after this many seconds is killed (exit
    // code -1): a hang fails its test instead of stalling the suite.
    int killAfterSeconds = 0;
    // When set, this signal is sent once the run has gone on for signalAfterMs.
    int signal = 0;
    int signalAfterMs = 0;
};

// Runs the player in `presentation` (its working directory). The trace and the
// input script live in a temporary folder beside it.
PlayerRun RunPlayer(const std::filesystem::path& presentation, const PlayerOptions& options = {});

// A fresh empty folder for one test, removed at process end.
std::filesystem::path MakeTempDir(const std::string& name);

// Writes text to a file, creating folders on the way.
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace test
