// SPDX-License-Identifier: GPL-3.0-or-later
// The CD drive: a folder of track files or a CUE sheet with BIN images or
// WAV files, in the layouts rippers write.
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "audio_test_support.h"

namespace audtest {
namespace {

constexpr AUD_HANDLE NoCd = 0;

struct TrackInfo {
    std::uint32_t start;
    std::uint32_t end;
    bool operator==(const TrackInfo&) const = default;
};

std::vector<TrackInfo> Tracks(AUD_HANDLE cd) {
    std::vector<TrackInfo> tracks;
    for (std::uint32_t track = 1; track <= AUD_redbook_tracks(cd); ++track) {
        TrackInfo info{};
        AUD_redbook_track_info(cd, track, &info.start, &info.end);
        tracks.push_back(info);
    }
    return tracks;
}

void WriteText(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

// A BIN image whose every CD frame holds its own number: left 10 x n, right -10 x n.
std::vector<std::uint8_t> NumberedFrames(std::uint32_t frames) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        const auto left = static_cast<std::uint16_t>(10 * frame);
        const auto right = static_cast<std::uint16_t>(-10 * static_cast<int>(frame));
        for (int i = 0; i < 588; ++i) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(left >> 8),
                                       static_cast<std::uint8_t>(right), static_cast<std::uint8_t>(right >> 8)});
        }
    }
    return bytes;
}

TEST_F(AudioTest, NoCdWithoutAUsableSetting) {
    const auto empty = dir_ / "empty";
    std::filesystem::create_directory(empty);
    WriteText(dir_ / "notes.txt", "track01.wav");
    WriteText(dir_ / "broken.cue", "FILE \"missing.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const std::vector<std::pair<const char*, std::string>> settings = {
        {"no setting", ""},
        {"missing path", (dir_ / "nowhere").string()},
        {"folder without tracks", empty.string()},
        {"not a CUE sheet", (dir_ / "notes.txt").string()},
        {"CUE sheet without its BIN", (dir_ / "broken.cue").string()},
    };
    for (const auto& [name, setting] : settings) {
        setenv("CORVANTA_CDROM", setting.c_str(), 1);
        EXPECT_EQ(AUD_redbook_open(0), NoCd) << name;
    }
    EXPECT_EQ(AUD_redbook_tracks(1), 0u);
    EXPECT_EQ(AUD_redbook_status(1), 0u);
}

TEST_F(AudioTest, TrackFolderPlaysItsTracksBackToBack) {
    const auto disc = dir_ / "disc";
    std::filesystem::create_directory(disc);
    WriteBytes(disc / "track01.wav", WavImage(Constant(1000, 22050)));             // 0.5 s
    WriteBytes(disc / "TRACK02.WAV", WavImage(Constant(-2000, 22050, 22050, 1)));  // 1 s, mono
    WriteBytes(disc / "track04.wav", WavImage(Constant(3000, 4410)));              // 0.1 s
    WriteText(disc / "track05.wav", "not a sound");
    setenv("CORVANTA_CDROM", disc.c_str(), 1);
    const AUD_HANDLE cd = AUD_redbook_open(0);
    ASSERT_NE(cd, NoCd);
    EXPECT_EQ(Tracks(cd), (std::vector<TrackInfo>{{150, 188}, {188, 263}, {0, 0}, {263, 271}, {0, 0}}));

    OpenOutput();
    SetNow(100);
    EXPECT_EQ(AUD_redbook_play(cd, 188, 263), 1u);
    EXPECT_EQ(AUD_redbook_status(cd), 1u);
    SetNow(600);
    EXPECT_NEAR(AUD_redbook_position(cd), 188 + 37, 1);
    SetNow(1100);
    EXPECT_EQ(AUD_redbook_status(cd), 0u);
    EXPECT_EQ(AUD_redbook_play(cd, 150, 271), 1u) << "a range over several tracks";
    SetNow(3000);
    const WavFile out = Finish();
    const auto at = [&](std::uint32_t ms) { return out.pcm.samples[std::size_t{ms} * 441 / 10 * 2]; };
    // Track 2 is resampled, which rings for a moment after its onset and may
    // ripple a little; ranges fade out over their last 5 ms.
    const std::vector<std::pair<std::uint32_t, std::int16_t>> expected = {
        {99, 0},       {102, -2000},  {1090, -2000}, {1101, 1000}, {1599, 1000},
        {1605, -2000}, {2595, -2000}, {2605, 3000},  {2690, 3000}, {2705, 0}};
    for (const auto& [ms, value] : expected) EXPECT_NEAR(at(ms), value, 10) << ms << " ms";
    EXPECT_EQ(TakeTrace(), (std::vector<std::string>{"sound\tcdplay\t188\t263", "sound\tcdplay\t150\t271"}));
}

struct DiscFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

