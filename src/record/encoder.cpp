// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace record {
namespace {

// How a video packet is kept in the temporary file.
struct SpilledPacket {
    std::int64_t pts;
    std::int64_t dts;
    std::int64_t duration;
    std::int32_t flags;
    std::int32_t size;
};

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwrFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct FifoFree {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

void ApplyVideoOptions(const Container& container, AVCodecContext* context) {
    if (container.lossless) {
        // Version 3 cuts each picture into slices that encode in parallel.
        context->level = 3;
        av_opt_set_int(context->priv_data, "slicecrc", 1, 0);
    } else if (std::strcmp(container.videoEncoder, "libx264") == 0) {
        av_opt_set(context->priv_data, "preset", "fast", 0);
        av_opt_set(context->priv_data, "crf", "18", 0);
    } else {
        av_opt_set(context->priv_data, "deadline", "good", 0);
        av_opt_set_int(context->priv_data, "cpu-used", 4, 0);
        av_opt_set_int(context->priv_data, "crf", 24, 0);
        av_opt_set_int(context->priv_data, "row-mt", 1, 0);
        context->bit_rate = 0;
    }
}

AVSampleFormat PickSampleFormat(const AVCodec* codec) {
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* format = codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format)
        if (*format == AV_SAMPLE_FMT_S16) return *format;
    return codec->sample_fmts[0];
}

int PickRate(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates) return rate;
    for (const int* supported = codec->supported_samplerates; *supported; ++supported)
        if (*supported == rate) return rate;
    for (const int* supported = codec->supported_samplerates; *supported; ++supported)
        if (*supported == 48000) return 48000;
    return codec->supported_samplerates[0];
}

}  // namespace

Encoder::Encoder(const Container& container, std::string path, int fps)
    : container_(container), path_(std::move(path)), partPath_(path_ + ".part"), fps_(fps) {
    // What goes wrong is said once, in the recorder's own words.
    av_log_set_level(AV_LOG_QUIET);
}

Encoder::~Encoder() {
    sws_freeContext(toYuv_);
    av_frame_free(&frame_);
    avcodec_free_context(&video_);
    if (output_) {
        if (output_->pb) avio_closep(&output_->pb);
        avformat_free_context(output_);
    }
}

bool Encoder::Fail(const std::string& what, int code) {
    if (error_.empty()) error_ = code < 0 ? what + ": " + AvError(code) : what;
    return false;
}

bool Encoder::OpenVideo(platform::Size size) {
    int code = avformat_alloc_output_context2(&output_, nullptr, container_.muxer, partPath_.c_str());
    if (code < 0) return Fail("cannot set up the container", code);
    // No random identifiers or dates: the same run makes the same file.
    output_->flags |= AVFMT_FLAG_BITEXACT;
    const AVCodec* codec = avcodec_find_encoder_by_name(container_.videoEncoder);
    if (!codec) return Fail(std::string("no encoder ") + container_.videoEncoder, 0);
    video_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    if (!video_ || !frame_) return Fail("out of memory", 0);
    video_->width = size.width;
    video_->height = size.height;
    video_->pix_fmt = container_.lossless ? AV_PIX_FMT_0RGB32 : AV_PIX_FMT_YUV420P;
    video_->time_base = fps_ ? AVRational{1, fps_} : AVRational{1, 1000};
    if (fps_) video_->framerate = {fps_, 1};
    if (!container_.lossless) {
        video_->colorspace = AVCOL_SPC_SMPTE170M;
        video_->color_range = AVCOL_RANGE_MPEG;
    }
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // A fixed number of threads: how encoders split their work shapes their
    // output, which must not depend on the machine.
    video_->thread_count = 2;
    ApplyVideoOptions(container_, video_);
    if ((code = avcodec_open2(video_, codec, nullptr)) < 0)
        return Fail(std::string("cannot open the encoder ") + container_.videoEncoder, code);
    frame_->format = video_->pix_fmt;
    frame_->width = size.width;
    frame_->height = size.height;
    if ((code = av_frame_get_buffer(frame_, 0)) < 0) return Fail("out of memory", code);
    if (!container_.lossless) {
        toYuv_ = sws_getContext(size.width, size.height, AV_PIX_FMT_RGB24, size.width, size.height, AV_PIX_FMT_YUV420P,
                                SWS_POINT, nullptr, nullptr, nullptr);
        if (!toYuv_) return Fail("cannot convert the picture", 0);
    }
    spill_.reset(std::tmpfile());
    if (!spill_) return Fail("cannot create a temporary file", 0);
    return true;
}

