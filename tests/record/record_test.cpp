// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings of a headless run, decoded back: pictures at their times equal
// to what the player presented and snapshotted, sound equal to the mix, the
// shared formats' streams and length, and the refusals.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <csignal>
#include <cstdio>
#include <map>

#include "record/container.h"
#include "record/decoded_video.h"
#include "support/bmp_writer.h"
#include "support/flc_writer.h"
#include "support/mix_file.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int MovieW = 160, MovieH = 100, PictureW = 200, PictureH = 120;

// A movie of four frames with its sound, then a still that its timeout ends.
fs::path Presentation(const std::string& name) {
    const fs::path root = test::MakeTempDir("record-" + name);
    std::vector<flc::Rgb> palette;
    for (int i = 0; i < 236; ++i)
        palette.push_back(
            {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 3)});
    flc::Movie movie;
    movie.width = MovieW;
    movie.height = MovieH;
    for (int k = 1; k <= 4; ++k) {
        flc::Image image(MovieW * MovieH);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>((i / 7 + k * 40) % 200);
        flc::Frame frame{{flc::ByteRun(image, MovieW, MovieH)}};
        if (k == 1) frame.chunks.insert(frame.chunks.begin(), flc::Palette(palette));
        movie.frames.push_back(frame);
    }
    flc::WriteFile((root / "intro.flc").string(), movie);
    test::WavFile sound{.channels = 2, .rate = 22050};
    test::WriteBytes(root / "intro.wav", sound.ToneBytes(440, 22050 / 2));
    test::BmpFile picture;
    picture.width = PictureW;
    picture.height = PictureH;
    for (int i = 0; i < 256; ++i)
        picture.colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 5), 100});
    std::vector<std::uint8_t> pixels(PictureW * PictureH);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(10 + i % 230);
    picture.pixels = test::PackRows(pixels, PictureW, PictureH, 8);
    test::WriteBytes(root / "pic.bmp", picture.Bytes());
    test::WriteFile(root / "sequence", "movie intro\nstill pic\ntimeout 1 -next\nendstill\n");
    return root;
}

// Snapshot times between the movie's frames (a frame each 67 ms) and on the still.
const std::vector<long> SnapshotTimes{37, 101, 170, 640, 1200};

std::string SnapshotInput(const fs::path& folder) {
    std::string input;
    for (long time : SnapshotTimes)
        input +=
            std::to_string(time) + " snapshot " + (folder / ("at" + std::to_string(time) + ".png")).string() + "\n";
    return input;
}

std::uint32_t Crc(const std::vector<std::uint8_t>& rgb) {
    return static_cast<std::uint32_t>(crc32(0, rgb.data(), static_cast<uInt>(rgb.size())));
}

// Every `scale`-th pixel of every `scale`-th row: the screen a whole-multiple enlargement came from.
std::vector<std::uint8_t> Shrunk(const std::vector<std::uint8_t>& rgb, int width, int scale) {
    if (scale == 1) return rgb;
    const int height = static_cast<int>(rgb.size() / 3 / width);
    std::vector<std::uint8_t> out;
    for (int y = 0; y < height; y += scale)
        for (int x = 0; x < width; x += scale)
            out.insert(out.end(), rgb.begin() + (static_cast<long>(y) * width + x) * 3,
                       rgb.begin() + (static_cast<long>(y) * width + x) * 3 + 3);
    return out;
}

// The picture on show at `ms`: the last one that started at or before it.
const test::DecodedPicture& ShownAt(const test::DecodedVideo& video, long ms) {
    const test::DecodedPicture* shown = &video.pictures.front();
    for (const auto& picture : video.pictures)
        if (picture.ms <= ms) shown = &picture;
    return *shown;
}

struct LosslessCase {
    std::string name;
    std::vector<std::string> args;  // after --record FILE
    int fps;                        // 0: a picture per change
    int scale;                      // of the 640 x 480 screen
};
void PrintTo(const LosslessCase& c, std::ostream* out) { *out << c.name; }

