// SPDX-License-Identifier: GPL-3.0-or-later
// Voices: when they sound, how often, how loud, and what is reported.
#include <algorithm>
#include <functional>
#include <memory>

#include "audio_test_support.h"

namespace audtest {
namespace {

constexpr std::int16_t Level = 1000;

// Frames from `first` on that hold `value` on every channel, without a break.
std::size_t RunOf(const Pcm& pcm, std::size_t first, std::int16_t value) {
    std::size_t frames = 0;
    for (std::size_t at = first * pcm.channels; at < pcm.samples.size(); at += pcm.channels) {
        if (!std::all_of(pcm.samples.begin() + at, pcm.samples.begin() + at + pcm.channels,
                         [&](std::int16_t sample) { return sample == value; })) {
            break;
        }
        ++frames;
    }
    return frames;
}

std::size_t FirstSoundingFrame(const Pcm& pcm) {
    const auto it = std::find_if(pcm.samples.begin(), pcm.samples.end(), [](std::int16_t s) { return s != 0; });
    return static_cast<std::size_t>(it - pcm.samples.begin()) / pcm.channels;
}

std::vector<AUD_HANDLE> ended;
void RecordEnd(AUD_HANDLE voice) { ended.push_back(voice); }
void OtherEnd(AUD_HANDLE) {}

struct Timing {
    std::uint32_t startMs;
    std::uint32_t rate;
    std::uint16_t channels;
    std::uint16_t bits;
};

class StartTime : public AudioTest, public ::testing::WithParamInterface<Timing> {};

TEST_P(StartTime, SoundBeginsAtTheSampleOfItsVirtualStartTime) {
    const Timing t = GetParam();
    constexpr std::size_t FrameCount = 2000;
    OpenOutput(t.rate, t.bits, t.channels);
    const auto image = WavImage(Constant(Level, FrameCount, t.rate, t.channels));
    const AUD_HANDLE voice = VoiceWith(image);
    SetNow(t.startMs);
    AUD_start_sample(voice);
    SetNow(t.startMs + 1000);
    const WavFile out = Finish();

    ASSERT_EQ(out.pcm.rate, t.rate);
    ASSERT_EQ(out.pcm.channels, t.channels);
    ASSERT_EQ(out.pcm.bits, t.bits);
    const std::size_t start = std::uint64_t{t.startMs} * t.rate / 1000;
    EXPECT_EQ(FirstSoundingFrame(out.pcm), start);
    // 8-bit output keeps the high byte of the mix. The last 5 ms fade out.
    const std::size_t fade = std::max(t.rate / 200, 128u);
    EXPECT_GE(RunOf(out.pcm, start, t.bits == 8 ? Level >> 8 : Level), FrameCount - fade);
    EXPECT_LE(LastSoundingFrame(out.pcm), start + FrameCount - 1);
    if (t.bits == 16) {
        EXPECT_EQ(LastSoundingFrame(out.pcm), start + FrameCount - 1);
    }
    EXPECT_EQ(out.pcm.samples.size() / t.channels, std::uint64_t{t.startMs + 1000} * t.rate / 1000);
}

INSTANTIATE_TEST_SUITE_P(Formats, StartTime,
                         ::testing::Values(Timing{0, 44100, 2, 16}, Timing{250, 44100, 2, 16},
                                           Timing{1001, 22050, 1, 16}, Timing{37, 11025, 2, 8},
                                           Timing{333, 44100, 1, 8}));

class LoopCount : public AudioTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(LoopCount, PlaysTheSoundThatManyTimesThenGoesIdle) {
    const std::int32_t plays = GetParam();
    OpenOutput();
    const auto image = WavImage(Constant(Level, 441));  // 10 ms
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_set_sample_loop_count(voice, plays);
    ended.clear();
    AUD_start_sample(voice);
    AUD_register_EOS_callback(voice, &RecordEnd);
    SetNow(10 * plays - 1);
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_PLAYING);
    EXPECT_TRUE(ended.empty());
    SetNow(10 * plays);
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
    EXPECT_EQ(ended, std::vector<AUD_HANDLE>{voice});
    SetNow(1000);
    const WavFile out = Finish();
    EXPECT_EQ(RunOf(out.pcm, 0, Level), 441u * plays - FadeFrames44k) << "the last play fades out";
    EXPECT_EQ(LastSoundingFrame(out.pcm), 441u * plays - 1);
    EXPECT_EQ(ended.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Counts, LoopCount, ::testing::Values(1, 2, 7));

TEST_F(AudioTest, LoopCountZeroPlaysWithoutEnd) {
    OpenOutput();
    const auto image = WavImage(Constant(Level, 441));
    const AUD_HANDLE voice = VoiceWith(image);
    AUD_set_sample_loop_count(voice, 0);
    AUD_start_sample(voice);
    SetNow(5000);
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_PLAYING);
    const WavFile out = Finish();
    EXPECT_EQ(RunOf(out.pcm, 0, Level), out.pcm.samples.size() / 2);
    EXPECT_EQ(out.pcm.samples.size() / 2, 5000u * 441 / 10);
}

TEST_F(AudioTest, StatusFollowsTheVoiceThroughItsLife) {
    OpenOutput();
    const auto image = WavImage(Constant(Level, 4410));
    const AUD_HANDLE voice = AUD_allocate_sample_handle(driver_);
    ASSERT_NE(voice, 0u);
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"allocated", [] {}},
        {"prepared", [&] { AUD_set_sample_file(voice, image.data(), -1); }},
        {"started", [&] { AUD_start_sample(voice); }},
        {"finished", [] { SetNow(100); }},
        {"restarted", [&] { AUD_start_sample(voice); }},
        {"stopped", [&] { AUD_end_sample(voice); }},
        {"started again", [&] { AUD_start_sample(voice); }},
        {"reset", [&] { AUD_init_sample(voice); }},
        {"started without a sound", [&] { AUD_start_sample(voice); }},
    };
    const std::vector<std::int32_t> expected = {2, 2, 4, 2, 4, 2, 4, 2, 2};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].second();
        EXPECT_EQ(AUD_sample_status(voice), expected[i]) << steps[i].first;
    }
    EXPECT_EQ(AUD_sample_status(voice + 100), 0) << "no such voice";
}

