// SPDX-License-Identifier: GPL-3.0-or-later
#include "tour/explorer.h"

#include <algorithm>
#include <sstream>

namespace tour {

namespace {

// A run answers at most this many pauses on its way to the next still: a
// script that pauses in a loop without ever showing one is cut there.
constexpr int MaxPausesPerBranch = 50;

int WaitCount(const RunResult& run) {
    return static_cast<int>(std::count_if(run.trace.begin(), run.trace.end(),
                                          [](const TraceEvent& event) { return event.fields[0] == "wait"; }));
}

// The index of the first trace event after the `waits`-th wait line.
std::size_t AfterWait(const RunResult& run, int waits) {
    std::size_t index = 0;
    for (int seen = 0; index < run.trace.size() && seen < waits; ++index)
        if (run.trace[index].fields[0] == "wait") ++seen;
    return index;
}

bool Is(const TraceEvent& event, const char* name, const char* kind = nullptr) {
    return event.fields[0] == name && (!kind || (event.fields.size() > 1 && event.fields[1] == kind));
}

// Inserts timed input lines, keeping the script in time order.
std::string WithEvents(const std::string& input, const std::vector<std::pair<long, std::string>>& events) {
    std::vector<std::pair<long, std::string>> lines;
    std::istringstream in(input);
    for (std::string line; std::getline(in, line);) lines.emplace_back(std::stol(line), line);
    for (const auto& [time, event] : events) {
        const auto at =
            std::upper_bound(lines.begin(), lines.end(), time, [](long t, const auto& line) { return t < line.first; });
        lines.insert(at, {time, std::to_string(time) + " " + event});
    }
    std::string out;
    for (const auto& line : lines) out += line.second + "\n";
    return out;
}

// The input without the tour's own snapshots: what a viewer would do.
std::string WithoutSnapshots(const std::string& input) {
    std::istringstream in(input);
    std::string out;
    for (std::string line; std::getline(in, line);)
        if (line.find(" snapshot ") == std::string::npos) out += line + "\n";
    return out;
}

}  // namespace

Explorer::Explorer(PlayerRunner& runner, std::filesystem::path outDir, Limits limits, int clientWidth, int clientHeight)
    : runner_(runner),
      outDir_(std::move(outDir)),
      limits_(limits),
      clientWidth_(clientWidth),
      clientHeight_(clientHeight) {}

std::vector<Choice> Explorer::ChoicesAt(const TraceEvent& wait) const {
    std::vector<Choice> choices;
    for (std::size_t i = 5; i < wait.fields.size(); ++i) {
        std::istringstream words(wait.fields[i]);
        long left = 0, top = 0, right = 0, bottom = 0;
        words >> left >> top >> right >> bottom;
        std::string action;
        std::getline(words >> std::ws, action);
        Choice choice{"hotspot " + std::to_string(i - 4), action, "", {}};
        // The middle of the part of the hotspot that is on the screen.
        const long x0 = std::max(left, 0L), x1 = std::min(right, long{clientWidth_} - 1);
        const long y0 = std::max(top, 0L), y1 = std::min(bottom, long{clientHeight_} - 1);
        if (x0 > x1 || y0 > y1) {
            choice.outcome.kind = OutcomeKind::OffScreen;
        } else {
            choice.input = "click " + std::to_string((x0 + x1) / 2) + " " + std::to_string((y0 + y1) / 2);
        }
        choices.push_back(choice);
    }
    if (wait.fields.size() > 4 && wait.fields[4] != "none") {
        const std::string& timeout = wait.fields[4];
        const std::size_t space = timeout.find(' ');
        choices.push_back({"timeout " + timeout.substr(0, space) + " ms",
                           space == std::string::npos ? "" : timeout.substr(space + 1),
                           "",
                           {}});
    }
    choices.push_back({"key", "-next", "key space", {}});
    return choices;
}

int Explorer::MovieOf(const std::string& folder, const std::string& name) {
    for (std::size_t i = 0; i < tour_.movies.size(); ++i)
        if (tour_.movies[i].folder == folder && tour_.movies[i].name == name) return static_cast<int>(i);
    tour_.movies.push_back({folder, name, false});
    return static_cast<int>(tour_.movies.size() - 1);
}

int Explorer::PlaceOf(const RunResult& run, const std::string& input) {
    const TraceEvent& wait = run.trace.back();
    Place place;
    place.folder = ".";
    for (const TraceEvent& event : run.trace) {
        if (Is(event, "dir") && event.fields.size() > 1) place.folder = event.fields[1];
        if (Is(event, "show", "still") && event.fields.size() > 2) place.still = event.fields[2];
        // The music in force: a faded-in piece replaces what played, others join it.
        if (Is(event, "music") && event.fields.size() > 2) {
            if (event.fields[2] == "fade") place.music.clear();
            const std::string piece = event.fields[1] + " (" + event.fields[2] + ")";
            if (std::find(place.music.begin(), place.music.end(), piece) == place.music.end())
                place.music.push_back(piece);
        }
    }
    place.firstLine = std::stoi(wait.fields[2]);
    place.lastLine = std::stoi(wait.fields[3]);
    const auto key = std::make_tuple(place.folder, place.firstLine, place.still);
    if (const auto known = placeIds_.find(key); known != placeIds_.end()) return known->second;
    place.time = wait.time;
    place.waitsBefore = WaitCount(run) - 1;
    place.input = WithoutSnapshots(input);
    place.choices = ChoicesAt(wait);
    const int id = static_cast<int>(tour_.places.size());
    tour_.places.push_back(std::move(place));
    placeIds_.emplace(key, id);
    return id;
}

void Explorer::SnapshotMovies(const std::string& input, int stopAtWait, long maxMs, const RunResult& run,
                              int waitsBefore, Outcome& outcome) {
    std::string folder = ".";
    std::vector<std::pair<long, std::string>> snapshots;
    for (std::size_t i = 0; i < run.trace.size(); ++i) {
        const TraceEvent& event = run.trace[i];
        if (Is(event, "dir") && event.fields.size() > 1) folder = event.fields[1];
        if (i < AfterWait(run, waitsBefore) || !Is(event, "show", "movie") || event.fields.size() < 3) continue;
        const int id = MovieOf(folder, event.fields[2]);
        outcome.movies.push_back(id);
        Movie& movie = tour_.movies[static_cast<std::size_t>(id)];
        if (movie.snapshots) continue;
        // Its frames are the presents up to whatever comes after it; each
        // is taken a millisecond after it showed, before the next.
        std::vector<long> frames;
        for (std::size_t j = i + 1; j < run.trace.size(); ++j) {
            const TraceEvent& next = run.trace[j];
            if (Is(next, "present")) {
                frames.push_back(next.time);
            } else if (Is(next, "show") || Is(next, "wait") || Is(next, "box") || Is(next, "dir") || Is(next, "exit") ||
                       Is(next, "limit")) {
                break;
            }
        }
        if (frames.empty()) continue;
        movie.snapshots = true;
        const std::string stem = (outDir_ / "movies" / std::to_string(id)).string();
        snapshots.emplace_back(frames.front() + 1, "snapshot " + stem + "-first.png");
        snapshots.emplace_back(frames.back() + 1, "snapshot " + stem + "-last.png");
    }
    if (snapshots.empty()) return;
    RunRequest request{WithEvents(input, snapshots), stopAtWait, maxMs, limits_.hang, {}};
    runner_.Run(request);
}

Outcome Explorer::Reach(std::string input, int waitsBefore, long from) {
    const long maxMs = from + limits_.branchMs;
    int stopAt = waitsBefore + 1;
    for (int pauses = 0;; ++pauses) {
        RunResult run = runner_.Run({input, stopAt, maxMs, limits_.hang, {}});
        Outcome outcome;
        const bool atPause = run.end == RunEnd::Stopped && Is(run.trace.back(), "wait", "pause");
        if (atPause && pauses < MaxPausesPerBranch) {
            input = WithEvents(input, {{run.trace.back().time + 1, "key space"}});
            ++stopAt;
            continue;
        }
        for (std::size_t i = AfterWait(run, waitsBefore); i < run.trace.size(); ++i) {
            const TraceEvent& event = run.trace[i];
            if (!Is(event, "box") || event.fields.size() < 5) continue;
            if (event.fields[3] == "Fatal Error" && outcome.box.empty()) {
                outcome.box = event.fields[4];
            } else {
                outcome.notices.push_back(event.fields[3] + ": " + event.fields[4]);
            }
        }
        SnapshotMovies(input, stopAt, maxMs, run, waitsBefore, outcome);
        outcome.input = WithoutSnapshots(input);
        if (!run.trace.empty()) outcome.endMs = run.trace.back().time;
        if (atPause || std::any_of(run.trace.begin(), run.trace.end(), [](const auto& e) { return Is(e, "limit"); })) {
            outcome.kind = OutcomeKind::Limit;
        } else if (run.end == RunEnd::Stopped) {
            outcome.kind = OutcomeKind::Place;
            outcome.place = PlaceOf(run, input);
        } else if (run.end == RunEnd::Crashed) {
            outcome.kind = OutcomeKind::Crash;
            outcome.status = run.status;
        } else if (run.end == RunEnd::Hung) {
            outcome.kind = OutcomeKind::Hang;
        } else {
            outcome.kind = outcome.box.empty() ? OutcomeKind::Exit : OutcomeKind::Fatal;
            outcome.status = run.status;
        }
        return outcome;
    }
}

void Explorer::NoteLimit(const std::string& limit) {
    if (std::find(tour_.limitsHit.begin(), tour_.limitsHit.end(), limit) == tour_.limitsHit.end())
        tour_.limitsHit.push_back(limit);
}

Tour Explorer::Explore(const std::function<void(const Progress&)>& progress) {
    const auto started = std::chrono::steady_clock::now();
    std::filesystem::create_directories(outDir_ / "places");
    std::filesystem::create_directories(outDir_ / "movies");
    tour_.start = Reach("", 0, 0);
    int branchesLeft = 0;
    for (std::size_t p = 0; p < tour_.places.size(); ++p) {
        bool pictured = false;
        for (std::size_t c = 0; c < tour_.places[p].choices.size(); ++c) {
            branchesLeft = 0;
            for (std::size_t q = p; q < tour_.places.size(); ++q)
                for (std::size_t d = q == p ? c : 0; d < tour_.places[q].choices.size(); ++d) ++branchesLeft;
            progress({static_cast<int>(tour_.places.size()), branchesLeft});
            Place& place = tour_.places[p];
            Choice& choice = place.choices[c];
            if (choice.outcome.kind == OutcomeKind::OffScreen) continue;
            if (tour_.branches >= limits_.maxBranches) {
                NoteLimit("branches");
                ++tour_.cut;
                continue;
            }
            if (std::chrono::steady_clock::now() - started > limits_.maxWall) {
                NoteLimit("wall time");
                ++tour_.cut;
                continue;
            }
            // Input due at the very millisecond the still began waiting may
            // reach whatever waited before it; a millisecond later it is the still's.
            const long at = place.time + 1;
            std::vector<std::pair<long, std::string>> events;
            // The place's picture is taken on the way to its first choice.
            if (!pictured)
                events.emplace_back(at, "snapshot " + (outDir_ / "places" / (std::to_string(p) + ".png")).string());
            pictured = true;
            if (!choice.input.empty()) events.emplace_back(at, choice.input);
            const std::string input = WithEvents(place.input, events);
            const int waitsBefore = place.waitsBefore + 1;
            const long from = place.time;
            ++tour_.branches;
            Outcome outcome = Reach(input, waitsBefore, from);
            if (outcome.kind == OutcomeKind::Limit) {
                ++tour_.cut;
                NoteLimit("virtual time");
            }
            tour_.places[p].choices[c].outcome = std::move(outcome);
        }
    }
    progress({static_cast<int>(tour_.places.size()), 0});
    return tour_;
}

}  // namespace tour
