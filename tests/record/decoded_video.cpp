// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/decoded_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>

#include "platform/core/png_io.h"
#include "support/bmp_writer.h"

namespace test {
namespace {

struct Closer {
    void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

bool TakePicture(const AVFrame* frame, AVRational base, DecodedVideo& video) {
    DecodedPicture picture;
    picture.ms = std::lround(static_cast<double>(frame->best_effort_timestamp) * av_q2d(base) * 1000);
    picture.rgb.resize(static_cast<std::size_t>(frame->width) * frame->height * 3);
    SwsContext* convert =
        sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr);
    if (!convert) return false;
    std::uint8_t* out[1] = {picture.rgb.data()};
    const int stride[1] = {frame->width * 3};
    sws_scale(convert, frame->data, frame->linesize, 0, frame->height, out, stride);
    sws_freeContext(convert);
    video.pictures.push_back(std::move(picture));
    return true;
}

bool TakeSamples(const AVFrame* frame, DecodedVideo& video) {
    if (frame->format != AV_SAMPLE_FMT_S16) return false;
    const auto* data = reinterpret_cast<const std::int16_t*>(frame->data[0]);
    video.samples.insert(video.samples.end(), data, data + frame->nb_samples * frame->ch_layout.nb_channels);
    return true;
}

}  // namespace

std::vector<std::uint8_t> SnapshotRgb(const std::filesystem::path& png) {
    const std::vector<std::uint8_t> bytes = ReadBytes(png);
    const auto snapshot = platform::DecodePng(bytes.data(), bytes.size());
    std::vector<std::uint8_t> rgb;
    if (!snapshot) return rgb;
    for (std::size_t i = 0; i + 3 < snapshot->rgba.size(); i += 4)
        rgb.insert(rgb.end(), snapshot->rgba.begin() + static_cast<long>(i),
                   snapshot->rgba.begin() + static_cast<long>(i) + 3);
    return rgb;
}

std::optional<DecodedVideo> DecodeVideo(const std::filesystem::path& file, bool decode) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, file.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    std::unique_ptr<AVFormatContext, Closer> input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return std::nullopt;
    DecodedVideo video;
    video.seconds = static_cast<double>(input->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < input->nb_chapters; ++i) {
        const AVChapter* chapter = input->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        const auto ms = [&](std::int64_t time) {
            return std::lround(static_cast<double>(time) * av_q2d(chapter->time_base) * 1000);
        };
        video.chapters.push_back({title ? title->value : "", ms(chapter->start), ms(chapter->end)});
    }
    std::vector<std::unique_ptr<AVCodecContext, Closer>> decoders;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* parameters = input->streams[i]->codecpar;
        const bool isVideo = parameters->codec_type == AVMEDIA_TYPE_VIDEO;
        video.streams.push_back(std::string(isVideo ? "video " : "audio ") + avcodec_get_name(parameters->codec_id));
        if (isVideo) video.width = parameters->width, video.height = parameters->height;
        if (!isVideo) video.rate = parameters->sample_rate, video.channels = parameters->ch_layout.nb_channels;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        decoders.emplace_back(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!decoders.back() || avcodec_parameters_to_context(decoders.back().get(), parameters) < 0 ||
            avcodec_open2(decoders.back().get(), codec, nullptr) < 0)
            return std::nullopt;
    }
    if (!decode) return video;
    std::unique_ptr<AVPacket, Closer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, Closer> frame(av_frame_alloc());
    auto drain = [&](unsigned stream) {
        AVCodecContext* decoder = decoders[stream].get();
        while (avcodec_receive_frame(decoder, frame.get()) >= 0) {
            const bool taken = decoder->codec_type == AVMEDIA_TYPE_VIDEO
                                   ? TakePicture(frame.get(), input->streams[stream]->time_base, video)
                                   : TakeSamples(frame.get(), video);
            if (!taken) return false;
        }
        return true;
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const auto stream = static_cast<unsigned>(packet->stream_index);
        const bool sent = avcodec_send_packet(decoders[stream].get(), packet.get()) >= 0;
        av_packet_unref(packet.get());
        if (!sent || !drain(stream)) return std::nullopt;
    }
    for (unsigned stream = 0; stream < decoders.size(); ++stream) {
        avcodec_send_packet(decoders[stream].get(), nullptr);
        if (!drain(stream)) return std::nullopt;
    }
    return video;
}

}  // namespace test
