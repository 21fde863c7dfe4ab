// SPDX-License-Identifier: GPL-3.0-or-later
// Presentations named on the command line and played straight from disc
// images: the same trace, line for line, and the same render as from the
// folder the image was made of; CD audio from the image itself; images that
// cannot be played; programs on the disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/bmp_writer.h"
#include "support/disc_writer.h"
#include "support/flc_writer.h"
#include "support/mix_file.h"
#include "support/player_run.h"
#include "support/wav_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr double Track2Hz = 660, Track3Hz = 1320;

void WriteBinary(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    test::WriteBytes(path, bytes);
}

test::BmpFile Picture(std::uint8_t shade, int width = 64, int height = 48) {
    test::BmpFile file;
    file.width = width;
    file.height = height;
    file.colours = {{0, 0, 0}, {shade, 40, 200}};
    file.clrUsed = 2;
    file.pixels =
        test::PackRows(std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 1), width, height, 8);
    return file;
}

// A still with a hotspot into a sub-folder (which plays a CD track), then,
// back at the top, a CD track, a movie with its sound, music and a still.
// Names are upper-case 8.3, as on a disc written to the first ISO level.
fs::path WritePresentation(const fs::path& root) {
    test::WriteFile(root / "SEQUENCE",
                    "still title\nhotspot 0 0 639 479 -dir parts\\gallery\nendstill\nrestart\n"
                    "music cdaudio t3\nmovie intro\nmusic tone\nstill title\ntimeout 2 -exit\nendstill\n");
    test::WriteFile(root / "PARTS/GALLERY/SEQUENCE", "music cdaudio t2\nstill pic\ntimeout 1 -exit\nendstill\n");
    WriteBinary(root / "TITLE.BMP", Picture(250).Bytes());
    WriteBinary(root / "PARTS/GALLERY/PIC.BMP", Picture(90).Bytes());
    std::vector<flc::Image> frames;
    for (int k = 0; k < 4; ++k) frames.push_back(flc::TestPattern(80, 60, k, 16));
    std::vector<flc::Rgb> palette;
    for (int i = 0; i < 16; ++i) palette.push_back({static_cast<std::uint8_t>(i * 16), 100, 50});
    EXPECT_TRUE(flc::WriteFile((root / "INTRO.FLC").string(),
                               flc::Animation(80, 60, frames, palette, flc::Compression::Delta)));
    const test::WavFile wav;
    WriteBinary(root / "INTRO.WAV", wav.ToneBytes(440, 11025));
    WriteBinary(root / "TONE.WAV", wav.ToneBytes(880, 22050));
    return root;
}

const std::string Input = "300 click 320 240\n";

enum class Kind { Folder, Level1, Joliet, RockRidge, CueOneFile, CueFilePerTrack, CueMode2, Toc };

struct DiscCase {
    std::string name;
    Kind kind;
};

void PrintTo(const DiscCase& c, std::ostream* out) { *out << c.name; }

class PlayFromDisc : public testing::TestWithParam<DiscCase> {};

