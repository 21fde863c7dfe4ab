// SPDX-License-Identifier: GPL-3.0-or-later
// Music requests: .wav files and CD tracks, started at once, after a fade, or queued.
#include <algorithm>
#include <string>

#include "platform/core/letter_case.h"
#include "platform/core/trace.h"
#include "sound/sound_class.h"

namespace {

// "music<TAB>NAME<TAB>MODE" for a request that found its file or track.
void TraceMusic(const std::string& name, MusicMode mode) {
    const char* how = mode == MusicMode::Wait ? "wait" : mode == MusicMode::Mix ? "mix" : "fade";
    platform::WriteTrace("music\t" + platform::EscapeTraceText(name) + "\t" + how);
}

}  // namespace

bool SoundClass::StartMusic(const char* name, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                            std::uint32_t cdTrack, EntryKind kind) {
    if (!enabled) return false;
    if (platform::EqualsIgnoringCase(name, "none")) {
        StopMusic();
        return false;
    }
    std::string path(name);
    path.resize(std::min<std::size_t>(path.size(), win::_MAX_PATH - 1));
    if (cdTrack != 0) {
        if (cdTrack <= aud.AUD_redbook_tracks(cdHandle)) {
            std::uint32_t start = 0;
            std::uint32_t end = 0;
            aud.AUD_redbook_track_info(cdHandle, cdTrack, &start, &end);
            if (start != 0 && end > start) {
                TraceMusic("cdaudio t" + std::to_string(cdTrack), mode);
                return StartCdTrack(cdTrack, start, end, playOnce, mode);
            }
        }
        // An unusable track looks for a file named exactly as written.
    } else {
        path = media::MusicFile(path);
    }
    return StartMusicFile(path.c_str(), playOnce, mode, loopCount, kind);
}

bool SoundClass::StartMusicFile(const char* path, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                                EntryKind kind) {
    // A full list refuses the request before anything is read or prepared.
    if (mode == MusicMode::Wait ? queuedCount == QueueSlots : mode == MusicMode::Mix && playingCount == PlayingSlots)
        return false;
    if (!FileExists(path)) return false;
    TraceMusic(path, mode);
    FileImage loaded = LoadFileImage(path);
    if (!loaded) return false;

    auto entry = std::make_unique<PlayEntry>();
    const std::uint32_t size = loaded.Size();
    entry->image = std::move(loaded);
    entry->loopMode = playOnce == 0 ? LoopMode::EndlessRequested : LoopMode::PlayOnce;
    entry->playCount = playOnce == 0 ? loopCount : 1;
    entry->kind = kind;
    if (kind == EntryKind::SongSection) entry->size = size;

    if (mode == MusicMode::Wait) {
        // Without a free voice the entry waits all the same and is given one
        // when its turn comes.
        const AUD_HANDLE voice = ChooseVoiceToQueue();
        if (voice == 0 && voices.front() == 0) return false;  // no voices at all
        entry->queueState = QueueState::Waiting;
        if (voice != 0) PrepareVoice(voice, entry->image.Data(), entry->playCount);
        entry->voice = voice;
        AppendQueued(std::move(entry));
        return true;
    }
    if (mode != MusicMode::Mix) FadeOutPlaying();
    const AUD_HANDLE voice = ChooseVoiceToStartAtOnce(true);
    if (voice == 0) return false;
    PrepareVoice(voice, entry->image.Data(), entry->playCount);
    StartVoice(voice);
    entry->voice = voice;
    AppendPlaying(std::move(entry));
    return true;
}

bool SoundClass::StartCdTrack(std::uint32_t track, std::uint32_t start, std::uint32_t end, std::int32_t playOnce,
                              MusicMode mode) {
    auto entry = std::make_unique<PlayEntry>();
    entry->loopMode = playOnce == 0 ? LoopMode::EndlessRequested : LoopMode::PlayOnce;
    entry->cdTrack = track;
    entry->cdStart = start;
    entry->cdEnd = end;
    entry->kind = EntryKind::CdTrack;

    if (mode == MusicMode::Wait) {
        if (queuedCount == QueueSlots) return false;
        entry->queueState = QueueState::Waiting;
        AppendQueued(std::move(entry));
        return true;
    }
    if (mode != MusicMode::Mix) FadeOutPlaying();
    if (playingCount == PlayingSlots) return false;
    if (!PlayCdRange(*entry)) return false;
    AppendPlaying(std::move(entry));
    return true;
}