TEST_F(AudioTest, AtLeastSixteenDistinctVoices) {
    OpenOutput();
    std::vector<AUD_HANDLE> voices;
    for (int i = 0; i < 16; ++i) voices.push_back(AUD_allocate_sample_handle(driver_));
    std::sort(voices.begin(), voices.end());
    EXPECT_EQ(std::adjacent_find(voices.begin(), voices.end()), voices.end());
    EXPECT_NE(voices.front(), 0u);
    EXPECT_EQ(AUD_allocate_sample_handle(driver_ + 1), 0u) << "unknown driver";
}

// A procedure that starts the next sound from the end-of-sample call.
AUD_HANDLE chainedVoice = 0;
void StartChained(AUD_HANDLE voice) {
    ended.push_back(voice);
    AUD_start_sample(chainedVoice);
}

TEST_F(AudioTest, EndOfSampleIsCalledAtTheExactEndOfTheSound) {
    OpenOutput();
    const auto first = WavImage(Constant(Level, 441));
    const auto second = WavImage(Constant(2 * Level, 441));
    const AUD_HANDLE a = VoiceWith(first);
    chainedVoice = VoiceWith(second);
    ended.clear();
    SetNow(20);
    AUD_start_sample(a);
    AUD_register_EOS_callback(a, &StartChained);
    SetNow(500);  // both sounds end between two calls
    AUD_serve();
    const WavFile out = Finish();
    EXPECT_EQ(ended, std::vector<AUD_HANDLE>{a});
    EXPECT_EQ(FirstSoundingFrame(out.pcm), 882u);
    EXPECT_EQ(RunOf(out.pcm, 882, Level), 441u - FadeFrames44k);
    EXPECT_NE(out.pcm.samples[(882 + 440) * 2], 0) << "the first sound's last frame";
    EXPECT_EQ(RunOf(out.pcm, 882 + 441, 2 * Level), 441u - FadeFrames44k);
    EXPECT_EQ(RunOf(out.pcm, 882 + 882, 0), 500u * 441 / 10 - 882 - 882);
    const std::string na = std::to_string(a), nb = std::to_string(chainedVoice);
    EXPECT_EQ(TakeTrace(), (std::vector<std::string>{"sound\tstart\t" + na, "sound\tend\t" + na, "sound\tstart\t" + nb,
                                                     "sound\tend\t" + nb}));
}

