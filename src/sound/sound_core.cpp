// SPDX-License-Identifier: GPL-3.0-or-later
// Audio start-up and shut-down, the playing list and the waiting queue.
#include <algorithm>
#include <utility>

#include "platform/core/tell_user.h"
#include "sound/sound_class.h"

namespace {

struct OutputFormat {
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
};

// Best first; the first format the device takes is used.
constexpr OutputFormat OutputFormats[] = {
    {44100, 16, 2}, {44100, 16, 1}, {44100, 8, 2},  {44100, 8, 1},  {22050, 16, 2}, {22050, 16, 1},
    {22050, 8, 2},  {22050, 8, 1},  {11025, 16, 2}, {11025, 16, 1}, {11025, 8, 2},  {11025, 8, 1},
};

constexpr std::uint32_t PreferenceNumber = 15;
constexpr std::int32_t FadeSteps = 15;
constexpr win::DWORD FadeStepMs = 67;
constexpr std::int32_t FullVolume = 255;
constexpr std::uint32_t CdPlaying = 1;

}  // namespace

void SoundClass::Startup() {
    if (!bound) return;
    // Entries left from before belong to voices of the previous library run.
    ReleaseList(playing, playingCount);
    ReleaseList(queued, queuedCount);
    clickVoice = 0;
    voices.fill(0);
    enabled = 1;
    aud.AUD_startup();
    driver = 0;
    aud.AUD_set_preference(PreferenceNumber, 1);

    const bool opened = std::any_of(std::begin(OutputFormats), std::end(OutputFormats), [this](const auto& format) {
        return OpenOutput(format.rate, format.bits, format.channels);
    });
    if (!opened) {
        enabled = 0;
        // Once a run, however often the sound starts again.
        if (!std::exchange(toldSilent, true))
            platform::TellUser("corvanta: no audio device could be opened: playing without sound");
    } else {
        clickVoice = aud.AUD_allocate_sample_handle(driver);
        if (clickVoice != 0)
            for (AUD_HANDLE& voice : voices) voice = aud.AUD_allocate_sample_handle(driver);
    }
    cdHandle = aud.AUD_redbook_open(0);
}

bool SoundClass::OpenOutput(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    if (win::waveOutGetNumDevs() == 0) return false;
    const std::uint16_t bytesPerSample = bits / 8;
    waveFormat.wFormatTag = 1;
    waveFormat.nChannels = channels;
    waveFormat.nSamplesPerSec = rate;
    waveFormat.nAvgBytesPerSec = bytesPerSample * rate * channels;
    waveFormat.nBlockAlign = static_cast<std::uint16_t>(bytesPerSample * channels);
    waveFormat.wBitsPerSample = bits;
    if (aud.AUD_waveOutOpen(&driver, nullptr, 0, &waveFormat) == 0) return true;
    driver = 0;
    return false;
}

void SoundClass::Shutdown() {
    if (!bound || !enabled) return;
    StopMusic();
    if (cdHandle != 0) aud.AUD_redbook_close(cdHandle);
    aud.AUD_shutdown();
}

void SoundClass::Serve() {
    if (bound) aud.AUD_serve();
}

void SoundClass::Service() {
    if (!bound) return;
    if (songMode == SongMode::Playing && playingCount == 0) QueueSongPass();
    headFinished = 1;
    if (playingCount != 0) {
        for (std::uint32_t i = 0; i < playingCount; ++i) {
            PlayEntry& entry = *playing[i];
            if (entry.IsCd() && aud.AUD_redbook_status(cdHandle) != CdPlaying) {
                std::scoped_lock lock(listLock);
                entry.finished = EndMark::Finished;
            }
        }
        if (!HeadFinished()) headFinished = 0;
    }
    if (headFinished) StartNextWaiting();
    const bool wasPlaying = playingCount != 0;
    ReleaseEnded();
    // The song's next pass begins in the pass that released its last
    // section, as the next call would begin it, so passes follow without a gap.
    if (songMode == SongMode::Playing && wasPlaying && playingCount == 0) {
        QueueSongPass();
        StartNextWaiting();
    }
}

bool SoundClass::ServiceDue() {
    if (!bound) return false;
    // Music waits for nothing when nothing plays, and a song for its next pass.
    if (playingCount == 0 && (queuedCount != 0 || songMode == SongMode::Playing)) return true;
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        const PlayEntry& entry = *playing[i];
        if (entry.IsCd() && aud.AUD_redbook_status(cdHandle) != CdPlaying) return true;
    }
    std::scoped_lock lock(listLock);
    for (std::uint32_t i = 0; i < playingCount; ++i)
        if (playing[i]->finished == EndMark::Finished) return true;
    return false;
}