bool Encoder::AddFrame(const std::uint8_t* rgb, std::int64_t pts, std::int64_t duration) {
    if (!error_.empty()) return false;
    int code = av_frame_make_writable(frame_);
    if (code < 0) return Fail("out of memory", code);
    const int width = frame_->width;
    if (container_.lossless) {
        // Whole pixels 0x00RRGGBB: the RGB bytes as they are.
        for (int y = 0; y < frame_->height; ++y) {
            const std::uint8_t* in = rgb + static_cast<std::size_t>(y) * width * 3;
            auto* out = reinterpret_cast<std::uint32_t*>(frame_->data[0] +
                                                         static_cast<std::ptrdiff_t>(y) * frame_->linesize[0]);
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = static_cast<std::uint32_t>(in[0]) << 16 | static_cast<std::uint32_t>(in[1]) << 8 | in[2];
        }
    } else {
        const std::uint8_t* planes[1] = {rgb};
        const int strides[1] = {width * 3};
        sws_scale(toYuv_, planes, strides, 0, frame_->height, frame_->data, frame_->linesize);
    }
    frame_->pts = pts;
    durations_[pts] = duration;
    if ((code = avcodec_send_frame(video_, frame_)) < 0) return Fail("cannot encode a picture", code);
    return DrainVideo();
}

bool Encoder::DrainVideo() {
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    while (true) {
        const int code = avcodec_receive_packet(video_, packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
        if (code < 0) return Fail("cannot encode a picture", code);
        if (auto known = durations_.find(packet->pts); known != durations_.end()) {
            packet->duration = known->second;
            durations_.erase(known);
        }
        const bool spilled = Spill(packet.get());
        av_packet_unref(packet.get());
        if (!spilled) return false;
    }
}

bool Encoder::Spill(AVPacket* packet) {
    const SpilledPacket header{packet->pts, packet->dts, packet->duration, packet->flags, packet->size};
    if (std::fwrite(&header, sizeof header, 1, spill_.get()) != 1 ||
        std::fwrite(packet->data, 1, static_cast<std::size_t>(packet->size), spill_.get()) !=
            static_cast<std::size_t>(packet->size))
        return Fail("cannot write a temporary file: " + std::string(std::strerror(errno)), 0);
    return true;
}

bool Encoder::Finish(WavSource& sound) {
    if (!error_.empty()) return false;
    int code = avcodec_send_frame(video_, nullptr);
    if (code < 0) return Fail("cannot encode a picture", code);
    if (!DrainVideo()) return false;
    if (std::fflush(spill_.get()) != 0)
        return Fail("cannot write a temporary file: " + std::string(std::strerror(errno)), 0);
    std::rewind(spill_.get());
    const bool done = Mux(sound);
    if (output_->pb) {
        code = avio_closep(&output_->pb);
        if (done && code < 0) Fail("cannot write " + path_, code);
    }
    std::error_code ignored;
    if (!error_.empty()) {
        std::filesystem::remove(partPath_, ignored);
        return false;
    }
    std::filesystem::rename(partPath_, path_, ignored);
    if (ignored) {
        std::filesystem::remove(partPath_, ignored);
        return Fail("cannot write " + path_, 0);
    }
    return true;
}

bool Encoder::WriteChapters() {
    if (chapters_.empty()) return true;
    // Freed with the output context, as the muxers expect.
    output_->chapters = static_cast<AVChapter**>(av_calloc(chapters_.size(), sizeof(AVChapter*)));
    if (!output_->chapters) return Fail("out of memory", 0);
    for (const Chapter& given : chapters_) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter) return Fail("out of memory", 0);
        output_->chapters[output_->nb_chapters++] = chapter;
        chapter->id = output_->nb_chapters;
        chapter->time_base = video_->time_base;
        chapter->start = given.start;
        chapter->end = given.end;
        if (av_dict_set(&chapter->metadata, "title", given.title.c_str(), 0) < 0) return Fail("out of memory", 0);
    }
    return true;
}

// Feeds the mix through the sound encoder into the output, as far as the
// video has come, so that the muxer interleaves the two as it writes.
class Encoder::SoundTrack {
public:
    SoundTrack(Encoder& encoder, WavSource& sound, AVCodecContext* audio, AVStream* stream, SwrContext* convert,
               AVPacket* packet)
        : encoder_(encoder),
          sound_(sound),
          audio_(audio),
          stream_(stream),
          convert_(convert),
          packet_(packet),
          channels_(sound.Channels()),
          fifo_(av_audio_fifo_alloc(audio->sample_fmt, channels_, 1 << 14)),
          samples_(av_frame_alloc()),
          frameSize_(audio->frame_size > 0 ? audio->frame_size : 4096) {}

