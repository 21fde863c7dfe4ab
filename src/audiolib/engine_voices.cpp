// The voice entry points of the engine.
#include <algorithm>
#include <utility>

#include "audiolib/engine.h"
#include "audiolib/host.h"
#include "audiolib/last_error.h"
#include "audiolib/pcm_convert.h"

namespace aud {
namespace {

constexpr std::uint64_t kMaxStep = std::uint64_t{kUnitStep} << 8;

void ApplyPlaybackRate(Voice& voice) {
    if (voice.playbackRate == 0 || voice.sourceRate == 0) {
        voice.step = kUnitStep;
        return;
    }
    const std::uint64_t step = std::uint64_t{voice.playbackRate} * kUnitStep / voice.sourceRate;
    voice.step = static_cast<std::uint32_t>(std::clamp<std::uint64_t>(step, 1, kMaxStep));
}

void Install(Voice& voice, Samples samples, std::uint32_t sourceRate) {
    voice.playing = false;
    voice.samples = std::move(samples);
    voice.sourceRate = sourceRate;
    voice.position = 0;
    voice.bufferEnds.clear();
    ApplyPlaybackRate(voice);
}

std::string VoiceEvent(const char* event, AUD_HANDLE voice) {
    return std::string("sound\t") + event + "\t" + std::to_string(voice);
}

}  // namespace

AUD_HANDLE Engine::AllocateVoice(AUD_HANDLE driver) {
    CatchUp();
    Lock lock(mutex_);
    if (driver != kDriverHandle || !mixer_.Running()) {
        SetLastError("no such driver");
        return 0;
    }
    const AUD_HANDLE voice = mixer_.AllocateVoice();
    if (voice == 0) SetLastError("no free voice");
    return voice;
}

std::int32_t Engine::Status(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    const Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return 0;
    return voice->playing ? AUD_SAMPLE_PLAYING : AUD_SAMPLE_DONE;
}

void Engine::InitSample(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    if (Voice* voice = mixer_.FindVoice(handle)) voice->Reset();
}

std::int32_t Engine::SetSampleFile(AUD_HANDLE handle, const void* image) {
    CatchUp();
    OutputFormat format;
    {
        Lock lock(mutex_);
        if (!mixer_.FindVoice(handle)) return 0;
        format = mixer_.Format();
    }
    // Decoding may take a while: the mixing side must not wait for it.
    auto sound = LoadWavImage(image, format);
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice || mixer_.Format() != format) return 0;
    if (!sound) {
        Install(*voice, {}, 0);
        return 0;
    }
    Install(*voice, std::move(sound->samples), sound->sourceRate);
    return 1;
}

void Engine::SetSampleType(AUD_HANDLE handle, std::int32_t type, std::uint32_t flags) {
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    if (type < AUD_SAMPLE_TYPE_MONO_8 || type > AUD_SAMPLE_TYPE_STEREO_16) {
        SetLastError("sample type not supported");
        return;
    }
    voice->rawType = type;
    voice->rawFlags = flags;
}

std::optional<Samples> Engine::ConvertRaw(const Voice& voice, const void* data, std::uint32_t length) const {
    if (!data) return std::nullopt;
    const bool sixteen = voice.rawType & 1;
    const SDL_AudioFormat format =
        sixteen ? AUDIO_S16LSB : (voice.rawFlags & AUD_SAMPLE_FLAG_SIGNED_8 ? AUDIO_S8 : AUDIO_U8);
    const int channels = voice.rawType & 2 ? 2 : 1;
    const std::uint32_t rate = voice.playbackRate ? voice.playbackRate : mixer_.Format().rate;
    return ConvertPcm({static_cast<const std::uint8_t*>(data), length}, format, channels, static_cast<int>(rate),
                      mixer_.Format());
}

void Engine::SetSampleAddress(AUD_HANDLE handle, const void* start, std::uint32_t length) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    auto samples = ConvertRaw(*voice, start, length);
    const std::uint32_t rate = voice->playbackRate ? voice->playbackRate : mixer_.Format().rate;
    Install(*voice, samples ? std::move(*samples) : Samples{}, samples ? rate : 0);
}

void Engine::SetPlaybackRate(AUD_HANDLE handle, std::int32_t rate) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    if (rate <= 0) {
        SetLastError("playback rate must be above 0");
        return;
    }
    voice->playbackRate = static_cast<std::uint32_t>(rate);
    ApplyPlaybackRate(*voice);
}

void Engine::SetVolume(AUD_HANDLE handle, std::int32_t volume) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    voice->volume = std::clamp(volume, 0, kFullVolume);
    host::Trace(VoiceEvent("volume", handle) + "\t" + std::to_string(voice->volume));
}

std::int32_t Engine::Volume(AUD_HANDLE handle) {
    Lock lock(mutex_);
    const Voice* voice = mixer_.FindVoice(handle);
    return voice ? voice->volume : 0;
}

void Engine::SetLoopCount(AUD_HANDLE handle, std::int32_t count) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    if (count < 0) {
        SetLastError("loop count must not be negative");
        return;
    }
    voice->playCount = count;
}

void Engine::Start(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    if (voice->samples.empty()) {
        SetLastError("the voice has no sound");
        return;
    }
    voice->position = 0;
    voice->playsStarted = 1;
    voice->playing = true;
    host::Trace(VoiceEvent("start", handle));
}

void Engine::End(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice || !voice->playing) return;
    voice->playing = false;
    host::Trace(VoiceEvent("stop", handle));
}

AUD_EOS_CALLBACK Engine::RegisterEndCallback(AUD_HANDLE handle, AUD_EOS_CALLBACK callback) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return nullptr;
    return std::exchange(voice->onEnd, callback);
}

std::int32_t Engine::BufferReady(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    const Voice* voice = mixer_.FindVoice(handle);
    if (!voice || voice->bufferEnds.size() >= 2) return -1;
    return static_cast<std::int32_t>(voice->buffersLoaded % 2);
}

void Engine::LoadBuffer(AUD_HANDLE handle, std::uint32_t buffer, const void* data, std::uint32_t length) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    if (buffer > 1 || voice->bufferEnds.size() >= 2) {
        SetLastError("no such buffer, or both buffers are still playing");
        return;
    }
    auto samples = ConvertRaw(*voice, data, length);
    if (!samples) return;
    // Drop what has played, so that a stream does not grow without end.
    const std::uint16_t channels = mixer_.Format().channels;
    const std::uint64_t played = std::min<std::uint64_t>(voice->position >> 16, voice->samples.size() / channels);
    voice->samples.erase(voice->samples.begin(), voice->samples.begin() + static_cast<std::ptrdiff_t>(played * channels));
    voice->position -= played << 16;
    for (std::uint64_t& end : voice->bufferEnds) end -= played;
    voice->samples.insert(voice->samples.end(), samples->begin(), samples->end());
    voice->bufferEnds.push_back(voice->samples.size() / channels);
    voice->sourceRate = voice->playbackRate ? voice->playbackRate : mixer_.Format().rate;
    voice->step = kUnitStep;
    ++voice->buffersLoaded;
}

}  // namespace aud
