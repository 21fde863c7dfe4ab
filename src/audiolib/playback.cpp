// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/playback.h"

#include <algorithm>
#include <string>

#include "audiolib/last_error.h"

namespace aud {
namespace {

constexpr std::size_t ChunkFrames = 1024;  // rendered at a time
constexpr std::size_t InputFrames = 1024;  // handed to the resampler at a time
constexpr std::size_t MaxSourceChannels = 8;

std::int32_t Round(float value) { return static_cast<std::int32_t>(value + (value >= 0 ? 0.5f : -0.5f)); }

std::uint64_t Scale(std::uint64_t frames, std::uint32_t to, std::uint32_t from, bool up) {
    const unsigned __int128 scaled = (static_cast<unsigned __int128>(frames) * to + (up ? from - 1 : 0)) / from;
    return static_cast<std::uint64_t>(std::min<unsigned __int128>(scaled, Never - 1));
}

}  // namespace

std::uint32_t RampFrames(std::uint32_t outputRate) { return std::max(outputRate / 200, 128u); }

std::uint64_t OutputFrames(const Stretch& stretch, std::uint32_t outputRate) {
    if (stretch.frames == Stretch::Endless) return Never;
    return stretch.rate == 0 ? 0 : Scale(stretch.frames, outputRate, stretch.rate, true);
}

void Playback::Restart(float gain) {
    produced_ = 0;
    inStretch_ = 0;
    gain_ = target_ = gain;
    rampLeft_ = 0;
    resampler_.clear = true;
}

void Playback::SetGain(float gain, bool ramp, std::uint32_t outputRate) {
    target_ = gain;
    rampLeft_ = ramp ? RampFrames(outputRate) : 0;
    if (rampLeft_ == 0) {
        gain_ = gain;
    } else {
        step_ = (target_ - gain_) / static_cast<float>(rampLeft_);
    }
}

std::uint64_t Playback::FramesLeft(const Feed& feed, std::uint32_t outputRate) const {
    std::uint64_t left = 0;
    bool current = true;
    for (const Stretch& stretch : feed.Stretches()) {
        const std::uint64_t length = OutputFrames(stretch, outputRate);
        if (length == Never) return Never;
        left += current ? length - std::min(inStretch_, length) : length;
        current = false;
    }
    return left;
}

std::uint64_t Playback::Heard(const Feed& feed, std::uint32_t outputRate) const {
    const auto stretches = feed.Stretches();
    return stretches.empty() ? 0 : Scale(inStretch_, stretches.front().rate, outputRate, false);
}

void Playback::Mix(Feed& feed, const OutputFormat& output, std::span<std::int32_t> mix) {
    const std::size_t frames = mix.size() / output.channels;
    std::size_t done = 0;
    while (done < frames) {
        const auto stretches = feed.Stretches();
        if (stretches.empty()) return;
        const Stretch& stretch = stretches.front();
        const std::uint64_t length = OutputFrames(stretch, output.rate);
        if (inStretch_ >= length) {
            // The last stretch stays, so that what was heard of it can still be told.
            if (stretches.size() == 1) return;
            feed.NextStretch();
            inStretch_ = 0;
            resampler_.clear = true;
            continue;
        }
        const std::uint64_t left = FramesLeft(feed, output.rate);
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>({frames - done, length - inStretch_, ChunkFrames}));
        Render(feed, stretch, output.rate, count);
        Add(stretch.layout.channels, output, mix.subspan(done * output.channels, count * output.channels), left);
        inStretch_ += count;
        produced_ += count;
        done += count;
    }
}

std::size_t Playback::Input(void* self, soxr_in_t* data, std::size_t requested) {
    auto& playback = *static_cast<Playback*>(self);
    const PcmLayout& layout = playback.resampler_.stretch.layout;
    const auto bytes = playback.feeding_->Read(std::min(requested, InputFrames));
    ToFloat(layout, bytes, playback.input_.data());
    *data = playback.input_.data();
    return bytes.size() / layout.FrameBytes();
}

bool Playback::PrepareResampler(const Stretch& stretch, std::uint32_t outputRate) {
    Resampler& resampler = resampler_;
    if (resampler.stream && resampler.stretch.rate == stretch.rate && resampler.outputRate == outputRate &&
        resampler.stretch.layout.channels == stretch.layout.channels) {
        resampler.stretch = stretch;
        if (resampler.clear) soxr_clear(resampler.stream.get());
        resampler.clear = false;
        return true;
    }
    input_.resize(InputFrames * MaxSourceChannels);
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    // 20-bit precision: images and aliases some 140 dB down, at a small cost.
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    resampler.stream.reset(
        soxr_create(stretch.rate, outputRate, stretch.layout.channels, &error, &io, &quality, &runtime));
    if (error || !resampler.stream) {
        SetLastError(std::string("cannot resample: ") + (error ? error : "no resampler"));
        resampler.stream.reset();
        return false;
    }
    resampler.stretch = stretch;
    resampler.outputRate = outputRate;
    resampler.clear = false;
    return true;
}

void Playback::Render(Feed& feed, const Stretch& stretch, std::uint32_t outputRate, std::size_t frames) {
    const PcmLayout& layout = stretch.layout;
    rendered_.resize(ChunkFrames * MaxSourceChannels);
    std::size_t got = 0;
    if (stretch.rate == outputRate) {
        while (got < frames) {
            const auto bytes = feed.Read(frames - got);
            if (bytes.empty()) break;
            ToFloat(layout, bytes, rendered_.data() + got * layout.channels);
            got += bytes.size() / layout.FrameBytes();
        }
    } else if (PrepareResampler(stretch, outputRate)) {
        // Set before every run: clearing forgets it, and the playback may have moved.
        soxr_set_input_fn(resampler_.stream.get(), &Input, this, InputFrames);
        feeding_ = &feed;
        got = soxr_output(resampler_.stream.get(), rendered_.data(), frames);
        feeding_ = nullptr;
        // It has seen the end of its input: a stream that grows later starts it afresh.
        if (got < frames) resampler_.clear = true;
    }
    std::fill(rendered_.begin() + static_cast<std::ptrdiff_t>(got * layout.channels),
              rendered_.begin() + static_cast<std::ptrdiff_t>(frames * layout.channels), 0.0f);
}

void Playback::Add(std::uint16_t sourceChannels, const OutputFormat& output, std::span<std::int32_t> mix,
                   std::uint64_t framesLeft) {
    const std::size_t frames = mix.size() / output.channels;
    const std::uint64_t fade = RampFrames(output.rate) + 1;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        if (rampLeft_ > 0) gain_ = --rampLeft_ == 0 ? target_ : gain_ + step_;
        float gain = gain_;
        // The last frames fade out, so that a sound cut off mid-wave ends without a click.
        const std::uint64_t left = framesLeft == Never ? Never : framesLeft - frame;
        if (left < fade) gain *= static_cast<float>(left) / static_cast<float>(fade);
        const float* source = rendered_.data() + frame * sourceChannels;
        std::int32_t* target = mix.data() + frame * output.channels;
        if (sourceChannels == output.channels) {
            for (std::uint16_t c = 0; c < output.channels; ++c) target[c] += Round(source[c] * gain);
        } else if (output.channels == 1) {
            float sum = 0;
            for (std::uint16_t c = 0; c < sourceChannels; ++c) sum += source[c];
            target[0] += Round(sum / sourceChannels * gain);
        } else {
            for (std::uint16_t c = 0; c < output.channels; ++c) target[c] += Round(source[c % sourceChannels] * gain);
        }
    }
}

}  // namespace aud
