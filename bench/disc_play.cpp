// SPDX-License-Identifier: GPL-3.0-or-later
// Playing from a disc image against playing from a folder: the time from the
// start to the first still on screen, a still's load, and the peak memory of
// a run, with the presentation on a 650 MB image.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/core/presentation_source.h"
#include "platform/core/session.h"
#include "still/slide_win.h"
#include "support/bmp_writer.h"
#include "support/disc_writer.h"
#include "support/fake_host.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t FillerBytes = 650ull << 20;

struct Fixture {
    fs::path folder, image, elsewhere;
};

// The presentation, and an image of it with 650 MB of other data beside it.
const Fixture& Made() {
    static const Fixture made = [] {
        setenv("CORVANTA_DRIVER", "headless", 0);
        Fixture fixture;
        const fs::path work = test::MakeTempDir("disc-bench");
        fixture.folder = work / "tree/DEMO";
        fixture.image = work / "disc.iso";
        fixture.elsewhere = work / "elsewhere";
        fs::create_directories(fixture.elsewhere);
        test::WriteFile(fixture.folder / "SEQUENCE", "music tone\nstill title\nendstill\n");
        test::MakeBmpWithTool("logo: -colors 256 -compress None", fixture.folder / "TITLE.BMP");
        const test::WavFile wav;
        test::WriteBytes(fixture.folder / "TONE.WAV", wav.ToneBytes(440, 22050 * 5));
        // Filler data in files of 100 MB, the most one file of level 1 holds.
        fs::create_directories(work / "tree/DATA");
        for (std::uintmax_t done = 0, n = 0; done < FillerBytes; done += 100 << 20, ++n) {
            const fs::path file = work / "tree/DATA" / ("FILL" + std::to_string(n) + ".BIN");
            std::ofstream(file) << "";
            fs::resize_file(file, std::min<std::uintmax_t>(100 << 20, FillerBytes - done));
        }
        if (!test::MakeIso(work / "tree", fixture.image, test::IsoNames::Level1)) std::abort();
        return fixture;
    }();
    return made;
}

// The run ends with the first still: escape is the first thing the viewer does.
test::PlayerRun Play(bool fromImage) {
    const Fixture& fixture = Made();
    test::PlayerOptions options;
    options.input = "100 key escape\n";
    if (fromImage) options.args = {fixture.image.string()};
    return test::RunPlayer(fromImage ? fixture.elsewhere : fixture.folder, options);
}

void BM_StartToFirstStill(benchmark::State& state) {
    const bool fromImage = state.range(0) != 0;
    Made();
    long peakKb = 0;
    for (auto _ : state) {
        const test::PlayerRun run = Play(fromImage);
        if (run.exitCode != 0 || run.Events("show").empty()) state.SkipWithError("the still was not shown");
        peakKb = std::max(peakKb, run.peakKb);
    }
    state.SetLabel(fromImage ? "650 MB image" : "folder");
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024;
}
BENCHMARK(BM_StartToFirstStill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A still's load in the player's process, from the folder or the image.
void BM_StillLoad(benchmark::State& state) {
    const bool fromImage = state.range(0) != 0;
    const Fixture& fixture = Made();
    platform::FreshSession session;
    std::string error;
    const fs::path start = fs::current_path();
    if (!platform::EnterPresentation(fromImage ? fixture.image.string() : fixture.folder.string(), error))
        state.SkipWithError(error.c_str());
    test::FakeHost host;
    for (auto _ : state) {
        DSlideWin slide(nullptr, "title.bmp", host);
        if (!slide.Palette()) state.SkipWithError("the picture did not load");
    }
    fs::current_path(start);
    state.SetLabel(fromImage ? "650 MB image" : "folder");
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_StillLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
