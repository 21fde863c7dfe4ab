// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/joiner.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "record/wav_source.h"

namespace record {
namespace {

struct Closer {
    void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A 16-bit PCM WAV header for `frames` frames.
std::vector<std::uint8_t> WavHeader(int rate, int channels, std::uint64_t frames) {
    std::vector<std::uint8_t> header(44, 0);
    const auto blockAlign = static_cast<std::uint32_t>(channels * 2);
    const auto dataBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames * blockAlign, 0xFFFFFFF0u));
    std::memcpy(header.data(), "RIFF", 4);
    PutLe32(&header[4], 36 + dataBytes);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    PutLe32(&header[16], 16);
    PutLe32(&header[20], 1 | static_cast<std::uint32_t>(channels) << 16);
    PutLe32(&header[24], static_cast<std::uint32_t>(rate));
    PutLe32(&header[28], static_cast<std::uint32_t>(rate) * blockAlign);
    PutLe32(&header[32], blockAlign | 16u << 16);
    std::memcpy(&header[36], "data", 4);
    PutLe32(&header[40], dataBytes);
    return header;
}

}  // namespace

// Where a part's stretch lies in its own run (milliseconds), how long it is
// in the video (frames or milliseconds), and how far its pictures and sound
// have come.
struct Joiner::Stretch {
    std::int64_t from = 0, to = 0;
    std::int64_t length = 0;
    std::int64_t heldAt = 0;     // when the picture held began showing, or `from`
    std::int64_t nextFrame = 0;  // at a constant rate
    std::uint64_t firstSample = 0, endSample = 0, samplesSeen = 0;
};

struct Joiner::Source {
    std::unique_ptr<AVFormatContext, Closer> input;
    std::vector<std::unique_ptr<AVCodecContext, Closer>> decoders;
};

Joiner::Joiner(const Container& container, std::string path, int fps)
    : container_(container),
      path_(std::move(path)),
      fps_(fps),
      encoder_(container, path_, fps),
      mixPath_(path_ + ".mix.wav") {}

Joiner::~Joiner() {
    sws_freeContext(toRgb_);
    mix_.reset();
    std::error_code ignored;
    std::filesystem::remove(mixPath_, ignored);
}

bool Joiner::Fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
}

bool Joiner::Add(const JoinedPart& part) {
    if (!error_.empty()) return false;
    Stretch stretch;
    stretch.from = static_cast<std::int64_t>(part.fromMs);
    stretch.to = static_cast<std::int64_t>(part.toMs);
    // At a constant rate the frames count from the stretch's start, so that
    // the first shows what the run showed then.
    stretch.length = fps_ ? ((stretch.to - stretch.from) * fps_ + 999) / 1000 : stretch.to - stretch.from;
    if (stretch.length <= 0) return true;
    stretch.heldAt = stretch.from;

    Source source;
    if (!OpenSource(part, source)) return false;
    // As much sound as the video has so far, so that the parts stay in step.
    const auto rate = static_cast<std::uint64_t>(rate_);
    const auto soundAt = [&](std::int64_t units) {
        return static_cast<std::uint64_t>(units) * rate / UnitsPerSecond();
    };
    stretch.firstSample = static_cast<std::uint64_t>(stretch.from) * rate / 1000;
    stretch.endSample = stretch.firstSample + soundAt(end_ + stretch.length) - soundAt(end_);
    // What the run showed before its first picture: black.
    std::fill(held_.begin(), held_.end(), 0);

    if (!Decode(part, source, stretch)) return false;
    if (size_.width == 0) return Fail("the recording " + part.file + " shows nothing");
    if (!Emit(stretch, stretch.to)) return false;
    // Sound that ends early is made up with silence, so the next part starts in step.
    const std::uint64_t taken = std::clamp(stretch.samplesSeen, stretch.firstSample, stretch.endSample);
    const std::vector<std::int16_t> silence((stretch.endSample - taken) * static_cast<std::uint64_t>(channels_), 0);
    if (!WriteSamples(silence.data(), stretch.endSample - taken)) return false;
    encoder_.AddChapter({part.title, end_, end_ + stretch.length});
    end_ += stretch.length;
    return true;
}

// Opens the recording and a decoder for each of its streams; the sound must
// match the parts before it.
bool Joiner::OpenSource(const JoinedPart& part, Source& source) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, part.file.c_str(), nullptr, nullptr) < 0)
        return Fail("cannot read the recording " + part.file);
    source.input.reset(opened);
    if (avformat_find_stream_info(source.input.get(), nullptr) < 0)
        return Fail("cannot read the recording " + part.file);
    bool hasSound = false;
    for (unsigned i = 0; i < source.input->nb_streams; ++i) {
        const AVCodecParameters* parameters = source.input->streams[i]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        source.decoders.emplace_back(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!source.decoders.back() || avcodec_parameters_to_context(source.decoders.back().get(), parameters) < 0 ||
            avcodec_open2(source.decoders.back().get(), codec, nullptr) < 0)
            return Fail("cannot decode the recording " + part.file);
        if (parameters->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        if (rate_ && (parameters->sample_rate != rate_ || parameters->ch_layout.nb_channels != channels_))
            return Fail("the runs' sounds differ in format");
        rate_ = parameters->sample_rate;
        channels_ = parameters->ch_layout.nb_channels;
        hasSound = true;
    }
    return hasSound ? true : Fail("the recording " + part.file + " has no sound");
}

