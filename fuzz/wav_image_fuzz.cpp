// Fuzz target: WAV images as the audio library gets them from the player,
// parsed, decoded where they are not plain PCM, and played through the
// mixer's conversion. The library is given no size, so the player only hands
// over images that hold their whole RIFF chunk; the target does the same.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audiolib/sound.h"
#include "audiolib/voice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint32_t riffSize = 0;
    std::memcpy(&riffSize, data + 4, 4);
    if (std::uint64_t{riffSize} + 8 > size) return 0;
    const std::vector<std::uint8_t> image(data, data + size);
    auto sound = aud::LoadWavImage(image.data());
    if (!sound || sound->Bytes().size() > (1u << 24)) return 0;
    // Every frame the sound claims must lie within the image or its own samples.
    std::vector<float> samples(sound->Bytes().size());
    aud::ToFloat(sound->Layout(), sound->Bytes(), samples.data());
    aud::Voice voice;
    voice.sound = std::move(*sound);
    voice.playback.Restart(aud::UnityGain);
    const aud::OutputFormat output{44100, 2, 16};
    aud::SoundFeed feed(voice, output.rate);
    std::vector<std::int32_t> mix(2 * 4096);
    for (int block = 0; block < 16 && voice.playback.FramesLeft(feed, output.rate) > 0; ++block) {
        voice.playback.Mix(feed, output, mix);
    }
    return 0;
}
