// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/recorder.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/core/run_observer.h"
#include "platform/core/screen.h"
#include "platform/core/tell_user.h"
#include "platform/core/viewport.h"
#include "platform/headless/input_script.h"
#include "record/container.h"
#include "record/encoder.h"
#include "record/progress.h"
#include "record/wav_source.h"

namespace record {
namespace {

// The last event of the input script: where the run most likely ends.
std::uint64_t ExpectedEndMs(const std::string& input) {
    if (input.empty()) return 0;
    std::ifstream in(input, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::uint64_t end = 0;
    for (const auto& event : platform::ParseInputScript(text.str()).events) end = std::max(end, event.time);
    return end;
}

class Recorder final : public platform::RunObserver {
public:
    Recorder(const RecordOptions& options, const Container& container, std::string mixPath, bool keepMix)
        : options_(options),
          encoder_(container, options.file, options.fps),
          evenSize_(!container.lossless),
          mixPath_(std::move(mixPath)),
          keepMix_(keepMix),
          expectedMs_(ExpectedEndMs(options.input)) {}

    void Presented(const platform::Screen& screen, std::uint64_t ms) override {
        if (failed_) return;
        if (!opened_ && !Open(screen.GetSize())) return;
        if (ms > heldMs_) Emit(ms);
        held_ = Canvas(screen);
        heldMs_ = ms;
        progress_.Show(ms, frames_, expectedMs_, false);
    }

    int Ended(int exitCode, std::uint64_t ms) override {
        if (!opened_ && !failed_) {
            // A player that could not start has said why already.
            if (exitCode != 0) return exitCode;
            platform::TellUser("corvanta: cannot record to " + options_.file + ": nothing was shown");
            return 2;
        }
        if (!failed_) Emit(std::max(ms, heldMs_ + 1));
        progress_.Show(ms, frames_, expectedMs_, true);
        std::string error;
        std::unique_ptr<WavSource> mix;
        if (!failed_) {
            if (std::filesystem::exists(mixPath_))
                mix = WavSource::Open(mixPath_, error);
            else
                mix = std::make_unique<WavSource>(WavSource::Silence(ms * 44100 / 1000));
        }
        const bool done = !failed_ && mix && encoder_.Finish(*mix);
        if (!keepMix_) {
            std::error_code ignored;
            std::filesystem::remove(mixPath_, ignored);
        }
        if (done) return exitCode;
        if (error.empty()) error = encoder_.Error();
        platform::TellUser("corvanta: cannot record to " + options_.file + ": " + error);
        return 2;
    }

private:
    bool Open(platform::Size screen) {
        output_ = options_.size.value_or(screen);
        // 4:2:0 pictures have whole chroma samples only on even sides.
        if (evenSize_) output_ = {output_.width + (output_.width & 1), output_.height + (output_.height & 1)};
        opened_ = true;
        if (!encoder_.OpenVideo(output_)) return Failed();
        // What the screen showed before its first present: black.
        held_.assign(static_cast<std::size_t>(output_.width) * output_.height * 3, 0);
        heldMs_ = 0;
        return true;
    }

    bool Failed() {
        failed_ = true;
        return false;
    }

    // The held picture for the time until `until`: one frame at its time, or
    // the frames of the constant rate that fall before `until`.
    void Emit(std::uint64_t until) {
        if (failed_) return;
        if (!options_.fps) {
            if (!encoder_.AddFrame(held_.data(), static_cast<std::int64_t>(heldMs_),
                                   static_cast<std::int64_t>(until - heldMs_)))
                Failed();
            ++frames_;
            return;
        }
        const auto fps = static_cast<std::uint64_t>(options_.fps);
        for (; nextFrame_ * 1000 < until * fps; ++nextFrame_, ++frames_)
            if (!encoder_.AddFrame(held_.data(), static_cast<std::int64_t>(nextFrame_), 1)) {
                Failed();
                return;
            }
    }

    // The screen as RGB at the video's size, placed and scaled as the player
    // places its screen in a window (nearest neighbour for whole multiples).
    std::vector<std::uint8_t> Canvas(const platform::Screen& screen) {
        std::vector<std::uint8_t> rgb = screen.ToRgb();
        const platform::Size size = screen.GetSize();
        if (size == output_) return rgb;
        // Without --size the video differs from the screen only by a side made even: no scaling then.
        const platform::Placement place = platform::PlaceScreen(
            size, output_, options_.size ? platform::CurrentSettings().scale : platform::ScaleMode::Integer);
        std::vector<std::uint8_t> canvas(static_cast<std::size_t>(output_.width) * output_.height * 3, 0);
        if (place.width <= 0 || place.height <= 0) return canvas;
        const bool whole = place.width % size.width == 0 && place.height % size.height == 0;
        scale_ = sws_getCachedContext(scale_, size.width, size.height, AV_PIX_FMT_RGB24, place.width, place.height,
                                      AV_PIX_FMT_RGB24, whole ? SWS_POINT : SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scale_) return canvas;
        const std::uint8_t* in[1] = {rgb.data()};
        const int inStride[1] = {size.width * 3};
        std::uint8_t* out[1] = {canvas.data() + (static_cast<std::size_t>(place.y) * output_.width + place.x) * 3};
        const int outStride[1] = {output_.width * 3};
        sws_scale(scale_, in, inStride, 0, size.height, out, outStride);
        return canvas;
    }

    RecordOptions options_;
    Encoder encoder_;
    bool evenSize_;
    std::string mixPath_;
    bool keepMix_;
    std::uint64_t expectedMs_;
    ProgressLine progress_;
    bool opened_ = false;
    bool failed_ = false;
    platform::Size output_;
    std::vector<std::uint8_t> held_;
    std::uint64_t heldMs_ = 0;
    std::uint64_t nextFrame_ = 0;
    std::uint64_t frames_ = 0;
    SwsContext* scale_ = nullptr;  // lives as long as the process
};

std::optional<int> ParseFps(const char* text) {
    char* end = nullptr;
    const long fps = std::strtol(text, &end, 10);
    if (end == text || *end || fps < 1 || fps > 240) return std::nullopt;
    return static_cast<int>(fps);
}

}  // namespace

RecordArguments TakeRecordArguments(int argc, char** argv) {
    RecordArguments result;
    // Without --record the player takes the arguments as ever: others are ignored.
    if (std::none_of(argv + std::min(argc, 1), argv + argc,
                     [](const char* arg) { return std::strcmp(arg, "--record") == 0; })) {
        result.rest.assign(argv, argv + argc);
        return result;
    }
    RecordOptions options;
    for (int i = 0; i < argc; ++i) {
        const bool takesValue =
            i > 0 && (std::strcmp(argv[i], "--record") == 0 || std::strcmp(argv[i], "--input") == 0 ||
                      std::strcmp(argv[i], "--fps") == 0 || std::strcmp(argv[i], "--size") == 0);
        if (!takesValue) {
            result.rest.push_back(argv[i]);
            continue;
        }
        const char* name = argv[i];
        if (i + 1 >= argc) {
            result.error = std::string(name) + " needs a value";
            return result;
        }
        const char* value = argv[++i];
        if (std::strcmp(name, "--record") == 0) {
            options.file = value;
        } else if (std::strcmp(name, "--input") == 0) {
            options.input = value;
        } else if (std::strcmp(name, "--fps") == 0) {
            auto fps = ParseFps(value);
            if (!fps) {
                result.error = std::string("--fps takes a whole number of frames a second from 1 to 240, not ") + value;
                return result;
            }
            options.fps = *fps;
        } else {
            options.size = platform::ParseSize(value);
            if (!options.size) {
                result.error = std::string("--size takes WxH, not ") + value;
                return result;
            }
        }
    }
    result.options = options;
    return result;
}

std::optional<Container> RecordingTarget(const std::string& file, std::string& error) {
    const std::optional<Container> container = ContainerFor(file);
    if (!container) {
        error = "cannot record to " + file + ": unknown extension (use .mkv, .mp4 or .webm)";
        return std::nullopt;
    }
    if (std::string missing = MissingEncoder(*container); !missing.empty()) {
        error = "cannot record to " + file + ": the installed FFmpeg libraries have no " + missing;
        return std::nullopt;
    }
    // A folder that cannot take the file is known before the run, not after.
    const std::string part = file + ".part";
    std::FILE* probe = std::fopen(part.c_str(), "wb");
    if (!probe) {
        error = "cannot record to " + file + ": cannot create " + part + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::fclose(probe);
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return container;
}

bool StartRecording(const RecordOptions& given, std::string& error) {
    const std::optional<Container> container = RecordingTarget(given.file, error);
    if (!container) return false;
    RecordOptions options = given;
    // The player moves into the presentation's folder: names given here stay
    // where they were meant.
    std::error_code ignored;
    options.file = std::filesystem::absolute(options.file, ignored).string();
    if (!options.input.empty()) {
        options.input = std::filesystem::absolute(options.input, ignored).string();
        ::setenv("CORVANTA_INPUT", options.input.c_str(), 1);
    }
    ::setenv("CORVANTA_DRIVER", "headless", 1);
    // The mix is read back from the audio library's render.
    const char* givenMix = std::getenv("CORVANTA_AUDIO_OUT");
    const bool keepMix = givenMix && *givenMix;
    std::string mixPath = keepMix ? std::filesystem::absolute(givenMix, ignored).string() : options.file + ".mix.wav";
    ::setenv("CORVANTA_AUDIO_OUT", mixPath.c_str(), 1);
    if (!keepMix) std::filesystem::remove(mixPath, ignored);
    static std::optional<Recorder> recorder;
    recorder.emplace(options, *container, std::move(mixPath), keepMix);
    platform::ObserveRun(&*recorder);
    return true;
}

}  // namespace record
