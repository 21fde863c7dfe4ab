// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/encoded_sound.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

#include "audiolib/host.h"
#include "audiolib/last_error.h"
#include "audiolib/wav_format.h"

namespace aud {

std::unique_ptr<EncodedSound> EncodedSound::Open(std::span<const std::uint8_t> riff) {
    std::unique_ptr<EncodedSound> sound(new EncodedSound(riff));
    SF_VIRTUAL_IO io{&Length, &Seek, &ReadImage, nullptr, &Tell};
    SF_INFO info{};
    sound->file_ = sf_open_virtual(&io, SFM_READ, &info, sound.get());
    if (!sound->file_) {
        SetLastError(std::string("not a usable WAV image: ") + sf_strerror(nullptr));
        return nullptr;
    }
    if (info.channels < 1 || info.channels > MaxChannels || info.samplerate < static_cast<int>(MinRate) ||
        info.samplerate > static_cast<int>(MaxRate) || info.frames < 0) {
        SetLastError("WAV image with channels or rate not supported");
        return nullptr;
    }
    sound->layout_ = {static_cast<std::uint32_t>(info.samplerate), static_cast<std::uint16_t>(info.channels),
                      SampleType::S16};
    sound->frames_ = static_cast<std::uint64_t>(info.frames);
    return sound;
}

EncodedSound::~EncodedSound() {
    if (file_) sf_close(file_);
}

std::span<const std::uint8_t> EncodedSound::Read(std::uint64_t at, std::size_t count) {
    const std::size_t samples = count * layout_.channels;
    floats_.assign(samples, 0.0f);
    if (at != position_) {
        const sf_count_t reached = sf_seek(file_, static_cast<sf_count_t>(at), SEEK_SET);
        position_ = reached < 0 ? frames_ : static_cast<std::uint64_t>(reached);
    }
    if (at == position_) {
        // As floats of full scale 1, which every encoding reads as without
        // scaling to its own peak; 16-bit values come back exactly.
        const sf_count_t got = sf_readf_float(file_, floats_.data(), static_cast<sf_count_t>(count));
        position_ += static_cast<std::uint64_t>(std::max<sf_count_t>(got, 0));
    }
    decoded_.resize(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        // Float data may be anything, not-a-number and beyond full scale included.
        const float value = std::isnan(floats_[i]) ? 0.0f : std::clamp(floats_[i] * 32768.0f, -32768.0f, 32767.0f);
        decoded_[i] = static_cast<std::int16_t>(value);
    }
    static_assert(std::endian::native == std::endian::little, "frames are laid out little-endian");
    return {reinterpret_cast<const std::uint8_t*>(decoded_.data()), decoded_.size() * 2};
}

sf_count_t EncodedSound::Length(void* self) {
    return static_cast<sf_count_t>(static_cast<EncodedSound*>(self)->image_.size());
}

sf_count_t EncodedSound::Seek(sf_count_t offset, int whence, void* self) {
    auto& sound = *static_cast<EncodedSound*>(self);
    const auto size = static_cast<sf_count_t>(sound.image_.size());
    const sf_count_t base = whence == SEEK_CUR ? sound.imageAt_ : whence == SEEK_END ? size : 0;
    sound.imageAt_ = std::clamp<sf_count_t>(base + offset, 0, size);
    return sound.imageAt_;
}

sf_count_t EncodedSound::ReadImage(void* data, sf_count_t count, void* self) {
    auto& sound = *static_cast<EncodedSound*>(self);
    const sf_count_t left = static_cast<sf_count_t>(sound.image_.size()) - sound.imageAt_;
    const sf_count_t taken = std::clamp<sf_count_t>(count, 0, left);
    host::AwaitBytes(sound.image_.data() + sound.imageAt_, static_cast<std::uint64_t>(taken));
    std::copy_n(sound.image_.begin() + sound.imageAt_, taken, static_cast<std::uint8_t*>(data));
    sound.imageAt_ += taken;
    return taken;
}

sf_count_t EncodedSound::Tell(void* self) { return static_cast<EncodedSound*>(self)->imageAt_; }

}  // namespace aud