TEST_F(AudioTest, EndSampleStopsAtOnceAndFadesOutWithoutEndOfSampleCall) {
    OpenOutput();
    const auto image = WavImage(Constant(Level, 44100));
    const AUD_HANDLE voice = VoiceWith(image);
    ended.clear();
    AUD_start_sample(voice);
    AUD_register_EOS_callback(voice, &RecordEnd);
    SetNow(100);
    AUD_end_sample(voice);
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
    SetNow(2000);
    const WavFile out = Finish();
    EXPECT_TRUE(ended.empty());
    EXPECT_EQ(RunOf(out.pcm, 0, Level), 4410u);
    EXPECT_LE(MaxStep(out.pcm, 4400, 400), Level / static_cast<int>(FadeFrames44k) + 1);
    EXPECT_NE(out.pcm.samples[(4410 + FadeFrames44k / 2) * 2], 0);
    EXPECT_EQ(RunOf(out.pcm, 4410 + FadeFrames44k, 0), out.pcm.samples.size() / 2 - 4410 - FadeFrames44k);
    const std::string n = std::to_string(voice);
    EXPECT_EQ(TakeTrace(), (std::vector<std::string>{"sound\tstart\t" + n, "sound\tstop\t" + n}));
}

TEST_F(AudioTest, RegisteringReturnsThePreviousProcedureAndNullRemovesIt) {
    OpenOutput();
    const auto image = WavImage(Constant(Level, 441));
    const AUD_HANDLE voice = VoiceWith(image);
    ended.clear();
    EXPECT_EQ(AUD_register_EOS_callback(voice, &RecordEnd), nullptr);
    EXPECT_EQ(AUD_register_EOS_callback(voice, &OtherEnd), &RecordEnd);
    EXPECT_EQ(AUD_register_EOS_callback(voice, &RecordEnd), &OtherEnd);
    EXPECT_EQ(AUD_register_EOS_callback(voice, nullptr), &RecordEnd);
    AUD_start_sample(voice);
    SetNow(100);
    AUD_serve();
    EXPECT_TRUE(ended.empty());
    EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
}

struct VolumeCase {
    std::int32_t set;
    std::int32_t reads;
};

class Volume : public AudioTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(Volume, ScalesTheSoundLinearlyUpToFullAt255) {
    const VolumeCase c = GetParam();
    constexpr std::int16_t Loud = 20000;
    OpenOutput();
    const auto image = WavImage(Constant(Loud, 441));
    const AUD_HANDLE voice = VoiceWith(image);
    EXPECT_EQ(AUD_sample_volume(voice), 255) << "full volume by default";
    AUD_set_sample_volume(voice, c.set);
    EXPECT_EQ(AUD_sample_volume(voice), c.reads);
    EXPECT_EQ(TakeTrace(),
              std::vector<std::string>{"sound\tvolume\t" + std::to_string(voice) + "\t" + std::to_string(c.reads)});
    AUD_start_sample(voice);
    SetNow(20);
    const WavFile out = Finish();
    const double expected = Loud * c.reads / 255.0;
    EXPECT_NEAR(out.pcm.samples[0], expected, Loud * 0.005);
    EXPECT_NEAR(out.pcm.samples[200 * 2 + 1], expected, Loud * 0.005);
    if (c.reads == 255) {
        EXPECT_EQ(out.pcm.samples[0], Loud);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, Volume,
                         ::testing::Values(VolumeCase{255, 255}, VolumeCase{254, 254}, VolumeCase{128, 128},
                                           VolumeCase{1, 1}, VolumeCase{0, 0}, VolumeCase{300, 255},
                                           VolumeCase{-5, 0}));

TEST_F(AudioTest, VoicesAddUpAndClipAtTheSampleRange) {
    OpenOutput();
    const std::vector<std::pair<std::int16_t, std::int16_t>> pairs = {
        {1000, 2000}, {20000, 20000}, {-20000, -20000}, {30000, -29000}};
    const std::vector<std::int16_t> sums = {3000, 32767, -32768, 1000};
    std::vector<std::vector<std::uint8_t>> images;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        images.push_back(WavImage(Constant(pairs[i].first, 441)));
        images.push_back(WavImage(Constant(pairs[i].second, 441)));
        const AUD_HANDLE a = VoiceWith(images[images.size() - 2]);
        const AUD_HANDLE b = VoiceWith(images.back());
        SetNow(static_cast<std::uint32_t>(20 * i));
        AUD_start_sample(a);
        AUD_start_sample(b);
    }
    SetNow(100);
    const WavFile out = Finish();
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_GE(RunOf(out.pcm, 882 * i, sums[i]), 441u - FadeFrames44k) << pairs[i].first << " + " << pairs[i].second;
    }
}