    bool Allocated() const { return fifo_ && samples_; }

    // Sound up to `seconds` (all of it when negative) encoded and written.
    bool UpTo(double seconds) {
        while (seconds < 0 || static_cast<double>(pts_) / audio_->sample_rate <= seconds) {
            while (!ended_ && av_audio_fifo_size(fifo_.get()) < frameSize_)
                if (!Feed()) return false;
            const int count = std::min(av_audio_fifo_size(fifo_.get()), frameSize_);
            if (count == 0) return true;
            if (!EncodeFrame(count)) return false;
        }
        return true;
    }

    // What the encoder still holds, written.
    bool Flush() {
        const int code = avcodec_send_frame(audio_, nullptr);
        if (code < 0) return encoder_.Fail("cannot encode the sound", code);
        return WritePackets();
    }

private:
    bool WritePackets() {
        int code;
        while ((code = avcodec_receive_packet(audio_, packet_)) >= 0) {
            av_packet_rescale_ts(packet_, audio_->time_base, stream_->time_base);
            packet_->stream_index = stream_->index;
            if ((code = av_interleaved_write_frame(encoder_.output_, packet_)) < 0)
                return encoder_.Fail("cannot write " + encoder_.path_, code);
        }
        return code == AVERROR(EAGAIN) || code == AVERROR_EOF ? true : encoder_.Fail("cannot encode the sound", code);
    }

    bool EncodeFrame(int count) {
        av_frame_unref(samples_.get());
        samples_->nb_samples = count;
        samples_->format = audio_->sample_fmt;
        samples_->sample_rate = audio_->sample_rate;
        av_channel_layout_copy(&samples_->ch_layout, &audio_->ch_layout);
        int code = av_frame_get_buffer(samples_.get(), 0);
        if (code < 0) return encoder_.Fail("out of memory", code);
        av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(samples_->data), count);
        samples_->pts = pts_;
        pts_ += count;
        if ((code = avcodec_send_frame(audio_, samples_.get())) < 0)
            return encoder_.Fail("cannot encode the sound", code);
        return WritePackets();
    }

    // Fills the converter's output into the fifo; at the end of the mix, flushes it.
    bool Feed() {
        std::vector<std::uint8_t> bytes = sound_.Read(static_cast<std::uint64_t>(frameSize_));
        const int frames = static_cast<int>(bytes.size() / (static_cast<std::size_t>(channels_) * (sound_.Bits() / 8)));
        ended_ = frames == 0;
        if (!convert_) {
            void* data[1] = {bytes.data()};
            return frames == 0 || av_audio_fifo_write(fifo_.get(), data, frames) == frames
                       ? true
                       : encoder_.Fail("out of memory", 0);
        }
        const std::uint8_t* in[1] = {bytes.data()};
        const int room = swr_get_out_samples(convert_, frames);
        std::unique_ptr<AVFrame, FrameFree> converted(av_frame_alloc());
        converted->format = audio_->sample_fmt;
        converted->nb_samples = std::max(room, 1);
        av_channel_layout_copy(&converted->ch_layout, &audio_->ch_layout);
        const int code = av_frame_get_buffer(converted.get(), 0);
        if (code < 0) return encoder_.Fail("out of memory", code);
        const int made = swr_convert(convert_, converted->data, converted->nb_samples, frames ? in : nullptr, frames);
        if (made < 0) return encoder_.Fail("cannot convert the sound", made);
        return av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted->data), made) == made
                   ? true
                   : encoder_.Fail("out of memory", 0);
    }

    Encoder& encoder_;
    WavSource& sound_;
    AVCodecContext* audio_;
    AVStream* stream_;
    SwrContext* convert_;  // none when the encoder takes the mix as it is
    AVPacket* packet_;
    int channels_;
    std::unique_ptr<AVAudioFifo, FifoFree> fifo_;
    std::unique_ptr<AVFrame, FrameFree> samples_;
    int frameSize_;
    std::int64_t pts_ = 0;
    bool ended_ = false;
};

