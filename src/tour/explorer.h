// SPDX-License-Identifier: GPL-3.0-or-later
// The tour itself: plays the presentation branch by branch, breadth first,
// and records every place reached and every choice tried there.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tour/player_runner.h"

namespace tour {

enum class OutcomeKind { Place, Exit, Fatal, Crash, Hang, Limit, NotTried, OffScreen };

struct Outcome {
    OutcomeKind kind = OutcomeKind::NotTried;
    int place = -1;                    // kind Place
    int status = 0;                    // Exit, Fatal: the exit status; Crash: the signal
    std::string box;                   // Fatal: the box's text
    std::vector<std::string> notices;  // other boxes on the way, "CAPTION: TEXT"
    std::vector<int> movies;           // movies played on the way
    std::string input;                 // the input script that plays the branch, pauses answered
    long endMs = 0;                    // virtual time of the run's last event: the wait, the exit
};

struct Choice {
    std::string label;   // "hotspot 1", "timeout", "key"
    std::string action;  // what the script says it does ("-dir gallery"), when it says
    std::string input;   // the input line's event, without its time ("click 125 270")
    Outcome outcome;
};

struct Place {
    std::string folder;  // relative to the presentation, "." for its root
    int firstLine = 0, lastLine = 0;
    std::string still;
    long time = 0;  // virtual milliseconds when it waits
    int waitsBefore = 0;
    std::string input;  // the input script that reaches it
    std::vector<std::string> music;
    std::vector<Choice> choices;
};

struct Movie {
    std::string folder, name;
    bool snapshots = false;  // first and last frame written
};

struct Limits {
    int maxBranches = 10000;
    long branchMs = 300000;
    std::chrono::seconds maxWall{600};
    std::chrono::milliseconds hang{20000};
};

struct Tour {
    Outcome start;  // what the presentation does before any choice
    std::vector<Place> places;
    std::vector<Movie> movies;
    int branches = 0;
    int cut = 0;  // choices not tried or cut short by a limit
    std::vector<std::string> limitsHit;
};

struct Progress {
    int places = 0, branchesLeft = 0;
};

class Explorer {
public:
    // Snapshots go to `outDir`/places and `outDir`/movies.
    Explorer(PlayerRunner& runner, std::filesystem::path outDir, Limits limits, int clientWidth, int clientHeight);
    Tour Explore(const std::function<void(const Progress&)>& progress);

private:
    // Plays `input` on from its `waitsBefore`-th wait (at `from` ms) to the next still,
    // answering pauses with a key, and names where it led.
    Outcome Reach(std::string input, int waitsBefore, long from);
    void SnapshotMovies(const std::string& input, int stopAtWait, long maxMs, const RunResult& run, int waitsBefore,
                        Outcome& outcome);
    std::vector<Choice> ChoicesAt(const TraceEvent& wait) const;
    int PlaceOf(const RunResult& run, const std::string& input);
    void NoteLimit(const std::string& limit);
    int MovieOf(const std::string& folder, const std::string& name);

    PlayerRunner& runner_;
    std::filesystem::path outDir_;
    Limits limits_;
    int clientWidth_, clientHeight_;
    Tour tour_;
    std::map<std::tuple<std::string, int, std::string>, int> placeIds_;
};

}  // namespace tour