class LosslessRecording : public testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessRecording, PicturesAndSoundAreTheRunsOwn) {
    const LosslessCase& c = GetParam();
    const fs::path root = Presentation(c.name);
    const fs::path out = test::MakeTempDir("record-out-" + c.name);
    std::vector<std::string> args{"--record", (out / "run.mkv").string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const test::PlayerRun run = test::RunPlayer(
        root, {.args = args, .input = SnapshotInput(out), .env = {{"CORVANTA_AUDIO_OUT", (out / "mix.wav").string()}}});
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_EQ(run.stdOut, "");  // no terminal: no progress line
    const long endMs = run.Events("exit").back().time;
    const auto video = test::DecodeVideo(out / "run.mkv", true);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->streams, (std::vector<std::string>{"video ffv1", "audio flac"}));
    ASSERT_EQ(video->width, 640 * c.scale);
    ASSERT_FALSE(video->pictures.empty());

    // The times pictures start at: each present (and black at 0), or the constant rate's.
    std::map<long, std::uint32_t> presented{{0, Crc(std::vector<std::uint8_t>(640 * 480 * 3, 0))}};
    for (const auto& line : run.Events("present"))
        presented[line.time] = static_cast<std::uint32_t>(std::stoul(line.fields[1], nullptr, 16));
    std::vector<long> expectedTimes, times;
    if (c.fps == 0) {
        for (const auto& [time, crc] : presented) expectedTimes.push_back(time);
    } else {
        for (long k = 0; k * 1000 < endMs * c.fps; ++k) expectedTimes.push_back(k * 1000 / c.fps);
    }
    for (const auto& picture : video->pictures) times.push_back(picture.ms);
    EXPECT_EQ(times, expectedTimes);
    // The last picture lasts to the run's end, or to the end of its frame.
    const double seconds = c.fps ? static_cast<double>(expectedTimes.size()) / c.fps : endMs / 1000.0;
    EXPECT_NEAR(video->seconds, seconds, 0.002);
    for (const auto& picture : video->pictures) {
        const std::uint32_t expected = std::prev(presented.upper_bound(picture.ms))->second;
        EXPECT_EQ(Crc(Shrunk(picture.rgb, video->width, c.scale)), expected) << "picture at " << picture.ms;
    }
    // With a picture per change, the picture on show at a snapshot's time is the snapshot.
    for (long time : c.fps ? std::vector<long>{} : SnapshotTimes) {
        const std::vector<std::uint8_t> rgb = test::SnapshotRgb(out / ("at" + std::to_string(time) + ".png"));
        ASSERT_FALSE(rgb.empty());
        EXPECT_EQ(ShownAt(*video, time).rgb, rgb) << "snapshot at " << time;
    }

    const test::Mix mix = test::ReadMix(out / "mix.wav");
    EXPECT_EQ(video->rate, static_cast<int>(mix.rate));
    EXPECT_EQ(video->channels, mix.channels);
    EXPECT_GE(mix.FirstSoundMs(), 0);  // the movie's sound is in it
    EXPECT_TRUE(video->samples == mix.samples)
        << video->samples.size() << " samples recorded, " << mix.samples.size() << " mixed";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LosslessRecording,
    testing::Values(LosslessCase{"PictureAtEachChange", {}, 0, 1},
                    LosslessCase{"TenFramesASecondTwiceTheSize", {"--fps", "10", "--size", "1280x960"}, 10, 2}),
    [](const auto& info) { return info.param.name; });

struct SharedCase {
    std::string extension;
    std::vector<std::string> streams;
};

class SharedRecording : public testing::TestWithParam<SharedCase> {};

// The sharing formats are lossy: their streams and length, and the same bytes every run.
TEST_P(SharedRecording, HasItsStreamsAndLengthAndRepeats) {
    const SharedCase& c = GetParam();
    const fs::path root = Presentation("shared" + c.extension.substr(1));
    const fs::path out = test::MakeTempDir("record-shared-" + c.extension.substr(1));
    std::vector<std::string> files;
    for (const char* name : {"first", "second"}) {
        const fs::path file = out / (name + c.extension);
        const test::PlayerRun run =
            test::RunPlayer(root, {.args = {"--record", file.string()}, .input = {}, .env = {}});
        ASSERT_EQ(run.exitCode, 0) << run.Dump();
        const auto video = test::DecodeVideo(file, false);
        ASSERT_TRUE(video);
        EXPECT_EQ(video->streams, c.streams);
        EXPECT_NEAR(video->seconds, run.Events("exit").back().time / 1000.0, 0.05);
        const auto bytes = test::ReadBytes(file);
        files.emplace_back(bytes.begin(), bytes.end());
    }
    EXPECT_TRUE(files[0] == files[1]);
}