// Decodes the whole recording into the stretch, pictures and sound as they come.
bool Joiner::Decode(const JoinedPart& part, Source& source, Stretch& stretch) {
    std::unique_ptr<AVPacket, Closer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, Closer> frame(av_frame_alloc());
    if (!packet || !frame) return Fail("out of memory");
    auto drain = [&](unsigned stream) {
        AVCodecContext* decoder = source.decoders[stream].get();
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) {
            if (decoder->codec_type == AVMEDIA_TYPE_AUDIO) {
                if (!TakeSamples(frame.get(), stretch)) return false;
                continue;
            }
            const double seconds =
                static_cast<double>(frame->best_effort_timestamp) * av_q2d(source.input->streams[stream]->time_base);
            const auto at = static_cast<std::int64_t>(std::llround(seconds * 1000));
            if (!TakePicture(frame.get(), at, stretch)) return false;
        }
        return true;
    };
    while (av_read_frame(source.input.get(), packet.get()) >= 0) {
        const auto stream = static_cast<unsigned>(packet->stream_index);
        const bool sent = avcodec_send_packet(source.decoders[stream].get(), packet.get()) >= 0;
        av_packet_unref(packet.get());
        if (!sent) return Fail("cannot decode the recording " + part.file);
        if (!drain(stream)) return false;
    }
    for (unsigned stream = 0; stream < source.decoders.size(); ++stream) {
        avcodec_send_packet(source.decoders[stream].get(), nullptr);
        if (!drain(stream)) return false;
    }
    return true;
}

bool Joiner::TakePicture(const AVFrame* frame, std::int64_t at, Stretch& stretch) {
    if (at >= stretch.to) return true;
    // 4:2:0 pictures have whole chroma samples only on even sides: the
    // picture is placed at the top left of one a pixel wider or taller.
    platform::Size size{frame->width, frame->height};
    if (!container_.lossless) size = {size.width + (size.width & 1), size.height + (size.height & 1)};
    if (size_.width == 0) {
        size_ = size;
        if (!encoder_.OpenVideo(size_)) return Fail(encoder_.Error());
        held_.assign(static_cast<std::size_t>(size_.width) * size_.height * 3, 0);
    } else if (!(size == size_)) {
        return Fail("the runs' pictures differ in size");
    }
    if (at > stretch.from) {
        if (!Emit(stretch, at)) return false;
        stretch.heldAt = at;
    }
    toRgb_ = sws_getCachedContext(toRgb_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                  frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    if (!toRgb_) return Fail("cannot convert the picture");
    std::uint8_t* out[1] = {held_.data()};
    const int stride[1] = {size_.width * 3};
    sws_scale(toRgb_, frame->data, frame->linesize, 0, frame->height, out, stride);
    return true;
}

bool Joiner::Emit(Stretch& stretch, std::int64_t until) {
    if (fps_) {
        // The frames whose time falls before `until`, as a recording at this rate takes them.
        for (; stretch.nextFrame * 1000 < (until - stretch.from) * fps_; ++stretch.nextFrame, ++frames_)
            if (!encoder_.AddFrame(held_.data(), end_ + stretch.nextFrame, 1)) return Fail(encoder_.Error());
        return true;
    }
    if (until <= stretch.heldAt) return true;
    ++frames_;
    if (!encoder_.AddFrame(held_.data(), end_ + stretch.heldAt - stretch.from, until - stretch.heldAt))
        return Fail(encoder_.Error());
    return true;
}

bool Joiner::TakeSamples(const AVFrame* frame, Stretch& stretch) {
    if (frame->format != AV_SAMPLE_FMT_S16) return Fail("the runs' sound is not 16-bit");
    const auto count = static_cast<std::uint64_t>(frame->nb_samples);
    const std::uint64_t from = std::clamp(stretch.samplesSeen, stretch.firstSample, stretch.endSample);
    const std::uint64_t to = std::clamp(stretch.samplesSeen + count, stretch.firstSample, stretch.endSample);
    const auto* samples = reinterpret_cast<const std::int16_t*>(frame->data[0]);
    const std::uint64_t skip = from - stretch.samplesSeen;
    stretch.samplesSeen += count;
    return WriteSamples(samples + skip * static_cast<std::uint64_t>(channels_), to - from);
}

bool Joiner::WriteSamples(const std::int16_t* samples, std::uint64_t frames) {
    if (!mix_) {
        mix_.reset(std::fopen(mixPath_.c_str(), "wb"));
        const std::vector<std::uint8_t> header = WavHeader(rate_, channels_, 0);
        if (!mix_ || std::fwrite(header.data(), 1, header.size(), mix_.get()) != header.size())
            return Fail("cannot write " + mixPath_ + ": " + std::strerror(errno));
    }
    const std::size_t values = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_);
    if (values && std::fwrite(samples, sizeof(std::int16_t), values, mix_.get()) != values)
        return Fail("cannot write " + mixPath_ + ": " + std::strerror(errno));
    mixFrames_ += frames;
    return true;
}

bool Joiner::Finish() {
    if (!error_.empty()) return false;
    if (size_.width == 0) return Fail("nothing was shown");
    // The header's lengths are known only now.
    const std::vector<std::uint8_t> header = WavHeader(rate_, channels_, mixFrames_);
    const bool written = mix_ && std::fseek(mix_.get(), 0, SEEK_SET) == 0 &&
                         std::fwrite(header.data(), 1, header.size(), mix_.get()) == header.size();
    if (!written || std::fclose(mix_.release()) != 0)
        return Fail("cannot write " + mixPath_ + ": " + std::strerror(errno));
    std::string error;
    const std::unique_ptr<WavSource> sound = WavSource::Open(mixPath_, error);
    if (!sound) return Fail(error);
    if (!encoder_.Finish(*sound)) return Fail(encoder_.Error());
    return true;
}

}  // namespace record
