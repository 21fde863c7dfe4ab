// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: WAV images as the audio library gets them from the sound
// manager, whose RIFF size is cut to the image, then parsed, decoded where
// they are not plain PCM, and played through the mixer's conversion.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audiolib/sound.h"
#include "audiolib/voice.h"
#include "sound/riff_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8 || size > UINT32_MAX) return 0;
    std::vector<std::uint8_t> image(data, data + size);
    FitRiffSizeToImage(image.data(), static_cast<std::uint32_t>(size));
    auto sound = aud::LoadWavImage(image.data());
    if (!sound || sound->Frames() > (1u << 20)) return 0;
    // Every frame the sound claims must lie within the image or be decoded from it.
    const auto frames = sound->Read(0, sound->Frames());
    std::vector<float> samples(frames.size());
    aud::ToFloat(sound->Layout(), frames, samples.data());
    aud::Voice voice;
    voice.sound = std::move(*sound);
    voice.playback.Restart(aud::UnityGain);
    const aud::OutputFormat output{44100, 2, 16};
    aud::SoundFeed feed(voice, output.rate);
    // Blocks a little over the library's chunk: each crosses a chunk edge and
    // the next starts mid-chunk, without mixing seconds of sound per input.
    std::vector<std::int32_t> mix(2 * 1500);
    for (int block = 0; block < 4 && voice.playback.FramesLeft(feed, output.rate) > 0; ++block) {
        voice.playback.Mix(feed, output, mix);
    }
    return 0;
}
