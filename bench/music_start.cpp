// SPDX-License-Identifier: GPL-3.0-or-later
// What a MUSIC line costs before its music is heard: the sound manager
// finding the file, handing it to the audio library and starting the voice
// (headless, the real library), for PCM files from 1 KB to 2 GB and for
// 10 MB of MS and IMA ADPCM, and for PCM files on a CUE/BIN disc of raw
// sectors. The file is mapped, not read, or on a disc of raw sectors filled
// as it plays, and ADPCM is decoded as it plays, so none of it should grow
// with the file. The large PCM files are sparse: their data costs no disk
// space and reads as silence.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/disc_volume.h"
#include "sound/sound_class.h"
#include "support/disc_writer.h"
#include "support/player_run.h"

namespace {

struct MusicFile {
    const char* name;
    std::uint64_t bytes;   // PCM: the file's size
    const char* encoding;  // sox's name for an ADPCM encoding; null for PCM
};
constexpr MusicFile Files[] = {
    {"pcm1k", 1024, nullptr},        {"pcm10m", 10u << 20, nullptr}, {"pcm200m", 200u << 20, nullptr},
    {"pcm2g", 2000u << 20, nullptr}, {"msadpcm10m", 0, "ms-adpcm"},  {"imaadpcm10m", 0, "ima-adpcm"},
};

// 44.1 kHz 16-bit stereo, the RIFF and data sizes filled in, the data sparse.
void WriteSparsePcm(const std::filesystem::path& path, std::uint64_t bytes) {
    const auto le = [](std::uint32_t value) {
        return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    };
    const auto data = static_cast<std::uint32_t>(bytes - 44);
    std::ofstream(path, std::ios::binary)
        << "RIFF" << le(data + 36) << "WAVEfmt " << le(16) << std::string("\x01\x00\x02\x00", 4) << le(44100)
        << le(44100 * 4) << std::string("\x04\x00\x10\x00", 4) << "data" << le(data);
    std::filesystem::resize_file(path, bytes);
}

// About 10 MB of a 440 Hz tone at 44.1 kHz stereo in four bits a sample.
bool WriteAdpcm(const std::filesystem::path& path, const char* encoding) {
    const std::string command = "sox -r 44100 -n -c 2 -e " + std::string(encoding) + " '" + path.string() +
                                "' synth 237 sine 440 vol 0.5 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// Starts the music `file.name` (in the current folder) 20 times.
void MeasureStarts(benchmark::State& state, const MusicFile& file) {
    SoundClass sound;
    sound.Startup();
    if (!sound.IsEnabled()) {
        state.SkipWithError("no audio library");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool started = sound.StartMusic(file.name, 1, MusicMode::Mix, 0, 0, EntryKind::MusicFile);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!started || sound.PlayingCount() != 1) {
            state.SkipWithError("the music did not start");
            break;
        }
        sound.StopMusic();
    }
    state.SetLabel(file.name);
    sound.Shutdown();
}

void MusicStart(benchmark::State& state) {
    const MusicFile& file = Files[state.range(0)];
    static const std::filesystem::path folder = test::MakeTempDir("music-start");
    std::filesystem::current_path(folder);
    const std::string name = std::string(file.name) + ".wav";
    if (!std::filesystem::exists(name)) {
        if (file.encoding && !WriteAdpcm(name, file.encoding)) {
            state.SkipWithError("sox is not installed");
            return;
        }
        if (!file.encoding) WriteSparsePcm(name, file.bytes);
    }
    MeasureStarts(state, file);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(name)) / (1 << 20);
}

// The same PCM files on a CUE/BIN disc of raw sectors, which cannot be mapped.
void MusicStartOnRawDisc(benchmark::State& state) {
    const MusicFile& file = Files[state.range(0)];
    static const bool placed = [] {
        const std::filesystem::path work = test::MakeTempDir("music-start-disc");
        std::filesystem::create_directories(work / "tree");
        for (const MusicFile& pcm : Files)
            if (!pcm.encoding && pcm.bytes < (1ull << 30))
                WriteSparsePcm(work / "tree" / (std::string(pcm.name) + ".wav"), pcm.bytes);
        if (!test::MakeIso(work / "tree", work / "disc.iso", test::IsoNames::Joliet)) return false;
        test::WriteMixedModeDisc(work / "disc.iso", {}, work / "disc.cue", false);
        std::string error;
        std::shared_ptr disc = platform::DiscImage::Open((work / "disc.cue").string(), error);
        if (!disc) return false;
        platform::PlaceDisc(std::move(disc), {});
        return true;
    }();
    if (!placed) {
        state.SkipWithError("no disc image (xorriso)");
        return;
    }
    MeasureStarts(state, file);
}
// Each stop fades out over a second of virtual time, which the headless run
// renders: a few starts are enough.
BENCHMARK(MusicStart)
    ->DenseRange(0, std::size(Files) - 1)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
// Last: the disc, once in place, stays.
BENCHMARK(MusicStartOnRawDisc)->DenseRange(0, 2)->Iterations(20)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("CORVANTA_DRIVER", "headless", 1);
    unsetenv("CORVANTA_AUDIO_OUT");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