// Heap copies of exactly the image's size, so that reading past them is caught.
struct BadImage {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

std::vector<BadImage> BadImages() {
    auto good = WavImage(Constant(Level, 100));
    auto withField = [&](std::size_t at, std::uint32_t value) {
        auto image = good;
        for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return image;
    };
    auto noChannels = good;
    noChannels[22] = 0;
    auto compressedTag = good;
    compressedTag[20] = 0x55;
    return {
        {"garbage", std::vector<std::uint8_t>(64, 0x5A)},
        {"RIFF of another kind",
         [&] {
             auto image = good;
             image[8] = 'A';
             return image;
         }()},
        {"header only", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}},
        {"RIFF size below the WAVE tag", {'R', 'I', 'F', 'F', 2, 0, 0, 0, 'W', 'A'}},
        {"truncated header", {'R', 'I', 'F', 'F', 10, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0}},
        {"RIFF size of zero", withField(4, 0)},
        {"RIFF ends inside the format chunk",
         [&] {
             auto image = withField(4, 20);
             image.resize(28);
             return image;
         }()},
        {"no channels", noChannels},
        {"unsupported encoding", compressedTag},
    };
}

TEST_F(AudioTest, InvalidImagesLeaveTheVoiceIdle) {
    OpenOutput();
    const auto good = WavImage(Constant(Level, 100));
    for (const BadImage& bad : BadImages()) {
        SCOPED_TRACE(bad.name);
        const AUD_HANDLE voice = VoiceWith(good);
        const auto copy = std::make_unique<std::uint8_t[]>(bad.bytes.size());
        std::copy(bad.bytes.begin(), bad.bytes.end(), copy.get());
        EXPECT_EQ(AUD_set_sample_file(voice, copy.get(), -1), 0);
        AUD_start_sample(voice);
        EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
    }
    EXPECT_EQ(AUD_set_sample_file(1, nullptr, -1), 0);
    SetNow(50);
    const WavFile out = Finish();
    EXPECT_EQ(RunOf(out.pcm, 0, 0), out.pcm.samples.size() / 2);
    for (const std::string& line : TakeTrace()) EXPECT_EQ(line.find("start"), std::string::npos) << line;
}

// Images as files in the wild lay them out: each plays the frames it holds and
// reads nothing past its RIFF chunk (heap copies of exactly its size).
struct LayoutCase {
    const char* name;
    std::vector<std::uint8_t> image;
    std::size_t frames;  // that play, at 44.1 kHz
};

std::vector<std::uint8_t> WithChunkBeforeData(std::vector<std::uint8_t> image, std::vector<std::uint8_t> chunk) {
    image.insert(image.begin() + 36, chunk.begin(), chunk.end());
    const auto riff = static_cast<std::uint32_t>(image.size() - 8);
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
    return image;
}

// 100 float frames whose data chunk claims 4 GB: decoded by SDL, which
// allocates what a chunk claims before reading it.
std::vector<std::uint8_t> FloatImageClaimingGigabytes() {
    const Pcm pcm = Constant(Level, 100);
    auto image = WavImage(pcm);
    image.resize(44);
    image[20] = 3;  // IEEE float
    image[32] = 8;  // block align
    image[34] = 32;
    image[28] = 0x20, image[29] = 0x62, image[30] = 0x05;  // 352800 bytes a second
    for (const std::int16_t sample : pcm.samples) {
        const float value = sample / 32768.0f;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
        image.insert(image.end(), bytes, bytes + 4);
    }
    const auto riff = static_cast<std::uint32_t>(image.size() - 8);
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
    image[40] = image[41] = image[42] = image[43] = 0xFF;
    return image;
}