bool SoundClass::HeadFinished() {
    PlayEntry& head = *playing[0];
    // Asked before the mark is read: a library that reports ends as it mixes
    // reports this one now rather than a service pass later.
    const bool plays = head.image && aud.AUD_sample_status(head.voice) == AUD_SAMPLE_PLAYING;
    std::scoped_lock lock(listLock);
    if (head.finished != EndMark::Finished) return false;
    // A report is tied to a voice only; one that arrived late for the voice's
    // previous sound must not end the sound that plays there now.
    if (plays) {
        head.finished = EndMark::Open;
        return false;
    }
    return true;
}

void SoundClass::StartNextWaiting() {
    if (playingCount == PlayingSlots) return;  // room comes once finished entries are released
    for (std::uint32_t i = 0; i < queuedCount; ++i) {
        PlayEntry& entry = *queued[i];
        if (entry.queueState != QueueState::Waiting || (!entry.image && entry.kind != EntryKind::CdTrack)) continue;
        // Music mixed over a song can end before the song's section: the next
        // section still waits for that one, so a song never plays two at once.
        if (entry.kind == EntryKind::SongSection && SongSectionPlays()) continue;
        // An entry queued without a voice keeps its place until one is free,
        // so the sections of a song play in order.
        if (entry.image && entry.voice == 0 && !PrepareHeldEntry(entry)) return;
        if (StartFromQueue(i)) {
            CompactQueue();
            return;
        }
    }
}

bool SoundClass::SongSectionPlays() const {
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        const PlayEntry& entry = *playing[i];
        if (entry.kind == EntryKind::SongSection && aud.AUD_sample_status(entry.voice) == AUD_SAMPLE_PLAYING)
            return true;
    }
    return false;
}

bool SoundClass::PrepareHeldEntry(PlayEntry& entry) {
    const auto free = std::find_if(voices.begin(), voices.end(), [this](AUD_HANDLE voice) { return VoiceFree(voice); });
    if (free == voices.end()) return false;
    PrepareVoice(*free, entry.image.Data(), entry.playCount);
    entry.voice = *free;
    return true;
}

bool SoundClass::StartFromQueue(std::uint32_t index) {
    std::unique_ptr<PlayEntry>& slot = queued[index];
    PlayEntry& entry = *slot;
    if (entry.image) {
        if (aud.AUD_sample_status(entry.voice) != AUD_SAMPLE_DONE) return false;
        aud.AUD_start_sample(entry.voice);
    } else if (!PlayCdRange(entry)) {
        return false;
    }
    if (entry.loopMode == LoopMode::EndlessRequested) entry.loopMode = LoopMode::EndlessUnderWay;
    entry.queueState = QueueState::StartedFromQueue;
    entry.finished = EndMark::Open;
    const AUD_HANDLE voice = entry.voice;
    const bool isFile = static_cast<bool>(entry.image);
    AppendPlaying(std::move(slot));
    if (isFile) aud.AUD_register_EOS_callback(voice, &OnSampleEnd);
    return true;
}

bool SoundClass::PlayCdRange(PlayEntry& entry) {
    if (aud.AUD_redbook_play(cdHandle, entry.cdStart, entry.cdEnd) != 1) return false;
    // Looped by the library it runs on without a seam, and never reads as
    // ended; otherwise Service plays it again each time it ends.
    if (entry.loopMode != LoopMode::PlayOnce) aud.AUD_redbook_loop(cdHandle, 0);
    return true;
}

void SoundClass::ReleaseEnded() {
    for (std::uint32_t i = 0; i < playingCount;) {
        PlayEntry& entry = *playing[i];
        bool ended = false;
        if (entry.IsCd()) {
            if (aud.AUD_redbook_status(cdHandle) != CdPlaying) {
                if (entry.loopMode == LoopMode::PlayOnce) {
                    ended = true;
                } else {
                    PlayCdRange(entry);
                    entry.loopMode = LoopMode::EndlessUnderWay;
                }
            }
        } else if (entry.image && !entry.awaitingStart) {
            ended = aud.AUD_sample_status(entry.voice) == AUD_SAMPLE_DONE;
        }
        if (ended)
            RemovePlaying(i);
        else
            ++i;
    }
}

