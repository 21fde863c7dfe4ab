// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-tour PRESENTATION OUTDIR: plays a presentation headless branch by
// branch with the player beside this program, and writes what it found.
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "tour/explorer.h"
#include "tour/named_media.h"
#include "tour/report.h"
#include "tour/tour_recording.h"

namespace {

constexpr const char* Usage =
    "usage: corvanta-tour [--max-branches N] [--branch-seconds S] [--max-seconds S]\n"
    "                     [--hang-seconds S] [--record FILE [--fps N] [--size WxH]] PRESENTATION OUTDIR\n"
    "Plays PRESENTATION (a folder, disc image or drive) headless, tries every hotspot, the timeout and a key\n"
    "at every still, and writes snapshots, tour.json and index.html (the map) to OUTDIR.\n"
    "  --max-branches N    choices to try at most (10000)\n"
    "  --branch-seconds S  virtual time a branch may take to reach the next still (300)\n"
    "  --max-seconds S     wall time of the whole tour (600)\n"
    "  --hang-seconds S    wall time after which a branch counts as hung (20)\n"
    "  --record FILE       also records the branches one after the other as one video (.mkv, .mp4 or\n"
    "                      .webm), a chapter for each; --fps N and --size WxH as corvanta --record takes them\n";

bool Number(const char* text, long& value) {
    const char* end = text + std::char_traits<char>::length(text);
    return std::from_chars(text, end, value).ptr == end && value > 0;
}

std::pair<int, int> ClientSize() {
    int width = 640, height = 480;
    if (const char* client = std::getenv("CORVANTA_CLIENT")) std::sscanf(client, "%dx%d", &width, &height);
    return {width, height};
}

// Lines FIRST to LAST of the script of each place.
std::vector<tour::ScriptLines> ScriptsOf(const tour::Tour& tour, const std::filesystem::path& root) {
    std::vector<tour::ScriptLines> scripts;
    for (const tour::Place& place : tour.places) {
        tour::ScriptLines lines;
        std::ifstream in(root / place.folder / "sequence");
        int number = 0;
        for (std::string line; std::getline(in, line) && ++number <= place.lastLine;) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (number >= place.firstLine) lines.push_back(line);
        }
        scripts.push_back(lines);
    }
    return scripts;
}

// Takes the tour's own options into `limits` and the rest into `positional`;
// the exit status when the program ends here.
std::optional<int> TakeOptions(int argc, char** argv, tour::Limits& limits, std::vector<std::string>& positional) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long value = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            return 0;
        }
        if (arg.rfind("--", 0) == 0 && (i + 1 >= argc || !Number(argv[i + 1], value))) {
            std::cerr << "corvanta-tour: " << arg << " needs a positive number\n" << Usage;
            return 2;
        }
        if (arg == "--max-branches") {
            limits.maxBranches = static_cast<int>(value), ++i;
        } else if (arg == "--branch-seconds") {
            limits.branchMs = value * 1000, ++i;
        } else if (arg == "--max-seconds") {
            limits.maxWall = std::chrono::seconds(value), ++i;
        } else if (arg == "--hang-seconds") {
            limits.hang = std::chrono::seconds(value), ++i;
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "corvanta-tour: unknown option " << arg << "\n" << Usage;
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        std::cerr << Usage;
        return 2;
    }
    return std::nullopt;
}

// The container of a recording asked for, its file made absolute; false, after
// saying why, when the recording cannot be made.
bool CheckRecording(record::RecordArguments& recording, std::optional<record::Container>& container) {
    if (recording.error.empty() && recording.options && !recording.options->input.empty())
        recording.error = "--input is not taken: the tour gives each branch its own";
    if (recording.error.empty() && recording.options)
        container = record::RecordingTarget(recording.options->file, recording.error);
    if (!recording.error.empty()) {
        std::cerr << "corvanta-tour: " << recording.error << "\n";
        return false;
    }
    if (recording.options) recording.options->file = std::filesystem::absolute(recording.options->file).string();
    return true;
}

struct TourPaths {
    std::string presentation;
    bool folder = false;
    std::filesystem::path root;    // the folder or disc image
    std::filesystem::path outDir;  // with "work" made in it
};

