// SPDX-License-Identifier: GPL-3.0-or-later
// Voices: choice and preparation, and a movie's companion sound.
#include "sound/sound_class.h"

namespace {

constexpr std::uint32_t VoicesStartedAtOnce = 7;  // voices 0 to 6
constexpr std::uint32_t MusicFallbackVoice = 7;

}  // namespace

// A prepared voice reads idle until started, so its status alone cannot tell
// that a waiting entry or an attached movie sound still needs it.
bool SoundClass::VoiceHeld(AUD_HANDLE voice) const {
    for (std::uint32_t i = 0; i < queuedCount; ++i)
        if (queued[i]->voice == voice) return true;
    for (std::uint32_t i = 0; i < playingCount; ++i)
        if (playing[i]->awaitingStart && playing[i]->voice == voice) return true;
    return false;
}

bool SoundClass::VoiceFree(AUD_HANDLE voice) const {
    return voice != 0 && !VoiceHeld(voice) && aud.AUD_sample_status(voice) == AUD_SAMPLE_DONE;
}

AUD_HANDLE SoundClass::ChooseVoiceToStartAtOnce(bool isMusic) const {
    for (std::uint32_t i = 0; i < VoicesStartedAtOnce; ++i)
        if (VoiceFree(voices[i])) return voices[i];
    // Music cuts off whatever voice 7 plays rather than stay silent.
    const AUD_HANDLE fallback = voices[MusicFallbackVoice];
    if (isMusic && fallback != 0 && !VoiceHeld(fallback)) return fallback;
    return 0;
}

AUD_HANDLE SoundClass::ChooseVoiceToQueue() const {
    for (std::uint32_t i = queuedCount; i < MusicVoices; ++i)
        if (VoiceFree(voices[i])) return voices[i];
    return 0;
}

void SoundClass::PrepareVoice(AUD_HANDLE voice, const unsigned char* image, std::optional<std::int32_t> playCount) {
    aud.AUD_init_sample(voice);
    aud.AUD_set_sample_file(voice, image, -1);
    if (playCount) aud.AUD_set_sample_loop_count(voice, *playCount);
}

void SoundClass::StartVoice(AUD_HANDLE voice) {
    aud.AUD_start_sample(voice);
    aud.AUD_register_EOS_callback(voice, &OnSampleEnd);
}

bool SoundClass::AttachMovieSound(const char* path) {
    // Only the last attach can be started; an earlier one never started is
    // left to Service like any idle sound.
    for (std::uint32_t i = 0; i < playingCount; ++i) playing[i]->awaitingStart = false;

    bool attached = false;
    if (enabled && playingCount < PlayingSlots) {
        FileImage loaded = LoadFileImage(path);
        const AUD_HANDLE voice = loaded ? ChooseVoiceToStartAtOnce(false) : 0;
        if (voice != 0) {
            auto entry = std::make_unique<PlayEntry>();
            entry->image = std::move(loaded);
            entry->voice = voice;
            entry->kind = EntryKind::MovieSound;
            entry->awaitingStart = true;
            PrepareVoice(voice, entry->image.Data(), std::nullopt);
            aud.AUD_register_EOS_callback(voice, &OnSampleEnd);
            AppendPlaying(std::move(entry));
            attached = true;
        }
    }
    Serve();
    return attached;
}

void SoundClass::StartMovieSound() {
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        PlayEntry& entry = *playing[i];
        if (entry.awaitingStart) {
            entry.awaitingStart = false;
            aud.AUD_start_sample(entry.voice);
            return;
        }
    }
}

void SoundClass::DropUnstartedMovieSound() {
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        if (playing[i]->awaitingStart) {
            aud.AUD_end_sample(playing[i]->voice);
            RemovePlaying(i);
            return;
        }
    }
}
