// SPDX-License-Identifier: GPL-3.0-or-later
#include "tour/tour_recording.h"

#include "record/joiner.h"
#include "record/progress.h"
#include "tour/report.h"

namespace tour {
namespace {

constexpr long HoldMs = 1000;

bool Followable(const Outcome& outcome) {
    return outcome.kind == OutcomeKind::Place || outcome.kind == OutcomeKind::Exit ||
           outcome.kind == OutcomeKind::Fatal;
}

Branch BranchTo(const Outcome& outcome, std::string title, long fromMs) {
    const long toMs = outcome.endMs + (outcome.kind == OutcomeKind::Place ? HoldMs : 0);
    return {std::move(title), outcome.input, fromMs, toMs};
}

// The player's own line about the recording, without its name.
std::string PlayerSaid(const RunResult& run) {
    const std::string prefix = "corvanta: ";
    const std::size_t at = run.messages.rfind(prefix);
    if (at == std::string::npos) return {};
    return run.messages.substr(at + prefix.size(), run.messages.find('\n', at) - at - prefix.size());
}

}  // namespace

std::vector<Branch> BranchesOf(const Tour& tour) {
    std::vector<Branch> branches;
    if (Followable(tour.start)) branches.push_back(BranchTo(tour.start, "start", 0));
    for (const Place& place : tour.places)
        for (const Choice& choice : place.choices)
            if (Followable(choice.outcome))
                branches.push_back(BranchTo(choice.outcome, PlaceName(place) + ", " + choice.label, place.time));
    return branches;
}

bool RecordTour(const std::vector<Branch>& branches, PlayerRunner& runner, const record::Container& container,
                const record::RecordOptions& options, const std::filesystem::path& workDir,
                std::chrono::milliseconds wallLimit, std::string& error) {
    record::Joiner joiner(container, options.file, options.fps);
    record::ProgressLine progress;
    std::uint64_t expectedMs = 0;
    for (const Branch& branch : branches) expectedMs += static_cast<std::uint64_t>(branch.toMs - branch.fromMs);
    // Each branch is recorded whole, losslessly and at each change; the
    // joiner takes its stretch at the rate asked.
    const std::filesystem::path part = workDir / "branch.mkv";
    for (const Branch& branch : branches) {
        // The time limit ends a branch that ends at a still; the joiner cuts at its end.
        RunRequest request{branch.input, 0, branch.toMs + 1, wallLimit, {"--record", part.string()}};
        if (options.size) {
            // Placed in the size the target takes (sides made even for 4:2:0), as the recorder places it.
            platform::Size size = *options.size;
            if (!container.lossless) size = {size.width + (size.width & 1), size.height + (size.height & 1)};
            request.arguments.insert(request.arguments.end(),
                                     {"--size", std::to_string(size.width) + "x" + std::to_string(size.height)});
        }
        const RunResult run = runner.Run(request);
        std::error_code ignored;
        if (!std::filesystem::exists(part, ignored)) {
            const std::string said = PlayerSaid(run);
            error = "the branch " + branch.title + " could not be recorded" + (said.empty() ? "" : ": " + said);
            return false;
        }
        const bool added = joiner.Add({part.string(), branch.title, static_cast<std::uint64_t>(branch.fromMs),
                                       static_cast<std::uint64_t>(branch.toMs)});
        std::filesystem::remove(part, ignored);
        if (!added) {
            error = joiner.Error();
            return false;
        }
        progress.Show(joiner.Ms(), joiner.Frames(), expectedMs, false);
    }
    if (!joiner.Finish()) {
        error = joiner.Error();
        return false;
    }
    progress.Show(joiner.Ms(), joiner.Frames(), expectedMs, true);
    return true;
}

}  // namespace tour