TEST_P(PlayFromDisc, SameTraceAndRenderAsTheFolder) {
    const DiscCase& c = GetParam();
    const fs::path work = test::MakeTempDir("disc-" + c.name);
    const fs::path folder = WritePresentation(work / "folder");
    const bool cue = c.kind == Kind::CueOneFile || c.kind == Kind::CueFilePerTrack || c.kind == Kind::CueMode2 ||
                     c.kind == Kind::Toc;
    const test::IsoNames names = c.kind == Kind::Joliet   ? test::IsoNames::Joliet
                                 : c.kind == Kind::Level1 ? test::IsoNames::Level1
                                                          : test::IsoNames::RockRidge;
    const fs::path iso = work / "disc.iso";
    ASSERT_TRUE(test::MakeIso(folder, iso, names));
    // The CD the folder plays with, and for the CUE kinds the image itself.
    fs::create_directories(work / "cd");
    test::WriteMixedModeDisc(iso, {test::CdTone(Track2Hz, 1.0), test::CdTone(Track3Hz, 1.0)}, work / "cd/disc.cue",
                             c.kind == Kind::CueFilePerTrack, c.kind == Kind::CueMode2);

    test::PlayerOptions fromFolder;
    fromFolder.input = Input;
    fromFolder.env = {{"CORVANTA_CDROM", (work / "cd/disc.cue").string()},
                      {"CORVANTA_AUDIO_OUT", (work / "folder.wav").string()}};
    const test::PlayerRun expected = test::RunPlayer(folder, fromFolder);
    ASSERT_EQ(expected.exitCode, 0) << expected.Dump();
    ASSERT_FALSE(expected.Events("dir").empty()) << expected.Dump();

    test::PlayerOptions fromDisc;
    fromDisc.input = Input;
    fromDisc.args = {c.kind == Kind::Toc      ? (work / "cd/disc.toc").string()
                     : cue                    ? (work / "cd/disc.cue").string()
                     : c.kind == Kind::Folder ? folder.string()
                                              : iso.string()};
    fromDisc.env = {{"CORVANTA_AUDIO_OUT", (work / "disc.wav").string()}};
    if (!cue) fromDisc.env["CORVANTA_CDROM"] = (work / "cd/disc.cue").string();
    fs::create_directories(work / "elsewhere");
    // libcdio opens the files a TOC file names from the current folder.
    const test::PlayerRun run = test::RunPlayer(c.kind == Kind::Toc ? work / "cd" : work / "elsewhere", fromDisc);

    auto lines = [](const test::PlayerRun& r) {
        std::vector<std::string> all;
        for (const auto& line : r.trace) all.push_back(std::to_string(line.time) + "\t" + line.Text());
        return all;
    };
    EXPECT_EQ(lines(run), lines(expected)) << run.Dump();
    EXPECT_EQ(run.exitCode, 0);

    const test::Mix heard = test::ReadMix(work / "disc.wav");
    const std::vector<std::int16_t> want = test::ReadMix(work / "folder.wav").samples;
    const auto differ = std::mismatch(heard.samples.begin(), heard.samples.end(), want.begin(), want.end());
    EXPECT_TRUE(heard.samples == want) << heard.samples.size() << " samples against " << want.size()
                                       << ", the first difference at " << (differ.first - heard.samples.begin());
    // Both CD tracks are in the render, each at a level a listener hears.
    const auto levels = heard.ToneLevels({Track2Hz, Track3Hz}, 100);
    double loudest[2] = {0, 0};
    for (const auto& window : levels)
        for (int i = 0; i < 2; ++i) loudest[i] = std::max(loudest[i], window[i]);
    EXPECT_GT(loudest[0], 1000);
    EXPECT_GT(loudest[1], 1000);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PlayFromDisc,
                         testing::Values(DiscCase{"Folder", Kind::Folder}, DiscCase{"Level1", Kind::Level1},
                                         DiscCase{"Joliet", Kind::Joliet}, DiscCase{"RockRidge", Kind::RockRidge},
                                         DiscCase{"CueOneFile", Kind::CueOneFile},
                                         DiscCase{"CueFilePerTrack", Kind::CueFilePerTrack},
                                         DiscCase{"CueMode2", Kind::CueMode2}, DiscCase{"Toc", Kind::Toc}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- images that cannot be played

// Points the directory record named `name` in the root folder of a level-1
// image (no other trees) at `lsn`.
void PointRecordAt(const fs::path& iso, const std::string& name, std::uint32_t lsn) {
    std::vector<std::uint8_t> bytes = test::ReadBytes(iso);
    const std::size_t pvd = 16 * 2048;
    const std::uint32_t root = bytes[pvd + 156 + 2] | bytes[pvd + 156 + 3] << 8 | bytes[pvd + 156 + 4] << 16;
    const auto folder = bytes.begin() + root * 2048;
    const auto at = std::search(folder, folder + 2048, name.begin(), name.end());
    ASSERT_NE(at, folder + 2048);
    const std::size_t record = static_cast<std::size_t>(at - bytes.begin()) - 33;
    for (int i = 0; i < 4; ++i) {
        bytes[record + 2 + i] = static_cast<std::uint8_t>(lsn >> (8 * i));
        bytes[record + 9 - i] = static_cast<std::uint8_t>(lsn >> (8 * i));
    }
    test::WriteBytes(iso, bytes);
}

TEST(PlayFromDisc, UnplayableImagesSayWhyInOneLineBeforeAnyWindow) {
    const fs::path work = test::MakeTempDir("disc-unplayable");
    // The presentation lies one folder down, so that the root is searched.
    test::WriteFile(work / "tree/PARTS/DEMO/SEQUENCE", "blank\n");
    test::WriteFile(work / "two/A/SEQUENCE", "blank\n");
    test::WriteFile(work / "two/B/SEQUENCE", "blank\n");
    ASSERT_TRUE(test::MakeIso(work / "tree", work / "good.iso", test::IsoNames::Level1));
    ASSERT_TRUE(test::MakeIso(work / "two", work / "two.iso", test::IsoNames::Level1));
    const std::vector<std::uint8_t> good = test::ReadBytes(work / "good.iso");

    test::WriteBytes(work / "truncated.iso", {good.begin(), good.begin() + 40000});
    test::WriteFile(work / "text.iso", "not a disc\n");
    fs::copy_file(work / "good.iso", work / "loop.iso");
    PointRecordAt(work / "loop.iso", "PARTS", good[16 * 2048 + 158] | good[16 * 2048 + 159] << 8);
    fs::copy_file(work / "good.iso", work / "past.iso");
    PointRecordAt(work / "past.iso", "PARTS", 0x00FFFFFF);
    // A CUE sheet whose data track holds no ISO 9660 volume.
    test::WriteBytes(work / "raw.iso", std::vector<std::uint8_t>(64 * 2048, 0x5A));
    test::WriteMixedModeDisc(work / "raw.iso", {test::CdTone(440, 0.2)}, work / "raw.cue", false);

    const struct {
        std::string argument;
        std::string message;
    } cases[] = {
        {"truncated.iso", "truncated.iso: damaged image (the folder /PARTS lies past its end)"},
        {"text.iso", "text.iso: not an ISO 9660 image"},
        {"missing.iso", "missing.iso: no such file, folder or drive"},
        {"loop.iso", "loop.iso: damaged image (the folder /PARTS contains itself)"},
        {"past.iso", "past.iso: damaged image (the folder /PARTS lies past its end)"},
        {"raw.cue", "raw.cue: its data track is not ISO 9660"},
        {"two.iso", "two.iso: holds several presentations (/A, /B); name one as two.iso:/FOLDER"},
        {"good.iso:/PARTS", "good.iso:/PARTS: no folder holding a 'sequence' script"},
    };
    for (const auto& c : cases) {
        test::PlayerOptions options;
        options.args = {c.argument};
        const test::PlayerRun run = test::RunPlayer(work, options);
        EXPECT_EQ(run.exitCode, 2) << c.argument;
        EXPECT_EQ(run.stdErr, "corvanta: " + c.message + "\n") << c.argument;
        ASSERT_EQ(run.trace.size(), 1u) << run.Dump();
        EXPECT_EQ(run.trace[0].Text(), "exit\t2");
    }
}

TEST(PlayFromDisc, NamedFolderOfAnImagePlays) {
    const fs::path work = test::MakeTempDir("disc-named");
    test::WriteFile(work / "two/A/SEQUENCE", "blank\n");
    test::WriteFile(work / "two/B/SEQUENCE", "still missing\nendstill\n");  // a fatal error: exit status 1
    ASSERT_TRUE(test::MakeIso(work / "two", work / "two.iso", test::IsoNames::RockRidge));
    for (const std::string folder : {"A", "b"}) {
        test::PlayerOptions options;
        options.args = {"two.iso:/" + folder};
        const test::PlayerRun run = test::RunPlayer(work, options);
        EXPECT_EQ(run.exitCode, folder == "A" ? 0 : 1) << run.Dump();
    }
}

}  // namespace

// ---------------------------------------------------------------- programs on the disc

TEST(PlayFromDisc, ProgramsRunFromAPrivateCopyOfTheirFolder) {
    const fs::path work = test::MakeTempDir("disc-programs");
    const fs::path runtime = work / "runtime", log = work / "log.txt";
    fs::create_directories(runtime);
    test::WriteFile(work / "tree/SEQUENCE", "run tools\\show first\nexec tools\\show second\n");
    test::WriteFile(work / "tree/TOOLS/SHOW",
                    "#!/bin/sh\necho \"$1 $(pwd) $(stat -c %a .) $(cat DATA.TXT)\" >> \"$OUT\"\n");
    test::WriteFile(work / "tree/TOOLS/DATA.TXT", "beside");
    ASSERT_TRUE(test::MakeIso(work / "tree", work / "disc.iso", test::IsoNames::Level1));

    test::PlayerOptions options;
    options.args = {"disc.iso"};
    options.env = {{"XDG_RUNTIME_DIR", runtime.string()}, {"OUT", log.string()}};
    const test::PlayerRun run = test::RunPlayer(work, options);
    ASSERT_EQ(run.exitCode, 0) << run.Dump();
    EXPECT_TRUE(run.ContainsInOrder({"spawn\t.\ttools\\show first", "spawn\t.\ttools\\show second", "exit\t0"}))
        << run.Dump();

    std::vector<std::string> lines;
    for (int i = 0; i < 2000 && lines.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        lines.clear();
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 2u);
    std::vector<fs::path> copies;
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        std::string word, folder, mode, data;
        fields >> word >> folder >> mode >> data;
        EXPECT_EQ(fs::path(folder).parent_path(), runtime) << line;
        EXPECT_EQ(fs::path(folder).filename().string().rfind("corvanta-disc-", 0), 0u) << line;
        EXPECT_EQ(mode + " " + data, "700 beside") << line;
        copies.push_back(folder);
    }
    // RUN's copy went when the program ended; EXEC's stays for the program
    // until the next start.
    EXPECT_FALSE(fs::exists(copies[0]));
    EXPECT_TRUE(fs::exists(copies[1] / "SHOW"));
    test::WriteFile(work / "next/sequence", "blank\n");
    options.args.clear();
    EXPECT_EQ(test::RunPlayer(work / "next", options).exitCode, 0);
    EXPECT_FALSE(fs::exists(copies[1]));
}

TEST(PlayFromDisc, FileCutOffByTheImagesEndIsAFatalErrorInThePlay) {
    const fs::path work = test::MakeTempDir("disc-cut");
    test::WriteFile(work / "tree/SEQUENCE", "still title\nendstill\n");
    WriteBinary(work / "tree/TITLE.BMP", Picture(250, 640, 480).Bytes());
    ASSERT_TRUE(test::MakeIso(work / "tree", work / "disc.iso", test::IsoNames::Level1));
    // The picture is the last file on the disc, before 300 KiB of padding:
    // the cut takes its end.
    fs::resize_file(work / "disc.iso", fs::file_size(work / "disc.iso") - 300 * 1024 - 100000);
    test::PlayerOptions options;
    options.args = {"disc.iso"};
    const test::PlayerRun run = test::RunPlayer(work, options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.ContainsInOrder(
        {"box\tnone\t0x30\tFatal Error\tUnable to open bitmap file title.bmp \n in current dir D:\\", "beep\t0x30",
         "exit\t1"}))
        << run.Dump();
}
