// SPDX-License-Identifier: GPL-3.0-or-later
// A voice's sound, kept in its own layout until it is mixed: a view of the
// caller's WAV image when its data is plain PCM, the image decoded as it is
// read (ADPCM and other encodings), or samples of its own (raw data handed
// over, streamed buffers).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "audiolib/encoded_sound.h"
#include "audiolib/pcm_layout.h"

namespace aud {

class Sound {
public:
    Sound() = default;
    static Sound View(const PcmLayout& layout, std::span<const std::uint8_t> frames);
    static Sound Own(const PcmLayout& layout, std::vector<std::uint8_t> frames);
    static Sound Encoded(std::unique_ptr<EncodedSound> encoded);

    const PcmLayout& Layout() const { return layout_; }
    std::uint64_t Dropped() const { return dropped_; }
    // Frames from the first one, dropped ones included.
    std::uint64_t Frames() const;
    bool Empty() const { return layout_.channels == 0; }
    // `count` frames from frame `at` (from Dropped() on, within Frames()),
    // valid until the sound is read or changed again.
    std::span<const std::uint8_t> Read(std::uint64_t at, std::uint64_t count);

    // Streams: frames added at the end, and frames no longer needed let go from the front.
    void Append(std::span<const std::uint8_t> frames);
    void Drop(std::uint64_t frames);

private:
    std::span<const std::uint8_t> Bytes() const { return owned_.empty() ? view_ : std::span(owned_); }

    PcmLayout layout_;
    std::unique_ptr<EncodedSound> encoded_;
    std::span<const std::uint8_t> view_;
    std::vector<std::uint8_t> owned_;
    std::uint64_t dropped_ = 0;
};

// The sound of a WAV image: plain PCM is played from the image itself, other
// encodings are decoded to 16-bit samples as they are read. Nothing when the
// image cannot be played; the reason is in the last error.
std::optional<Sound> LoadWavImage(const void* image);

}  // namespace aud