void SoundClass::OnSampleEnd(AUD_HANDLE voice) {
    SoundClass* self = current.load();
    if (!self) return;
    std::scoped_lock lock(self->listLock);
    for (std::uint32_t i = 0; i < self->playingCount; ++i) {
        PlayEntry& entry = *self->playing[i];
        if (entry.image && entry.voice == voice) entry.finished = EndMark::Finished;
    }
}

void SoundClass::AppendPlaying(std::unique_ptr<PlayEntry> entry) {
    std::scoped_lock lock(listLock);
    playing[playingCount++] = std::move(entry);
}

void SoundClass::AppendQueued(std::unique_ptr<PlayEntry> entry) {
    std::scoped_lock lock(listLock);
    queued[queuedCount++] = std::move(entry);
}

void SoundClass::RemovePlaying(std::uint32_t index) {
    std::unique_ptr<PlayEntry> entry;
    {
        std::scoped_lock lock(listLock);
        entry = std::move(playing[index]);
        std::move(playing.begin() + index + 1, playing.begin() + playingCount, playing.begin() + index);
        --playingCount;
    }
    ReleaseEntry(std::move(entry));
}

void SoundClass::CompactQueue() {
    std::scoped_lock lock(listLock);
    const auto end = std::remove(queued.begin(), queued.begin() + queuedCount, nullptr);
    queuedCount = static_cast<std::uint32_t>(end - queued.begin());
}

void SoundClass::ReleaseEntry(std::unique_ptr<PlayEntry> entry) {
    // Saturating: a section refused before its size was counted must not wrap the budget.
    if (entry->image && entry->kind == EntryKind::SongSection) songBytes -= std::min(songBytes, entry->size);
}

template <std::size_t Slots>
void SoundClass::ReleaseList(EntryList<Slots>& list, std::uint32_t& count) {
    EntryList<Slots> released;
    {
        std::scoped_lock lock(listLock);
        std::move(list.begin(), list.begin() + count, released.begin());
        count = 0;
    }
    for (auto& entry : released)
        if (entry) ReleaseEntry(std::move(entry));
}

void SoundClass::StopMusic() {
    if (!bound || !enabled) return;
    FadeOutPlaying();
    DropQueue();
}

void SoundClass::FadeOutPlaying() {
    if (!bound) return;
    std::int32_t lowest = FullVolume;
    std::int32_t lastRead = 0;
    bool anyRead = false;
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        const PlayEntry& entry = *playing[i];
        if (!entry.image) continue;
        // Stopped sounds must not be marked as having ended by themselves.
        aud.AUD_register_EOS_callback(entry.voice, nullptr);
        if (aud.AUD_sample_status(entry.voice) == AUD_SAMPLE_PLAYING) {
            lastRead = aud.AUD_sample_volume(entry.voice);
            lowest = std::min(lowest, lastRead);
            anyRead = true;
        }
    }
    const std::int32_t step = lowest == 0 ? 0 : std::max(lowest / FadeSteps, 1);
    if (anyRead && lastRead > 0) {
        win::DWORD stepStart = win::GetTickCount();
        for (std::int32_t n = 0; n < FadeSteps; ++n) {
            if (n > 0) {
                win::DWORD now = win::GetTickCount();
                while (now - stepStart < FadeStepMs) {
                    win::Sleep(FadeStepMs - (now - stepStart));
                    now = win::GetTickCount();
                }
                stepStart = now;
            }
            StepVolumesDown(step);
        }
    }
    StopAndReleasePlaying();
}

void SoundClass::StepVolumesDown(std::int32_t step) {
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        const AUD_HANDLE voice = playing[i]->voice;
        if (voice == 0 || aud.AUD_sample_status(voice) != AUD_SAMPLE_PLAYING) continue;
        std::int32_t volume = aud.AUD_sample_volume(voice);
        if (volume <= 0) continue;
        volume -= step;
        if (volume > 0 && volume < FullVolume) aud.AUD_set_sample_volume(voice, volume);
    }
}

void SoundClass::StopAndReleasePlaying() {
    for (std::uint32_t i = 0; i < playingCount; ++i) {
        const PlayEntry& entry = *playing[i];
        if (entry.voice == 0) {
            if (entry.cdTrack != 0) aud.AUD_redbook_stop(cdHandle);
        } else if (aud.AUD_sample_status(entry.voice) == AUD_SAMPLE_PLAYING) {
            aud.AUD_end_sample(entry.voice);
        }
    }
    ReleaseList(playing, playingCount);
}

void SoundClass::DropQueue() { ReleaseList(queued, queuedCount); }
