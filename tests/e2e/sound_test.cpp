// SPDX-License-Identifier: GPL-3.0-or-later
// Sound end to end: what a MUSIC line starts is heard in the headless mix at
// the virtual time its voice started, for the length of its file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "support/mix_file.h"
#include "support/player_run.h"

namespace fs = std::filesystem;

namespace {

TEST(Sound, MusicIsMixedAtItsStartTimeForItsLength) {
    const fs::path root = test::MakeTempDir("music-mix");
    if (!test::WriteTone(root / "tone.wav", "1.0")) GTEST_SKIP() << "sox is not installed";
    test::WriteFile(root / "sequence", "pause\nmusic TONE.mid\npause\n");

    test::PlayerOptions options;
    options.input = "1000 key space\n3000 key escape\n";
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();

    // The name's extension gives way to .wav, and the voice starts after the key.
    long started = -1;
    for (const auto& line : run.Events("sound"))
        if (line.fields.size() > 1 && line.fields[1] == "start") started = line.time;
    ASSERT_GE(started, 1000) << run.Dump();

    const test::Mix mix = test::ReadMix(root / "mix.wav");
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
    if (!test::WriteTone(root / "tone.wav", "0.5")) GTEST_SKIP() << "sox is not installed";
    test::WriteFile(root / "sequence", "music tone\npause\n");
    test::PlayerOptions options;
    options.env["CORVANTA_AUDIO_OUT"] = (root / "mix.wav").string();
    options.env["CORVANTA_MAX_MS"] = "1500";
    const test::PlayerRun run = test::RunPlayer(root, options);
    ASSERT_EQ(run.exitCode, 3) << run.Dump();
    // The header's data size counts the whole run, up to the limit.
    const test::Mix mix = test::ReadMix(root / "mix.wav");
    ASSERT_GT(mix.channels, 0);
    EXPECT_EQ(mix.samples.size() / mix.channels, 1500u * mix.rate / 1000);
    EXPECT_EQ(fs::file_size(root / "mix.wav"), 44 + mix.samples.size() * 2);
}

TEST(Sound, TheTraceNamesEachRequestThatFoundItsFileOrTrack) {
    const fs::path root = test::MakeTempDir("music-trace");
    fs::create_directories(root / "cd");
    for (const fs::path& file : {root / "tone.wav", root / "cd" / "track01.wav", root / "autodigitalaudio.wav"})
        if (!test::WriteTone(file, "0.2")) GTEST_SKIP() << "sox is not installed";
    // No track 7 and no file "missing": those two lines name nothing. A song
    // request needs a word that is not an option.
    test::WriteFile(root / "sequence",
                    "music cdaudio t7\nmusic missing\nmusic tone wait\nmusic AutoDigitalAudio wait\n"
                    "music cdaudio t1 mix\nmusic TONE.mid mix\nexit\n");
    test::PlayerOptions options;
    options.env["CORVANTA_CDROM"] = (root / "cd").string();
    const test::PlayerRun run = test::RunPlayer(root, options);
    std::vector<std::string> trace;
    for (const auto& line : run.trace) trace.push_back(line.Text());
    EXPECT_EQ(trace, (std::vector<std::string>{"present\tfd15e9aa", "music\ttone.wav\twait",
                                               "music\tAutoDigitalAudio.wav\twait", "music\tcdaudio t1\tmix",
                                               "sound\tcdplay\t150\t165", "music\tTONE.wav\tmix", "sound\tstart\t4",
                                               // the run's end fades the music out; the short tone ends meanwhile
                                               "sound\tvolume\t4\t238", "sound\tvolume\t4\t221",
                                               "sound\tvolume\t4\t204", "sound\tend\t4", "exit\t0"}))
        << run.Dump();
}

TEST(Sound, MissingMusicFileIsSilent) {
    const fs::path root = test::MakeTempDir("music-missing");
    test::WriteFile(root / "sequence", "music nothing\nmusic\n");
    const test::PlayerRun run = test::RunPlayer(root);
    // No sound and no box for the missing file; the name-less line is fatal.
    EXPECT_TRUE(run.Events("sound").empty()) << run.Dump();
    EXPECT_TRUE(run.ContainsInOrder({"box\tnone\t0x30\tFatal Error\tMUSIC command malformed.", "exit\t1"}))
        << run.Dump();
}

}  // namespace