std::vector<LayoutCase> Layouts() {
    const auto odd = [] {
        Pcm pcm = Constant(Level >> 8, 101, 44100, 1);
        pcm.bits = 8;
        return WavImage(pcm);  // 101 data bytes and no pad byte after them
    }();
    auto overlong = WavImage(Constant(Level, 100));
    overlong[40] = overlong[41] = 0xFF;  // data size far beyond the RIFF chunk
    auto cutShort = WavImage(Constant(Level, 100));
    cutShort.resize(cutShort.size() - 40);  // the RIFF size says less than the data size: 90 frames
    const auto riff = static_cast<std::uint32_t>(cutShort.size() - 8);
    for (int i = 0; i < 4; ++i) cutShort[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
    return {
        {"DataPastTheRiffChunk", overlong, 100},
        {"DecodedDataPastTheRiffChunk", FloatImageClaimingGigabytes(), 100},
        {"RiffChunkEndsInsideTheData", cutShort, 90},
        {"OddDataWithoutPadByte", odd, 101},
        {"OddChunkAndItsPadBeforeData", WithChunkBeforeData(odd, {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0}),
         101},
        {"ExtendedFormatChunk",
         [] {
             auto image = WithChunkBeforeData(WavImage(Constant(Level, 100)), {0, 0});
             image[16] = 18;  // fmt chunk of 18 bytes: cbSize 0
             return image;
         }(),
         100},
    };
}

TEST_F(AudioTest, ImagesPlayTheFramesTheyHold) {
    OpenOutput();
    const std::vector<LayoutCase> cases = Layouts();
    std::vector<std::unique_ptr<std::uint8_t[]>> copies;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        copies.push_back(std::make_unique<std::uint8_t[]>(cases[i].image.size()));
        std::copy(cases[i].image.begin(), cases[i].image.end(), copies.back().get());
        const AUD_HANDLE voice = AUD_allocate_sample_handle(driver_);
        EXPECT_EQ(AUD_set_sample_file(voice, copies.back().get(), -1), 1) << cases[i].name;
        SetNow(static_cast<std::uint32_t>(10 * i));
        AUD_start_sample(voice);
        SetNow(static_cast<std::uint32_t>(10 * i + 5));
        EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE) << cases[i].name;
    }
    SetNow(100);
    const WavFile out = Finish();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto begin = out.pcm.samples.begin() + static_cast<std::ptrdiff_t>(441 * i * 2);
        const Pcm part{44100, 2, 16, {begin, begin + 441 * 2}};
        EXPECT_EQ(LastSoundingFrame(part), cases[i].frames - 1) << cases[i].name;
    }
}

TEST_F(AudioTest, OutputFileHeaderIsKeptUpToDateWhileTheRunGoesOn) {
    OpenOutput();
    SetNow(5000);
    AUD_serve();
    // Read before the library closes the file, as after a crash.
    const WavFile running = ReadWav(dir_ / "out.wav");
    EXPECT_GE(running.dataSize, 4u * 44100 * 4) << "rewritten at most a few seconds ago";
    EXPECT_EQ(running.riffSize, running.dataSize + 36);
    EXPECT_GE(std::filesystem::file_size(dir_ / "out.wav"), 44u + running.dataSize);
}

TEST_F(AudioTest, OutputFileHeaderMatchesItsLengthAfterShutdown) {
    OpenOutput(22050, 8, 1);
    SetNow(1234);
    const WavFile out = Finish();
    const auto size = std::filesystem::file_size(dir_ / "out.wav");
    EXPECT_EQ(out.riffSize, size - 8);
    EXPECT_EQ(out.dataSize, size - 44);
    EXPECT_EQ(out.dataSize, 1234u * 22050 / 1000);
}

