// SPDX-License-Identifier: GPL-3.0-or-later
// The voice entry points of the engine.
#include <algorithm>
#include <utility>

#include "audiolib/engine.h"
#include "audiolib/host.h"
#include "audiolib/last_error.h"
#include "audiolib/sound.h"

namespace aud {
namespace {

std::string VoiceEvent(const char* event, AUD_HANDLE voice) {
    return std::string("sound\t") + event + "\t" + std::to_string(voice);
}

}  // namespace

AUD_HANDLE Engine::AllocateVoice(AUD_HANDLE driver) {
    CatchUp();
    Lock lock(mutex_);
    if (driver != DriverHandle || !mixer_.Running()) {
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
    if (Voice* voice = mixer_.FindVoice(handle)) {
        mixer_.StopVoice(*voice);
        voice->Reset();
    }
}

std::int32_t Engine::SetSampleFile(AUD_HANDLE handle, const void* image) {
    CatchUp();
    {
        Lock lock(mutex_);
        if (!mixer_.FindVoice(handle)) return 0;
    }
    // Decoding an encoded sound takes a while: the mixing side must not wait for it.
    auto sound = LoadWavImage(image);
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return 0;
    mixer_.StopVoice(*voice);
    voice->sound = sound ? std::move(*sound) : Sound{};
    voice->bufferEnds.clear();
    return sound ? 1 : 0;
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

PcmLayout Engine::RawLayout(const Voice& voice) const {
    const SampleType type = voice.rawType & 1                           ? SampleType::S16
                            : voice.rawFlags & AUD_SAMPLE_FLAG_SIGNED_8 ? SampleType::S8
                                                                        : SampleType::U8;
    const std::uint32_t rate = voice.playbackRate ? voice.playbackRate : mixer_.Format().rate;
    return {rate, static_cast<std::uint16_t>(voice.rawType & 2 ? 2 : 1), type};
}

void Engine::SetSampleAddress(AUD_HANDLE handle, const void* start, std::uint32_t length) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    mixer_.StopVoice(*voice);
    const auto* bytes = static_cast<const std::uint8_t*>(start);
    voice->sound = start ? Sound::Own(RawLayout(*voice), {bytes, bytes + length}) : Sound{};
    voice->bufferEnds.clear();
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
    if (voice->playing) {
        // Goes on from what has been heard, at the new rate.
        const std::uint64_t heard = SoundFeed(*voice, mixer_.Format().rate).Heard(mixer_.Format().rate);
        voice->from = voice->read = heard;
        voice->playback.Restart(Gain(voice->volume));
    }
    voice->playbackRate = static_cast<std::uint32_t>(rate);
}

void Engine::SetVolume(AUD_HANDLE handle, std::int32_t volume) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    voice->volume = std::clamp(volume, 0, FullVolume);
    voice->playback.SetGain(Gain(voice->volume), voice->playing, mixer_.Format().rate);
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
    {
        Lock lock(mutex_);
        Voice* voice = mixer_.FindVoice(handle);
        if (!voice) return;
        if (voice->sound.Frames() == 0) {
            SetLastError("the voice has no sound");
            return;
        }
        mixer_.StartVoice(*voice);
        host::Trace(VoiceEvent("start", handle));
    }
    idlePause_.Resume();
}

void Engine::End(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice || !voice->playing) return;
    mixer_.StopVoice(*voice);
    host::Trace(VoiceEvent("stop", handle));
}

AUD_EOS_CALLBACK Engine::RegisterEndCallback(AUD_HANDLE handle, AUD_EOS_CALLBACK callback) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return nullptr;
    return std::exchange(voice->onEnd, callback);
}

void Engine::ForgetPlayedBuffers(Voice& voice) {
    const std::uint64_t heard = SoundFeed(voice, mixer_.Format().rate).Heard(mixer_.Format().rate);
    while (!voice.bufferEnds.empty() && voice.bufferEnds.front() <= heard) voice.bufferEnds.pop_front();
}

std::int32_t Engine::BufferReady(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return -1;
    ForgetPlayedBuffers(*voice);
    if (voice->bufferEnds.size() >= 2) return -1;
    return static_cast<std::int32_t>(voice->buffersLoaded % 2);
}

void Engine::LoadBuffer(AUD_HANDLE handle, std::uint32_t buffer, const void* data, std::uint32_t length) {
    CatchUp();
    Lock lock(mutex_);
    Voice* voice = mixer_.FindVoice(handle);
    if (!voice) return;
    ForgetPlayedBuffers(*voice);
    if (buffer > 1 || voice->bufferEnds.size() >= 2) {
        SetLastError("no such buffer, or both buffers are still playing");
        return;
    }
    const PcmLayout layout = RawLayout(*voice);
    if (!data || (!voice->sound.Empty() && voice->sound.Layout() != layout)) {
        SetLastError("no data, or not in the layout of the buffers before");
        return;
    }
    if (voice->sound.Empty()) voice->sound = Sound::Own(layout, {});
    // Let go of what has been read and played, so that a stream does not grow
    // without end; a looping one keeps its start.
    if (voice->playCount == 1) {
        const std::uint64_t done =
            std::min(SoundFeed(*voice, mixer_.Format().rate).Heard(mixer_.Format().rate), voice->read);
        voice->sound.Drop(done - std::min(voice->sound.Dropped(), done));
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    voice->sound.Append({bytes, length});
    voice->bufferEnds.push_back(voice->sound.Frames());
    ++voice->buffersLoaded;
}

}  // namespace aud
