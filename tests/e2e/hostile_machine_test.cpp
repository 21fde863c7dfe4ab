// SPDX-License-Identifier: GPL-3.0-or-later
// The machine is unkind and the presentation runs for days: directory levels
// that are never left cost next to nothing; output that cannot be written is
// said once and changes nothing else; a signal ends a headless run as Escape
// does.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <csignal>
#include <fstream>

#include "support/bmp_writer.h"
#include "support/kiosk.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace fs = std::filesystem;

namespace {

TEST(Levels, AHundredThousandLevelsCostNextToNoMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "under AddressSanitizer the resident size is the sanitizer's, and the run is too slow";
#endif
    const auto root = test::MakeTempDir("levels");
    test::WriteKiosk(root);
    const test::PlayerRun few = test::RunKiosk(root, 10'000);
    const test::PlayerRun many = test::RunKiosk(root, 100'000'000);
    ASSERT_EQ(few.exitCode, 3);
    ASSERT_EQ(many.exitCode, 3);
    // At 64 bytes a level, 6.4 MB; a path a level would be hundreds.
    EXPECT_LT(many.peakKb - few.peakKb, 6'400) << few.peakKb << " KB, then " << many.peakKb << " KB";
}

// ---------------------------------------------------------------- output that fails

// A small tmpfs of its own, or the test is skipped (mounting needs root).
class Tmpfs {
public:
    Tmpfs(const fs::path& at, unsigned long flags, std::uintmax_t fill = 0) : at_(at) {
        fs::create_directories(at);
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", flags & ~MS_RDONLY, "size=64k") == 0;
        if (mounted_ && fill) {
            std::ofstream(at / "filler", std::ios::binary) << std::string(fill, 'x');
        }
        if (mounted_ && (flags & MS_RDONLY))
            mounted_ = ::mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~Tmpfs() { ::umount(at_.c_str()); }
    bool Mounted() const { return mounted_; }

private:
    fs::path at_;
    bool mounted_ = false;
};

std::uint64_t HeaderDataBytes(const fs::path& wav) {
    std::ifstream in(wav, std::ios::binary);
    std::uint8_t bytes[44] = {};
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    return bytes[40] | bytes[41] << 8 | bytes[42] << 16 | std::uint64_t{bytes[43]} << 24;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Lines(const test::PlayerRun& run) {
    std::vector<std::string> lines;
    for (const auto& line : run.trace) lines.push_back(std::to_string(line.time) + "\t" + line.Text());
    return lines;
}

// Three tones, each traced as it starts and ends, three seconds of render.
fs::path WriteTones(const fs::path& root) {
    test::WriteFile(root / "sequence", "music a mix\nmusic b mix\nmusic c wait\npause\n");
    const test::WavFile wav;
    for (const char* name : {"a", "b", "c"})
        test::WriteBytes(root / (std::string(name) + ".wav"), wav.ToneBytes(440, 22050));
    return root;
}

struct OutputCase {
    const char* name;
    const char* failing;  // "trace" or "render"
    unsigned long flags;  // of the tmpfs; none: a folder that is not there
    std::uintmax_t fill;
    const char* said;
};

TEST(FailingOutput, IsSaidOnceAndTheRunGoesOnUnchanged) {
    const fs::path root = WriteTones(test::MakeTempDir("failing-output"));
    const fs::path good = test::MakeTempDir("failing-output-good");
    test::PlayerOptions options;
    options.input = "5000 key escape\n";
    options.env = {{"CORVANTA_AUDIO_OUT", (good / "out.wav").string()}};
    const test::PlayerRun reference = test::RunPlayer(root, options);
    ASSERT_EQ(reference.Events("sound").size(), 6u) << reference.Dump();
    const std::string referenceRender = ReadAll(good / "out.wav");

    const OutputCase cases[] = {
        {"RenderInAMissingFolder", "render", 0, 0, "No such file or directory"},
        {"RenderInAReadOnlyFolder", "render", MS_RDONLY, 0, "Read-only file system"},
        {"RenderOnAFullDisk", "render", MS_NOSUID, 0, "No space left on device"},
        {"TraceInAReadOnlyFolder", "trace", MS_RDONLY, 0, "Read-only file system"},
        {"TraceOnAFullDisk", "trace", MS_NOSUID, 64 * 1024, "No space left on device"},
    };
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path where = test::MakeTempDir(std::string("failing-") + c.name) / "mount";
        std::optional<Tmpfs> tmpfs;
        if (c.flags) {
            tmpfs.emplace(where, c.flags, c.fill);
            if (!tmpfs->Mounted()) {
                std::cout << c.name << ": skipped, a tmpfs cannot be mounted here\n";
                continue;
            }
        }
        const bool render = std::string(c.failing) == "render";
        const fs::path failing = where / (render ? "out.wav" : "trace.txt");
        test::PlayerOptions run = options;
        run.env[render ? "CORVANTA_AUDIO_OUT" : "CORVANTA_TRACE"] = failing.string();
        const fs::path kept = test::MakeTempDir(std::string("failing-kept-") + c.name);
        if (!render) run.env["CORVANTA_AUDIO_OUT"] = (kept / "out.wav").string();
        const test::PlayerRun played = test::RunPlayer(root, run);

        EXPECT_EQ(played.stdErr, "corvanta: " + std::string(render ? "audio output " : "trace ") + failing.string() +
                                     ": " + c.said + "\n");
        EXPECT_EQ(played.exitCode, 0);
        if (render) {
            EXPECT_EQ(Lines(played), Lines(reference));
            if (fs::exists(failing)) {
                EXPECT_EQ(HeaderDataBytes(failing) + 44, fs::file_size(failing));
            }
        } else {
            EXPECT_EQ(ReadAll(kept / "out.wav"), referenceRender);
            const std::string trace = fs::exists(failing) ? ReadAll(failing) : "";
            EXPECT_TRUE(trace.empty() || trace.back() == '\n') << "cut mid-line";
        }
    }
}

// ---------------------------------------------------------------- signals

TEST(Signals, EndAHeadlessRunAsEscapeDoesWithTheSignalsStatus) {
    const fs::path root = test::MakeTempDir("signals");
    test::WriteKiosk(root);
    test::WriteFile(root / "sequence", "music tone loop\nstill a\ntimeout 1 -dir sub\nendstill\n");
    test::WriteBytes(root / "tone.wav", test::WavFile{}.ToneBytes(440, 22050));
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        test::PlayerOptions options;
        const fs::path render = test::MakeTempDir("signals-" + std::to_string(signal)) / "out.wav";
        options.env = {
            {"CORVANTA_CLIENT", "16x16"}, {"CORVANTA_MAX_MS", "4000000000"}, {"CORVANTA_AUDIO_OUT", render.string()}};
        options.signal = signal;
        options.signalAfterMs = 300;
        options.killAfterSeconds = 60;
        const test::PlayerRun run = test::RunPlayer(root, options);
        EXPECT_EQ(run.exitCode, 128 + signal);
        ASSERT_FALSE(run.trace.empty());
        EXPECT_EQ(run.trace.back().Text(), "exit\t" + std::to_string(128 + signal));
        EXPECT_GT(run.trace.back().time, 0);
        EXPECT_EQ(HeaderDataBytes(render) + 44, fs::file_size(render));
    }
}

}  // namespace
