// SPDX-License-Identifier: GPL-3.0-or-later
// A WAV image whose data is not plain 8- or 16-bit PCM (MS and IMA ADPCM,
// 24- and 32-bit, float, A-law, mu-law), decoded by libsndfile straight
// from the image, block by block as it is played: loading costs the same
// whatever the sound's length, and no decoded copy of it is ever held.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "audiolib/pcm_layout.h"

namespace aud {

class EncodedSound {
public:
    // Nothing when libsndfile cannot read the image; the reason is in the last error.
    static std::unique_ptr<EncodedSound> Open(std::span<const std::uint8_t> riff);
    ~EncodedSound();
    EncodedSound(const EncodedSound&) = delete;
    EncodedSound& operator=(const EncodedSound&) = delete;

    // 16-bit frames at the sound's own rate.
    const PcmLayout& Layout() const { return layout_; }
    std::uint64_t Frames() const { return frames_; }
    // `count` frames from frame `at` (within Frames()); what cannot be decoded
    // is silence. Valid until the next call.
    std::span<const std::uint8_t> Read(std::uint64_t at, std::size_t count);

private:
    explicit EncodedSound(std::span<const std::uint8_t> riff) : image_(riff) {}

    static sf_count_t Length(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t ReadImage(void* data, sf_count_t count, void* self);
    static sf_count_t Tell(void* self);

    std::span<const std::uint8_t> image_;
    sf_count_t imageAt_ = 0;
    SNDFILE* file_ = nullptr;
    PcmLayout layout_;
    std::uint64_t frames_ = 0;
    std::uint64_t position_ = 0;  // the frame the decoder reads next
    std::vector<float> floats_;
    std::vector<std::int16_t> decoded_;
};

}  // namespace aud