// The presentation and the output folder, both absolute; none, after saying why,
// when either cannot be used.
std::optional<TourPaths> PathsOf(const std::vector<std::string>& positional) {
    std::error_code error;
    TourPaths paths;
    paths.presentation = positional[0];
    // A disc image may name a folder inside it after a colon.
    const std::filesystem::path source = paths.presentation.substr(0, paths.presentation.find(":/"));
    if (!std::filesystem::exists(source, error)) {
        std::cerr << "corvanta-tour: cannot open " << paths.presentation << ": no such file or folder\n";
        return std::nullopt;
    }
    paths.folder = std::filesystem::is_directory(source, error);
    paths.root = std::filesystem::absolute(source);
    paths.outDir = std::filesystem::absolute(positional[1]);
    std::filesystem::create_directories(paths.outDir / "work", error);
    if (error) {
        std::cerr << "corvanta-tour: cannot write " << paths.outDir.string() << ": " << error.message() << "\n";
        return std::nullopt;
    }
    return paths;
}

void PrintSummary(const tour::Tour& found, const tour::Coverage& coverage, int runs, double seconds) {
    std::printf("%d places, %d choices tried, %d cut by a limit, %d runs of the player, %.1f s\n", coverage.places,
                coverage.choices, coverage.cut, runs, seconds);
    if (coverage.unreached)
        std::printf("named but never reached: %zu stills, %zu movies, %zu folders\n", coverage.unreached->stills.size(),
                    coverage.unreached->movies.size(), coverage.unreached->folders.size());
    for (const std::string& limit : found.limitsHit) std::printf("stopped by the %s limit\n", limit.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    record::RecordArguments recording = record::TakeRecordArguments(argc, argv);
    std::optional<record::Container> container;
    if (!CheckRecording(recording, container)) return 2;
    argc = static_cast<int>(recording.rest.size());
    argv = recording.rest.data();

    tour::Limits limits;
    std::vector<std::string> positional;
    if (const std::optional<int> status = TakeOptions(argc, argv, limits, positional)) return *status;
    const std::optional<TourPaths> paths = PathsOf(positional);
    if (!paths) return 2;
    const auto& [presentation, folder, root, outDir] = *paths;
    std::error_code error;
    const std::filesystem::path player = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "corvanta";
    const std::string target = folder ? root.string() : std::filesystem::absolute(presentation).string();
    tour::PlayerRunner runner(player, target, outDir / "work");
    const auto [width, height] = ClientSize();
    tour::Explorer explorer(runner, outDir, limits, width, height);

    const auto started = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(); };
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    const tour::Tour found = explorer.Explore([&](const tour::Progress& progress) {
        if (!terminal) return;
        std::printf("\rplaces %d, branches left %d, %.1f s   ", progress.places, progress.branchesLeft, elapsed());
        std::fflush(stdout);
    });
    if (terminal) std::printf("\n");
    // The player could not open it at all: it said why in one line.
    if (found.places.empty() && found.start.kind == tour::OutcomeKind::Exit && found.start.status == 2) {
        std::filesystem::remove_all(outDir / "work", error);
        std::cerr << "corvanta-tour: cannot open " << presentation << "\n";
        return 2;
    }

    const tour::Coverage coverage =
        tour::CoverageOf(found, folder ? std::optional<tour::Named>(tour::NamedIn(root)) : std::nullopt);
    tour::WriteInputs(found, outDir);
    tour::WriteJson(found, coverage, outDir / "tour.json");
    std::string mapError;
    const bool mapped = tour::WriteMap(
        found, coverage, folder ? ScriptsOf(found, root) : std::vector<tour::ScriptLines>{}, outDir, mapError);

    std::string recordError;
    const bool recorded =
        !recording.options || tour::RecordTour(tour::BranchesOf(found), runner, *container, *recording.options,
                                               outDir / "work", limits.hang * 3, recordError);
    std::filesystem::remove_all(outDir / "work", error);
    if (!recorded) {
        std::cerr << "corvanta-tour: cannot record to " << recording.options->file << ": " << recordError << "\n";
        return 2;
    }
    // A recording's progress is all its standard output says.
    if (!recording.options) PrintSummary(found, coverage, runner.Runs(), elapsed());
    if (!mapped) std::fprintf(stderr, "corvanta-tour: no map: %s\n", mapError.c_str());
    return 0;
}
