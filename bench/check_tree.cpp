// SPDX-License-Identifier: GPL-3.0-or-later
// corvanta-check over a presentation of 1,000 folders and 10,000 media files
// (the goal: under 2 seconds). Every folder's script plays three movies with a
// companion sound, music, and four stills, one of which has its main colour
// on an entry the display keeps, so that its pixels are read and counted;
// its menu leads to nine folders below it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "check/check.h"
#include "support/bmp_writer.h"
#include "support/flc_writer.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int Folders = 1000;
constexpr int Branches = 9;

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string Picture(bool mainColourAtZero) {
    test::BmpFile file;
    file.width = 64;
    file.height = 48;
    const int colours = mainColourAtZero ? 256 : 16;
    for (int i = 0; i < colours; ++i) file.colours.push_back({static_cast<std::uint8_t>(i), 90, 160});
    if (mainColourAtZero) file.colours[0] = {0, 0, 128};
    file.clrUsed = static_cast<std::uint32_t>(colours % 256);
    std::vector<std::uint8_t> pixels(64 * 48);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i % 3 ? 0 : i % colours);
    file.pixels = test::PackRows(pixels, 64, 48, 8);
    return Text(file.Bytes());
}

std::string Movie() {
    flc::Movie movie;
    movie.width = 64;
    movie.height = 48;
    flc::Image previous(64 * 48, 1);
    movie.frames.push_back({{flc::Palette({{0, 0, 0}, {200, 0, 0}, {0, 200, 0}}), flc::ByteRun(previous, 64, 48)}});
    for (int frame = 1; frame < 8; ++frame) {
        flc::Image next = previous;
        for (int x = 0; x < 64; ++x) next[static_cast<std::size_t>(frame) * 64 + x] = 2;
        movie.frames.push_back({{flc::DeltaFlc(previous, next, 64, 48)}});
        previous = next;
    }
    return Text(flc::Encode(movie));
}

std::string Script(int folder) {
    std::string script =
        "music theme loop\nmovie intro\nmovie middle\nmovie outro\nrestart\nstill menu\ntimeout 30 -next\n";
    for (int child = folder * Branches + 1; child <= folder * Branches + Branches && child < Folders; ++child)
        script += "hotspot 0 0 31 23 -dir f" + std::to_string(child) + "\n";
    return script + "endstill\nstill one\nendstill\nstill two\nendstill\nstill navy\nendstill\nmusic song mix\n";
}

fs::path MakeTree() {
    const fs::path root = test::MakeTempDir("check-tree");
    const std::string picture = Picture(false), navy = Picture(true), movie = Movie();
    const std::string sound = Text(test::WavFile{}.Bytes());
    std::vector<fs::path> folders{root};
    for (int folder = 1; folder < Folders; ++folder)
        folders.push_back(folders[(folder - 1) / Branches] / ("f" + std::to_string(folder)));
    for (int folder = 0; folder < Folders; ++folder) {
        const fs::path& at = folders[folder];
        test::WriteFile(at / "sequence", Script(folder));
        for (const char* name : {"menu.bmp", "one.bmp", "two.bmp"}) test::WriteFile(at / name, picture);
        test::WriteFile(at / "navy.bmp", navy);
        for (const char* name : {"intro.flc", "middle.flc", "outro.flc"}) test::WriteFile(at / name, movie);
        for (const char* name : {"theme.wav", "song.wav", "intro.wav"}) test::WriteFile(at / name, sound);
    }
    return root;
}

void BM_CheckTree(benchmark::State& state) {
    static const fs::path root = MakeTree();
    std::size_t findings = 0;
    for (auto _ : state) {
        const check::TreeReport report = check::CheckTree(root);
        findings = report.findings.size();
        if (!report.error.empty()) state.SkipWithError(report.error.c_str());
    }
    // One finding a folder: the picture with its main colour on a kept entry.
    state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckTree)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