namespace {

// The mix goes to the encoder unchanged when it takes it as it is (16-bit at
// the mix's rate); else through a converter, made here. Below 0 on failure.
int MakeConverter(const WavSource& sound, AVCodecContext* audio, std::unique_ptr<SwrContext, SwrFree>& convert) {
    const AVSampleFormat sourceFormat = sound.Bits() == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    if (sourceFormat == audio->sample_fmt && sound.Rate() == audio->sample_rate) return 0;
    SwrContext* made = nullptr;
    AVChannelLayout layout;
    av_channel_layout_default(&layout, sound.Channels());
    int code = swr_alloc_set_opts2(&made, &audio->ch_layout, audio->sample_fmt, audio->sample_rate, &layout,
                                   sourceFormat, sound.Rate(), 0, nullptr);
    convert.reset(made);
    if (code < 0 || (code = swr_init(convert.get())) < 0) return code;
    return 0;
}

}  // namespace

// The streams made and the file opened, its chapters and header written.
bool Encoder::StartOutput(const AVCodecContext* audio, AVStream*& videoStream, AVStream*& audioStream) {
    videoStream = avformat_new_stream(output_, nullptr);
    audioStream = avformat_new_stream(output_, nullptr);
    if (!videoStream || !audioStream) return Fail("out of memory", 0);
    videoStream->time_base = video_->time_base;
    audioStream->time_base = audio->time_base;
    int code;
    if ((code = avcodec_parameters_from_context(videoStream->codecpar, video_)) < 0 ||
        (code = avcodec_parameters_from_context(audioStream->codecpar, audio)) < 0)
        return Fail("cannot set up the streams", code);
    if ((code = avio_open(&output_->pb, partPath_.c_str(), AVIO_FLAG_WRITE)) < 0)
        return Fail("cannot create " + partPath_, code);
    if (!WriteChapters()) return false;
    if ((code = avformat_write_header(output_, nullptr)) < 0) return Fail("cannot write " + path_, code);
    return true;
}

// The spilled video packets written in order, each after the sound up to it.
bool Encoder::WriteVideo(SoundTrack& sound, AVStream* videoStream, AVPacket* packet) {
    SpilledPacket header;
    std::vector<std::uint8_t> data;
    int code;
    while (std::fread(&header, sizeof header, 1, spill_.get()) == 1) {
        data.resize(static_cast<std::size_t>(header.size));
        if (std::fread(data.data(), 1, data.size(), spill_.get()) != data.size())
            return Fail("cannot read a temporary file", 0);
        if (!sound.UpTo(static_cast<double>(header.dts) * av_q2d(video_->time_base))) return false;
        av_packet_unref(packet);
        if ((code = av_new_packet(packet, header.size)) < 0) return Fail("out of memory", code);
        std::memcpy(packet->data, data.data(), data.size());
        packet->pts = header.pts;
        packet->dts = header.dts;
        packet->duration = header.duration;
        packet->flags = header.flags;
        av_packet_rescale_ts(packet, video_->time_base, videoStream->time_base);
        packet->stream_index = videoStream->index;
        if ((code = av_interleaved_write_frame(output_, packet)) < 0) return Fail("cannot write " + path_, code);
    }
    return true;
}

bool Encoder::Mux(WavSource& sound) {
    const AVCodec* codec = avcodec_find_encoder_by_name(container_.audioEncoder);
    if (!codec) return Fail(std::string("no encoder ") + container_.audioEncoder, 0);
    std::unique_ptr<AVCodecContext, CodecFree> audio(avcodec_alloc_context3(codec));
    if (!audio) return Fail("out of memory", 0);
    audio->sample_fmt = PickSampleFormat(codec);
    audio->sample_rate = PickRate(codec, sound.Rate());
    audio->time_base = {1, audio->sample_rate};
    av_channel_layout_default(&audio->ch_layout, sound.Channels());
    if (!container_.lossless) audio->bit_rate = 192000;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int code = avcodec_open2(audio.get(), codec, nullptr);
    if (code < 0) return Fail(std::string("cannot open the encoder ") + container_.audioEncoder, code);

    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    if (!StartOutput(audio.get(), videoStream, audioStream)) return false;
    std::unique_ptr<SwrContext, SwrFree> convert;
    if ((code = MakeConverter(sound, audio.get(), convert)) < 0) return Fail("cannot convert the sound", code);
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    SoundTrack track(*this, sound, audio.get(), audioStream, convert.get(), packet.get());
    if (!track.Allocated() || !packet) return Fail("out of memory", 0);

    if (!WriteVideo(track, videoStream, packet.get())) return false;
    if (!track.UpTo(-1)) return false;
    if (!track.Flush()) return false;
    if ((code = av_write_trailer(output_)) < 0) return Fail("cannot write " + path_, code);
    if (output_->pb->error < 0) return Fail("cannot write " + path_, output_->pb->error);
    return true;
}

}  // namespace record
