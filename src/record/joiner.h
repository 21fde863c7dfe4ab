// SPDX-License-Identifier: GPL-3.0-or-later
// Stretches of several runs, each recorded losslessly with a picture per
// change, joined one after the other into one video with a chapter for each.
// Their pictures and sound are decoded and encoded once more as the target
// asks; at a constant rate each stretch's frames count from its start.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/settings.h"
#include "record/container.h"
#include "record/encoder.h"

struct AVFrame;
struct SwsContext;

namespace record {

struct JoinedPart {
    std::string file;                    // a lossless recording of a whole run, a picture per change
    std::string title;                   // its chapter's
    std::uint64_t fromMs = 0, toMs = 0;  // the stretch of the run that goes in
};

class Joiner {
public:
    // fps 0: a picture per change, as the runs were recorded.
    Joiner(const Container& container, std::string path, int fps);
    ~Joiner();
    Joiner(const Joiner&) = delete;
    Joiner& operator=(const Joiner&) = delete;

    // Appends the part's stretch; one that lasts no frame adds nothing.
    bool Add(const JoinedPart& part);
    // Writes the file; on failure leaves nothing behind.
    bool Finish();

    const std::string& Error() const { return error_; }
    std::uint64_t Ms() const { return static_cast<std::uint64_t>(end_) * 1000 / UnitsPerSecond(); }
    std::uint64_t Frames() const { return frames_; }

private:
    struct Stretch;
    struct Source;
    std::uint64_t UnitsPerSecond() const { return fps_ ? static_cast<std::uint64_t>(fps_) : 1000; }
    bool Fail(const std::string& what);
    bool OpenSource(const JoinedPart& part, Source& source);
    bool Decode(const JoinedPart& part, Source& source, Stretch& stretch);
    bool TakePicture(const AVFrame* frame, std::int64_t at, Stretch& stretch);
    bool Emit(Stretch& stretch, std::int64_t until);
    bool TakeSamples(const AVFrame* frame, Stretch& stretch);
    bool WriteSamples(const std::int16_t* samples, std::uint64_t frames);

    Container container_;
    std::string path_;
    int fps_;
    Encoder encoder_;
    std::string error_;
    platform::Size size_;   // of the video; none until the first picture
    std::int64_t end_ = 0;  // where the next part starts, in frames (fps) or milliseconds
    std::uint64_t frames_ = 0;
    std::vector<std::uint8_t> held_;  // RGB at the video's size
    SwsContext* toRgb_ = nullptr;
    // The joined sound, written as a WAV file beside the target for the encoder.
    std::string mixPath_;
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> mix_;
    int rate_ = 0, channels_ = 0;
    std::uint64_t mixFrames_ = 0;
};

}  // namespace record
