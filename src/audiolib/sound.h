// A voice's sound, kept in its own layout until it is mixed: a view of the
// caller's WAV image when its data is plain PCM, or samples of its own
// (decoded ADPCM and other encodings, raw data handed over, streamed buffers).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "audiolib/pcm_layout.h"

namespace aud {

class Sound {
public:
    Sound() = default;
    static Sound View(const PcmLayout& layout, std::span<const std::uint8_t> frames);
    static Sound Own(const PcmLayout& layout, std::vector<std::uint8_t> frames);

    const PcmLayout& Layout() const { return layout_; }
    // The frames held, from frame Dropped() on.
    std::span<const std::uint8_t> Bytes() const { return owned_.empty() ? view_ : std::span(owned_); }
    std::uint64_t Dropped() const { return dropped_; }
    // Frames from the first one, dropped ones included.
    std::uint64_t Frames() const { return Empty() ? 0 : dropped_ + Bytes().size() / layout_.FrameBytes(); }
    bool Empty() const { return layout_.channels == 0; }

    // Streams: frames added at the end, and frames no longer needed let go from the front.
    void Append(std::span<const std::uint8_t> frames);
    void Drop(std::uint64_t frames);

private:
    PcmLayout layout_;
    std::span<const std::uint8_t> view_;
    std::vector<std::uint8_t> owned_;
    std::uint64_t dropped_ = 0;
};

// The sound of a WAV image: plain PCM is played from the image itself, other
// encodings are decoded to 16-bit samples by SDL. Nothing when the image
// cannot be played; the reason is in the last error.
std::optional<Sound> LoadWavImage(const void* image);

}  // namespace aud