struct LayoutCase {
    const char* name;
    std::vector<DiscFile> files;  // in the disc's folder
    std::string sheet;            // its CUE sheet, "" for a folder of track files
    std::vector<TrackInfo> tracks;
    std::uint32_t play;   // the track played
    std::int16_t at1000;  // its left sample 1000 frames in
    std::size_t frames;   // how long it plays at 44.1 kHz
};

std::vector<std::uint8_t> Wav(std::int16_t value, double seconds, std::uint32_t rate = 44100,
                              std::uint16_t channels = 2) {
    return WavImage(Constant(value, static_cast<std::size_t>(seconds * rate), rate, channels));
}

class CdLayout : public AudioTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(CdLayout, TracksLieWhereTheLayoutPutsThemAndPlayFromTheirFiles) {
    const LayoutCase& c = GetParam();
    const auto disc = dir_ / "disc";
    std::filesystem::create_directory(disc);
    for (const DiscFile& file : c.files) WriteBytes(disc / file.name, file.bytes);
    if (!c.sheet.empty()) WriteText(disc / "disc.cue", c.sheet);
    setenv("CORVANTA_CDROM", (c.sheet.empty() ? disc : disc / "disc.cue").c_str(), 1);
    const AUD_HANDLE cd = AUD_redbook_open(0);
    ASSERT_NE(cd, NoCd);
    EXPECT_EQ(Tracks(cd), c.tracks);

    OpenOutput();
    TrackInfo track{};
    AUD_redbook_track_info(cd, c.play, &track.start, &track.end);
    ASSERT_EQ(AUD_redbook_play(cd, track.start, track.end), 1u);
    SetNow(2000);
    EXPECT_EQ(AUD_redbook_status(cd), 0u);
    const WavFile out = Finish();
    EXPECT_NEAR(out.pcm.samples[1000 * 2], c.at1000, 2);
    EXPECT_EQ(LastSoundingFrame(out.pcm), c.frames - 1);
}

const char OneBin[] =
    "REM made for a test\r\n"
    "file \"disc.bin\" binary\r\n"
    "  track 01 audio\r\n"
    "    index 01 00:00:00\r\n"
    "  TRACK 02 AUDIO\r\n"
    "    INDEX 00 00:01:00\r\n"
    "    INDEX 01 00:01:10\r\n"
    "  TRACK 03 MODE1/2352\r\n"
    "    INDEX 01 00:02:00\r\n"
    "  TRACK 04 AUDIO\r\n"
    "    INDEX 01 00:04:10\r\n"
    "  TRACK 05 AUDIO\r\n"
    "    INDEX 01 99:99:99\r\n";

const char FilePerTrack[] =
    "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
    "FILE \"b.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:05\n";

const char PregapsBefore[] =
    "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:00:30\n"
    "FILE \"b.wav\" WAVE\n    INDEX 01 00:00:00\n";

// Frame 85 of the BIN image opens track 2 (a pregap belongs to the track
// before it); a data track ends the audio before it; track 4 lies beyond the
// image. Of two names that match only without regard to letter case, the
// first in byte order is taken.
INSTANTIATE_TEST_SUITE_P(
    Layouts, CdLayout,
    ::testing::Values(LayoutCase{"OneBinForTheDisc",
                                 {{"Disc.BIN", NumberedFrames(300)}},
                                 OneBin,
                                 {{150, 235}, {235, 300}, {0, 0}, {0, 0}, {0, 0}},
                                 2,
                                 860,
                                 65 * 588},
                      LayoutCase{"OneWavePerTrack",
                                 {{"a.wav", Wav(1000, 0.5)}, {"b.wav", Wav(-2000, 0.2, 22050, 1)}},
                                 FilePerTrack,
                                 {{150, 193}, {193, 203}},
                                 2,
                                 -2000,
                                 5880},
                      LayoutCase{"PregapsAtTheEndOfTheFileBefore",
                                 {{"a.wav", Wav(1000, 0.5)}, {"b.wav", Wav(-3000, 0.4)}},
                                 PregapsBefore,
                                 {{150, 188}, {188, 218}},
                                 2,
                                 -3000,
                                 17640},
                      LayoutCase{"SheetNameMatchedInLetterCase",
                                 {{"disc.BIN", NumberedFrames(200)}, {"Disc.bin", NumberedFrames(100)}},
                                 "FILE DISC.BIN BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
                                 {{150, 250}},
                                 1,
                                 10,
                                 100 * 588},
                      LayoutCase{"TrackFilesDifferingInLetterCase",
                                 {{"track01.wav", Wav(1000, 0.2)}, {"TRACK01.WAV", Wav(-1000, 0.1)}},
                                 "",
                                 {{150, 158}},
                                 1,
                                 -1000,
                                 4410}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioTest, StoppingTheCdFadesItOutAtOnce) {
    WriteBytes(dir_ / "disc.bin", NumberedFrames(150));
    WriteText(dir_ / "disc.cue", "FILE disc.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    setenv("CORVANTA_CDROM", (dir_ / "disc.cue").c_str(), 1);
    const AUD_HANDLE cd = AUD_redbook_open(0);
    EXPECT_EQ(AUD_redbook_play(cd, 150, 300), 0u) << "no output to play on";
    OpenOutput();
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> refused = {{300, 150}, {150, 150}, {400, 500}};
    for (const auto& [start, end] : refused) EXPECT_EQ(AUD_redbook_play(cd, start, end), 0u) << start << "-" << end;
    ASSERT_EQ(AUD_redbook_play(cd, 150, 300), 1u);
    SetNow(500);
    AUD_redbook_stop(cd);
    EXPECT_EQ(AUD_redbook_status(cd), 0u);
    const std::uint32_t stoppedAt = AUD_redbook_position(cd);
    SetNow(800);
    EXPECT_EQ(AUD_redbook_position(cd), stoppedAt);
    EXPECT_NEAR(stoppedAt, 150 + 37, 1);
    AUD_redbook_close(cd);
    EXPECT_EQ(AUD_redbook_tracks(cd), 0u) << "closed";
    const WavFile out = Finish();
    EXPECT_EQ(out.pcm.samples[22049 * 2], 370) << "frame 37 of the image";
    EXPECT_LT(MaxStep(out.pcm, 22040, 400), 370 / static_cast<int>(FadeFrames44k) + 2) << "fades out";
    EXPECT_EQ(LastSoundingFrame(out.pcm), 22050 + FadeFrames44k - 2);
    EXPECT_EQ(TakeTrace(), (std::vector<std::string>{"sound\tcdplay\t150\t300", "sound\tcdstop"}));
}

}  // namespace
}  // namespace audtest

