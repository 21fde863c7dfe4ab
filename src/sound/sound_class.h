// SPDX-License-Identifier: GPL-3.0-or-later
// The sound manager: binds the audio library, starts and stops audio output,
// owns the voices, and keeps the playing list and the waiting queue of music.
// Everything runs on the main thread except OnSampleEnd, which the library
// may call from its mixing thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "audiolib/aud32.h"
#include "media/media_names.h"
#include "platform/win/win.h"
#include "sound/aud_entry_table.h"
#include "sound/file_image.h"
#include "sound/music_mode.h"
#include "sound/play_entry.h"
#include "sound/song_random.h"

class SoundClass {
public:
    static constexpr std::uint32_t PlayingSlots = 7;
    // A song pass begins only while fewer than seven wait, and its eight
    // sections must all find a place.
    static constexpr std::uint32_t QueueSlots = 14;
    static constexpr std::uint32_t MusicVoices = 14;

    // Loads and binds "AUD32.DLL"; a library that cannot be used is reported
    // with a box and a quit request, and the manager stays disabled for good.
    SoundClass();
    // Uses entry points that are already bound (a stand-in library), with
    // the same check and report as a loaded library.
    explicit SoundClass(const AudEntryTable& entryPoints);
    ~SoundClass();
    SoundClass(const SoundClass&) = delete;
    SoundClass& operator=(const SoundClass&) = delete;

    void Startup();
    void Shutdown();
    // Moves music forward; called by the message pump once per message.
    void Service();
    // Whether Service has something to do now: a sound or CD range ended,
    // or music or a song's next pass waits while nothing plays.
    bool ServiceDue();
    // Whether anything plays or waits that Service will move forward.
    bool ServiceRunning() const { return playingCount != 0 || queuedCount != 0 || songMode == SongMode::Playing; }
    // Lets the library keep playback going during long work.
    void Serve();
    void StopMusic();
    // name "none" stops music; Wait queues, Mix mixes, Fade fades out what
    // plays first; cdTrack 0 means a .wav file. True when
    // a file or track was queued or started.
    bool StartMusic(const char* name, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                    std::uint32_t cdTrack, EntryKind kind);
    // Loads and prepares a movie's companion sound; true when attached.
    bool AttachMovieSound(const char* path);
    // Starts the sound of the last successful attach.
    void StartMovieSound();
    // Releases the sound of the last attach if it was never started.
    void DropUnstartedMovieSound();
    bool IsEnabled() const { return enabled != 0; }
    // The extra library shut-down around RUN and EXEC; nothing when unbound.
    void ShutdownLibrary();

    // Sectioned songs: the section files found below the current folder, and
    // one pass of the song plan queued within the byte budget.
    void CountSongSections();
    void QueueSongPass();

    void FadeOutPlaying();
    void DropQueue();
    // Nothing for a file that can neither be mapped nor have its first piece
    // read, or cannot hold a RIFF header; a RIFF size beyond the file is cut
    // to the file.
    FileImage LoadFileImage(const char* path);
    static bool FileExists(const char* path);

    // The end-of-sample procedure given to the library. It reaches the one
    // sound manager through a pointer set at construction.
    static void OnSampleEnd(AUD_HANDLE voice);

    // Read access to the lists; main thread only.
    std::uint32_t PlayingCount() const { return playingCount; }
    std::uint32_t QueuedCount() const { return queuedCount; }
    const PlayEntry* PlayingAt(std::uint32_t index) const { return playing[index].get(); }
    const PlayEntry* QueuedAt(std::uint32_t index) const { return queued[index].get(); }
    std::uint32_t SongBytes() const { return songBytes; }

private:
    void CompleteBinding();
    bool OpenOutput(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels);
    std::int32_t& SongSectionCount(std::int32_t code);
    bool HeadFinished();
    void StartNextWaiting();
    bool SongSectionPlays() const;
    bool PrepareHeldEntry(PlayEntry& entry);
    bool StartFromQueue(std::uint32_t index);
    void ReleaseEnded();
    void AppendPlaying(std::unique_ptr<PlayEntry> entry);
    void AppendQueued(std::unique_ptr<PlayEntry> entry);
    void RemovePlaying(std::uint32_t index);
    void CompactQueue();
    template <std::size_t Slots>
    using EntryList = std::array<std::unique_ptr<PlayEntry>, Slots>;
    template <std::size_t Slots>
    void ReleaseList(EntryList<Slots>& list, std::uint32_t& count);
    void ReleaseEntry(std::unique_ptr<PlayEntry> entry);
    void StepVolumesDown(std::int32_t step);
    void StopAndReleasePlaying();

    bool VoiceHeld(AUD_HANDLE voice) const;
    bool VoiceFree(AUD_HANDLE voice) const;
    AUD_HANDLE ChooseVoiceToStartAtOnce(bool isMusic) const;
    AUD_HANDLE ChooseVoiceToQueue() const;
    void PrepareVoice(AUD_HANDLE voice, const unsigned char* image, std::optional<std::int32_t> playCount);
    void StartVoice(AUD_HANDLE voice);

    bool StartMusicFile(const char* path, std::int32_t playOnce, MusicMode mode, std::int32_t loopCount,
                        EntryKind kind);
    // Plays an entry's CD range; a looping one is left to the library to
    // loop when it can. False when the range does not start.
    bool PlayCdRange(PlayEntry& entry);
    bool StartCdTrack(std::uint32_t track, std::uint32_t start, std::uint32_t end, std::int32_t playOnce,
                      MusicMode mode);

    static std::atomic<SoundClass*> current;

    win::HMODULE library = nullptr;
    std::array<AUD_HANDLE, MusicVoices> voices{};
    AUD_HANDLE clickVoice = 0;
    std::uint32_t playingCount = 0;
    std::uint32_t queuedCount = 0;
    AUD_HANDLE cdHandle = 0;
    std::int32_t headFinished = 0;
    std::int32_t introCount = 0, verseCount = 0, chorusCount = 0, bridgeCount = 0, outroCount = 0;
    std::uint32_t songBytes = 0;
    SongMode songMode = SongMode::Off;
    AUD_HANDLE driver = 0;
    EntryList<PlayingSlots> playing;
    EntryList<QueueSlots> queued;
    std::int32_t enabled = 0;
    std::array<std::int32_t, 9> songPlan = media::SongPlan;
    SongRandom songRandom;
    AudEntryTable aud;

    // False when the library could not be used: nothing calls into it then.
    bool bound = false;
    bool toldSilent = false;  // the viewer was told that no device opened
    AUD_PCMWAVEFORMAT waveFormat{};
    // Guards the lists against OnSampleEnd. Library calls are made without
    // holding it, so a library that calls OnSampleEnd under a lock of its own
    // cannot deadlock against the main thread; recursive because the pieces
    // that change the lists call each other.
    mutable std::recursive_mutex listLock;
};
