// Sound end to end: what a MUSIC line starts is heard in the headless mix at
// the virtual time its voice started, for the length of its file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

struct Mix {
    std::uint32_t rate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;
    std::vector<std::int16_t> samples;  // interleaved, 16-bit output assumed
};

Mix ReadMix(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    Mix mix;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, &bytes[at + 4], 4);
        const std::string id(&bytes[at], 4);
        if (id == "fmt " && at + 24 <= bytes.size()) {
            std::memcpy(&mix.channels, &bytes[at + 10], 2);
            std::memcpy(&mix.rate, &bytes[at + 12], 4);
            std::memcpy(&mix.bits, &bytes[at + 22], 2);
        } else if (id == "data") {
            const std::size_t count = std::min<std::size_t>(size, bytes.size() - at - 8) / 2;
            mix.samples.resize(count);
            std::memcpy(mix.samples.data(), &bytes[at + 8], count * 2);
        }
        at += 8 + size + (size & 1);
    }
    return mix;
}

std::string Dump(const test::PlayerRun& run) {
    std::string text;
    for (const auto& line : run.trace) text += std::to_string(line.time) + "\t" + line.Text() + "\n";
    return text + run.stdErr;
}

// A sine tone written by sox, the tool nobody here wrote; false without sox.
bool WriteTone(const fs::path& file, const char* seconds) {
    const std::string command =
        "sox -n -r 44100 -c 2 -b 16 " + file.string() + " synth " + seconds + " sine 440 vol 0.5 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

TEST(Sound, MusicIsMixedAtItsStartTimeForItsLength) {
    const fs::path root = test::MakeTempDir("music-mix");
    if (!WriteTone(root / "tone.wav", "1.0")) GTEST_SKIP() << "sox is not installed";
    test::WriteFile(root / "sequence", "pause\nmusic TONE.mid\npause\n");

    test::PlayerOptions options;
    options.input = "1000 key space\n3000 key escape\n";
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << Dump(run);

    // The name's extension gives way to .wav, and the voice starts after the key.
    long started = -1;
    for (const auto& line : run.Events("sound"))
        if (line.fields.size() > 1 && line.fields[1] == "start") started = line.time;
    ASSERT_GE(started, 1000) << Dump(run);

    const Mix mix = ReadMix(root / "mix.wav");
    ASSERT_EQ(mix.bits, 16);
    ASSERT_GT(mix.channels, 0);
    std::size_t first = mix.samples.size(), last = 0;
    for (std::size_t i = 0; i < mix.samples.size(); ++i) {
        if (std::abs(mix.samples[i]) > 64) {
            first = std::min(first, i);
            last = i;
        }
    }
    ASSERT_LT(first, mix.samples.size()) << "nothing was heard";
    const double startMs = 1000.0 * static_cast<double>(first / mix.channels) / mix.rate;
    const double lengthMs = 1000.0 * static_cast<double>((last - first) / mix.channels) / mix.rate;
    EXPECT_NEAR(startMs, static_cast<double>(started), 2.0);
    EXPECT_NEAR(lengthMs, 1000.0, 3.0);
}

TEST(Sound, MixFileIsCompleteAfterTheTimeLimitEndsTheRun) {
    const fs::path root = test::MakeTempDir("music-limit");
    if (!WriteTone(root / "tone.wav", "0.5")) GTEST_SKIP() << "sox is not installed";
    test::WriteFile(root / "sequence", "music tone\npause\n");
    test::PlayerOptions options;
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    options.env["CORVANTA_MAX_MS"] = "1500";
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 3) << Dump(run);
    // The header's data size counts the whole run, up to the limit.
    const Mix mix = ReadMix(root / "mix.wav");
    ASSERT_GT(mix.channels, 0);
    EXPECT_EQ(mix.samples.size() / mix.channels, 1500u * mix.rate / 1000);
    EXPECT_EQ(fs::file_size(root / "mix.wav"), 44 + mix.samples.size() * 2);
}

TEST(Sound, MissingMusicFileIsSilent) {
    const fs::path root = test::MakeTempDir("music-missing");
    test::WriteFile(root / "sequence", "music nothing\nmusic\n");
    const test::PlayerRun run = test::RunPlayer(root);
    // No sound and no box for the missing file; the name-less line is fatal.
    EXPECT_TRUE(run.Events("sound").empty()) << Dump(run);
    EXPECT_TRUE(run.ContainsInOrder({"box\tnone\t0x30\tFatal Error\tMUSIC command malformed.", "exit\t1"})) << Dump(run);
}

}  // namespace