TEST_F(AudioTest, OutputFileIsCompleteWhenTheProcessExitsWithoutShutdown) {
    const auto image = WavImage(Constant(Level, 441));
    EXPECT_EXIT(
        {
            OpenOutput();
            const AUD_HANDLE voice = VoiceWith(image);
            SetNow(300);
            AUD_start_sample(voice);
            SetNow(700);
            AUD_serve();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const WavFile out = ReadWav(dir_ / "out.wav");
    EXPECT_EQ(out.dataSize, std::filesystem::file_size(dir_ / "out.wav") - 44);
    EXPECT_EQ(out.dataSize, 700u * 441 / 10 * 4);
    EXPECT_EQ(FirstSoundingFrame(out.pcm), 300u * 441 / 10);
}

TEST_F(AudioTest, ReopeningAfterShutdownGoesOnInTheSameFile) {
    const auto image = WavImage(Constant(Level, 441));
    OpenOutput();
    AUD_HANDLE voice = VoiceWith(image);
    SetNow(100);
    AUD_start_sample(voice);
    SetNow(200);
    AUD_shutdown();
    AUD_shutdown();
    EXPECT_EQ(AUD_sample_status(voice), 0) << "voices go with the output";
    SetNow(500);
    OpenOutput();
    voice = VoiceWith(image);
    SetNow(600);
    AUD_start_sample(voice);
    SetNow(700);
    const WavFile out = Finish();
    EXPECT_EQ(out.pcm.samples.size() / 2, 700u * 441 / 10);
    EXPECT_EQ(RunOf(out.pcm, 4410, Level), 441u - FadeFrames44k);
    EXPECT_EQ(RunOf(out.pcm, 4851, 0), 600u * 441 / 10 - 4851);
    EXPECT_EQ(RunOf(out.pcm, 600u * 441 / 10, Level), 441u - FadeFrames44k);
}

struct OpenCase {
    const char* name;
    AUD_PCMWAVEFORMAT format;
    std::int32_t device;
    std::int32_t result;
};

TEST_F(AudioTest, OpenRefusesWhatItCannotDeliver) {
    const AUD_PCMWAVEFORMAT good{1, 2, 44100, 176400, 4, 16};
    auto with = [&](auto change) {
        AUD_PCMWAVEFORMAT format = good;
        change(format);
        return format;
    };
    const std::vector<OpenCase> cases = {
        {"device 1", good, 1, AUD_OPEN_BAD_DEVICE},
        {"not PCM", with([](auto& f) { f.wFormatTag = 2; }), 0, AUD_OPEN_BAD_FORMAT},
        {"12 bits", with([](auto& f) { f.wBitsPerSample = 12; }), 0, AUD_OPEN_BAD_FORMAT},
        {"no channels", with([](auto& f) { f.nChannels = 0; }), 0, AUD_OPEN_BAD_FORMAT},
        {"rate 0", with([](auto& f) { f.nSamplesPerSec = 0; }), 0, AUD_OPEN_BAD_FORMAT},
    };
    AUD_HANDLE driver = 0;
    for (const OpenCase& c : cases) {
        EXPECT_EQ(AUD_waveOutOpen(&driver, nullptr, c.device, &c.format), c.result) << c.name;
        EXPECT_STRNE(AUD_last_error(), "") << c.name;
    }
    EXPECT_EQ(AUD_waveOutOpen(nullptr, nullptr, 0, &good), AUD_OPEN_BAD_ARGUMENT);
    EXPECT_EQ(AUD_waveOutOpen(&driver, nullptr, 0, nullptr), AUD_OPEN_BAD_ARGUMENT);
    EXPECT_EQ(driver, 0u);
    ASSERT_EQ(AUD_waveOutOpen(&driver, nullptr, 0, &good), AUD_OPEN_OK);
    EXPECT_NE(driver, 0u);
    AUD_HANDLE second = 0;
    EXPECT_EQ(AUD_waveOutOpen(&second, nullptr, 0, &good), AUD_OPEN_ALREADY_OPEN);
}

TEST_F(AudioTest, ShutdownWithoutOutputIsHarmless) {
    AUD_shutdown();
    AUD_shutdown();
    EXPECT_EQ(AUD_allocate_sample_handle(1), 0u);
    AUD_start_sample(1);
    AUD_serve();
    EXPECT_EQ(AUD_sample_status(1), 0);
}

TEST_F(AudioTest, EmptySoundsEndAtOnceInAnyFormat) {
    OpenOutput();
    for (const std::uint32_t rate : {44100u, 22050u}) {
        SCOPED_TRACE(rate);
        const auto image = WavImage(Constant(Level, 0, rate));
        const AUD_HANDLE voice = VoiceWith(image);
        AUD_start_sample(voice);
        SetNow(10);
        EXPECT_EQ(AUD_sample_status(voice), AUD_SAMPLE_DONE);
    }
}

}  // namespace
}  // namespace audtest