namespace audtest {
namespace {

struct CdLoopCase {
    const char* name;
    std::uint32_t rate;  // of the track file; the output's is 44.1 kHz
    std::uint16_t channels;
};

class CdLoop : public AudioTest, public ::testing::WithParamInterface<CdLoopCase> {};

std::size_t LongestZeroRun(const Pcm& pcm, std::size_t first, std::size_t frames) {
    std::size_t longest = 0, run = 0;
    for (std::size_t i = first; i < first + frames; ++i) {
        run = pcm.samples[i * pcm.channels] == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// A track of whole cycles looped four times: the seams are neither faded nor
// gapped, only the end of the last play is.
TEST_P(CdLoop, ALoopedRangeRunsOnAcrossItsSeamsAndEndsOnItsRamp) {
    const CdLoopCase c = GetParam();
    constexpr double Hz = 450, Amplitude = 0.45;
    constexpr std::size_t PlayFrames = 44100 / 5;  // 0.2 s: 15 CD frames, 90 cycles
    const auto disc = dir_ / "disc";
    std::filesystem::create_directory(disc);
    WriteBytes(disc / "track01.wav", WavImage(Tones({{Hz, Amplitude}}, c.rate / 5, c.rate, c.channels, 16)));
    setenv("CORVANTA_CDROM", disc.c_str(), 1);
    const AUD_HANDLE cd = AUD_redbook_open(0);
    ASSERT_NE(cd, NoCd);
    TrackInfo track{};
    AUD_redbook_track_info(cd, 1, &track.start, &track.end);
    ASSERT_EQ(track, (TrackInfo{150, 165}));

    OpenOutput();
    ASSERT_EQ(AUD_redbook_play(cd, track.start, track.end), 1u);
    EXPECT_EQ(AUD_redbook_loop(cd, 4), 1u);
    SetNow(700);
    EXPECT_EQ(AUD_redbook_status(cd), 1u) << "in the fourth play";
    EXPECT_NEAR(AUD_redbook_position(cd), 150 + 7 * 75 / 10 % 15, 1);
    SetNow(1000);
    EXPECT_EQ(AUD_redbook_status(cd), 0u);
    const WavFile out = Finish();

    const std::size_t played = 4 * PlayFrames - FadeFrames44k;
    const double ownStep = 2 * std::numbers::pi * Hz / 44100 * Amplitude * 32768;
    EXPECT_LT(MaxStep(out.pcm, 0, played), ownStep + 328);
    EXPECT_LT(LongestZeroRun(out.pcm, 1, played), 2u);
    for (std::size_t seam = 1; seam < 4; ++seam) {
        const std::size_t around = seam * PlayFrames - 441;  // 20 ms of whole cycles
        EXPECT_NEAR(LevelDb(out.pcm, around, 882, Hz), 20 * std::log10(Amplitude), 0.2) << "seam " << seam;
    }
    EXPECT_NEAR(static_cast<double>(LastSoundingFrame(out.pcm)), 4.0 * PlayFrames, 2.0 * FadeFrames44k);
    EXPECT_EQ(TakeTrace(), (std::vector<std::string>{"sound\tcdplay\t150\t165", "sound\tcdloop\t4"}));
}

INSTANTIATE_TEST_SUITE_P(Tracks, CdLoop,
                         ::testing::Values(CdLoopCase{"AsTheOutput", 44100, 2}, CdLoopCase{"Resampled", 22050, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace audtest
