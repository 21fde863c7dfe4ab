// Fuzz target: WAV images as the audio library gets them from the player,
// decoded and converted to the output format. The library is given no size,
// so the player only hands over images that hold their whole RIFF chunk; the
// target does the same.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audiolib/pcm_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint32_t riffSize = 0;
    std::memcpy(&riffSize, data + 4, 4);
    if (std::uint64_t{riffSize} + 8 > size) return 0;
    const std::vector<std::uint8_t> image(data, data + size);
    const auto riff = aud::RiffExtent(image.data());
    if (!riff) return 0;
    const auto wav = aud::DecodeWav(*riff);
    if (!wav || wav->length > (1u << 24)) return 0;
    const aud::OutputFormat output{44100, 2, 16};
    const auto samples =
        aud::ConvertPcm(wav->Bytes(), wav->spec.format, wav->spec.channels, static_cast<int>(wav->spec.freq), output);
    return samples && samples->size() % 2 != 0 ? -1 : 0;
}