INSTANTIATE_TEST_SUITE_P(Formats, SharedRecording,
                         testing::Values(SharedCase{".mp4", {"video h264", "audio aac"}},
                                         SharedCase{".webm", {"video vp9", "audio opus"}}),
                         [](const auto& info) { return info.param.extension.substr(1); });

struct RefusalCase {
    std::string name;
    std::string file;  // in the output folder
    std::vector<std::string> args;
    rlim_t fileSizeLimit;  // bytes; 0: none
    std::string message;   // the start of the one line on standard error
};
void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class RecordingRefused : public testing::TestWithParam<RefusalCase> {};

TEST_P(RecordingRefused, SaysSoInOneLineAndLeavesNoFile) {
    const RefusalCase& c = GetParam();
    const fs::path root = Presentation("refused-" + c.name);
    const fs::path out = test::MakeTempDir("record-out-refused-" + c.name);
    std::vector<std::string> args{"--record", (out / c.file).string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    // A full disk, as the writer meets it: the player inherits the limit and
    // takes the failed write as an error rather than a signal.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    if (c.fileSizeLimit) {
        rlimit limit{c.fileSizeLimit, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    const test::PlayerRun run = test::RunPlayer(root, {.args = args, .input = {}, .env = {}});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(run.exitCode, 2) << run.Dump();
    std::string message = c.message;
    for (std::size_t at = message.find('@'); at != std::string::npos; at = message.find('@', at + 1))
        message.replace(at, 1, (out / c.file).string());
    // The recording's own line ends what was said; on a full disk the
    // player has said once before it that the mix could not be written.
    const std::size_t last = run.stdErr.rfind('\n', run.stdErr.size() - 2);
    const std::string lastLine = run.stdErr.substr(last == std::string::npos ? 0 : last + 1);
    EXPECT_EQ(lastLine.rfind(message, 0), 0u) << run.stdErr;
    EXPECT_EQ(std::count(run.stdErr.begin(), run.stdErr.end(), '\n'), c.fileSizeLimit ? 2 : 1) << run.stdErr;
    EXPECT_TRUE(fs::is_empty(out)) << fs::directory_iterator(out)->path();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordingRefused,
    testing::Values(
        RefusalCase{"UnknownExtension",
                    "run.avi",
                    {},
                    0,
                    "corvanta: cannot record to @: unknown extension (use .mkv, .mp4 or .webm)\n"},
        RefusalCase{
            "NoExtension", "run", {}, 0, "corvanta: cannot record to @: unknown extension (use .mkv, .mp4 or .webm)\n"},
        RefusalCase{"DiskFull", "run.mkv", {}, 20000, "corvanta: cannot record to @: cannot write "},
        RefusalCase{"FolderMissing",
                    "missing/run.mkv",
                    {},
                    0,
                    "corvanta: cannot record to @: cannot create @.part: No such file or directory\n"},
        RefusalCase{"BadRate",
                    "run.mkv",
                    {"--fps", "0"},
                    0,
                    "corvanta: --fps takes a whole number of frames a second from 1 to 240, not 0\n"},
        RefusalCase{"BadSize", "run.mkv", {"--size", "big"}, 0, "corvanta: --size takes WxH, not big\n"}),
    [](const auto& info) { return info.param.name; });

TEST(RecordingContainer, FollowsTheExtensionAndNamesWhatIsMissing) {
    EXPECT_STREQ(record::ContainerFor("a/b.MKV")->videoEncoder, "ffv1");
    EXPECT_STREQ(record::ContainerFor("b.mp4")->audioEncoder, "aac");
    EXPECT_STREQ(record::ContainerFor("b.webm")->muxer, "webm");
    EXPECT_FALSE(record::ContainerFor("dir.mkv/b"));
    EXPECT_EQ(record::MissingEncoder(*record::ContainerFor("b.mkv")), "");
    EXPECT_EQ(record::MissingEncoder({".x", "matroska", "ffv1", "no-such-encoder", true}), "no-such-encoder");
}

}  // namespace
