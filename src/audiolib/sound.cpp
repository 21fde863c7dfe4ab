// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/sound.h"

#include <algorithm>

#include "audiolib/host.h"
#include "audiolib/last_error.h"
#include "audiolib/wav_format.h"

namespace aud {

Sound Sound::View(const PcmLayout& layout, std::span<const std::uint8_t> frames) {
    Sound sound;
    sound.layout_ = layout;
    sound.view_ = frames.first(frames.size() - frames.size() % layout.FrameBytes());
    return sound;
}

Sound Sound::Own(const PcmLayout& layout, std::vector<std::uint8_t> frames) {
    Sound sound;
    sound.layout_ = layout;
    frames.erase(frames.end() - static_cast<std::ptrdiff_t>(frames.size() % layout.FrameBytes()), frames.end());
    sound.owned_ = std::move(frames);
    return sound;
}

Sound Sound::Encoded(std::unique_ptr<EncodedSound> encoded) {
    Sound sound;
    sound.layout_ = encoded->Layout();
    sound.encoded_ = std::move(encoded);
    return sound;
}

std::uint64_t Sound::Frames() const {
    if (Empty()) return 0;
    return encoded_ ? encoded_->Frames() : dropped_ + Bytes().size() / layout_.FrameBytes();
}

std::span<const std::uint8_t> Sound::Read(std::uint64_t at, std::uint64_t count) {
    if (encoded_) return encoded_->Read(at, static_cast<std::size_t>(count));
    const std::size_t frameBytes = layout_.FrameBytes();
    const auto frames = Bytes().subspan(static_cast<std::size_t>((at - dropped_) * frameBytes),
                                        static_cast<std::size_t>(count * frameBytes));
    if (owned_.empty()) host::AwaitBytes(frames.data(), frames.size());
    return frames;
}

void Sound::Append(std::span<const std::uint8_t> frames) {
    if (owned_.empty()) owned_.assign(view_.begin(), view_.end());
    view_ = {};
    owned_.insert(owned_.end(), frames.begin(), frames.end() - frames.size() % layout_.FrameBytes());
}

void Sound::Drop(std::uint64_t frames) {
    const std::size_t bytes = std::min<std::size_t>(frames * layout_.FrameBytes(), owned_.size());
    owned_.erase(owned_.begin(), owned_.begin() + static_cast<std::ptrdiff_t>(bytes));
    dropped_ += bytes / layout_.FrameBytes();
}

std::optional<Sound> LoadWavImage(const void* image) {
    const auto riff = RiffExtent(image);
    const auto format = riff ? ReadWavFormat(*riff, &host::AwaitBytes) : std::nullopt;
    if (!format) {
        SetLastError("not a RIFF WAVE image");
        return std::nullopt;
    }
    if (const auto layout = format->Pcm()) {
        return Sound::View(*layout, riff->subspan(static_cast<std::size_t>(format->dataOffset),
                                                  static_cast<std::size_t>(format->dataBytes)));
    }
    auto encoded = EncodedSound::Open(*riff);
    if (!encoded) return std::nullopt;
    return Sound::Encoded(std::move(encoded));
}

}  // namespace aud
