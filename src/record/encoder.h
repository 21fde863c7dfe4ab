// SPDX-License-Identifier: GPL-3.0-or-later
// Encodes a recording through FFmpeg's libraries. Pictures are encoded as they
// come and their packets kept in a temporary file; at the end the sound is
// encoded and both are muxed into a file beside the target, which is renamed
// to the target only once it is complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/settings.h"
#include "record/container.h"
#include "record/wav_source.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace record {

struct Chapter {
    std::string title;
    std::int64_t start = 0, end = 0;  // in frames (fps) or milliseconds, as pts
};

class Encoder {
public:
    // fps 0: timestamps in milliseconds, one frame per change of the picture.
    Encoder(const Container& container, std::string path, int fps);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Frames of this size from now on (RGB, rows top to bottom).
    bool OpenVideo(platform::Size size);
    // pts and duration in frames (fps) or milliseconds.
    bool AddFrame(const std::uint8_t* rgb, std::int64_t pts, std::int64_t duration);
    // A chapter of the file, in the order chapters are given; before Finish.
    void AddChapter(Chapter chapter) { chapters_.push_back(std::move(chapter)); }
    // Encodes the sound and writes the file; on failure leaves nothing behind.
    bool Finish(WavSource& sound);

    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& what, int code);
    bool Spill(AVPacket* packet);
    bool DrainVideo();
    class SoundTrack;
    bool StartOutput(const AVCodecContext* audio, AVStream*& videoStream, AVStream*& audioStream);
    bool WriteVideo(SoundTrack& sound, AVStream* videoStream, AVPacket* packet);
    bool Mux(WavSource& sound);
    bool WriteChapters();

    Container container_;
    std::string path_;
    std::string partPath_;
    int fps_;
    std::string error_;
    std::vector<Chapter> chapters_;
    AVFormatContext* output_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* toYuv_ = nullptr;
    std::map<std::int64_t, std::int64_t> durations_;  // by pts, until the packet comes out
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> spill_;
};

}  // namespace record
