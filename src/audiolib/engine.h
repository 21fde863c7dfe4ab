// SPDX-License-Identifier: GPL-3.0-or-later
// The library's state behind the exported entry points: the output (the SDL
// device, a silent stand-in when there is none, or the virtual device of a
// headless run), the mixer and the CD drive, all under one mutex that the
// mixing side shares.
//
// Headless, nothing mixes on its own: every entry point first mixes up to the
// host's current virtual time, and end-of-sample procedures and timers are
// called on the calling thread at the moment they fall due in the mix.
// Otherwise they are called on the output's thread. Either way they are called
// without the lock held, so they may call back into the library. An output
// that is lost (or silent) is replaced by the default device once one opens.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "audiolib/aud32.h"
#include "audiolib/cd_drive.h"
#include "audiolib/idle_pause.h"
#include "audiolib/mixer.h"
#include "audiolib/output.h"
#include "audiolib/wav_writer.h"

namespace aud {

class Engine {
public:
    static Engine& Instance();
    Engine() = default;
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Output
    std::int32_t Open(AUD_HANDLE* driver, std::int32_t device, const AUD_PCMWAVEFORMAT* format);
    void Shutdown();
    void Serve() { CatchUp(); }
    std::int32_t SetPreference(std::uint32_t number, std::int32_t value);
    std::int32_t MinimumBufferSize(AUD_HANDLE driver, std::int32_t rate, std::int32_t type);

    // Voices
    AUD_HANDLE AllocateVoice(AUD_HANDLE driver);
    std::int32_t Status(AUD_HANDLE voice);
    void InitSample(AUD_HANDLE voice);
    std::int32_t SetSampleFile(AUD_HANDLE voice, const void* image);
    void SetSampleType(AUD_HANDLE voice, std::int32_t type, std::uint32_t flags);
    void SetSampleAddress(AUD_HANDLE voice, const void* start, std::uint32_t length);
    void SetPlaybackRate(AUD_HANDLE voice, std::int32_t rate);
    void SetVolume(AUD_HANDLE voice, std::int32_t volume);
    std::int32_t Volume(AUD_HANDLE voice);
    void SetLoopCount(AUD_HANDLE voice, std::int32_t count);
    void Start(AUD_HANDLE voice);
    void End(AUD_HANDLE voice);
    AUD_EOS_CALLBACK RegisterEndCallback(AUD_HANDLE voice, AUD_EOS_CALLBACK callback);
    std::int32_t BufferReady(AUD_HANDLE voice);
    void LoadBuffer(AUD_HANDLE voice, std::uint32_t buffer, const void* data, std::uint32_t length);

    // Timers
    AUD_HANDLE RegisterTimer(AUD_TIMER_CALLBACK callback);
    void SetTimerPeriod(AUD_HANDLE timer, std::uint32_t microseconds);
    void SetTimerUser(AUD_HANDLE timer, std::uint32_t user);
    void StartTimer(AUD_HANDLE timer);

    // CD
    AUD_HANDLE CdOpen(std::uint32_t drive);
    void CdClose(AUD_HANDLE cd);
    std::uint32_t CdTracks(AUD_HANDLE cd);
    void CdTrackInfo(AUD_HANDLE cd, std::uint32_t track, std::uint32_t* start, std::uint32_t* end);
    std::uint32_t CdPlay(AUD_HANDLE cd, std::uint32_t start, std::uint32_t end);
    std::uint32_t CdLoop(AUD_HANDLE cd, std::uint32_t count);
    void CdStop(AUD_HANDLE cd);
    std::uint32_t CdStatus(AUD_HANDLE cd);
    std::uint32_t CdPosition(AUD_HANDLE cd);

private:
    using Lock = std::unique_lock<std::mutex>;

    // Headless: mixes up to the host's current time. Otherwise: replaces a
    // lost output, trying now and then.
    void CatchUp();
    void ReplaceLostOutput();
    std::unique_ptr<Output> OpenOutput(const OutputFormat& format);
    // Mixes `frames` frames into `out` (or, when it is null, into the output
    // file if there is one), segment by segment, reporting ended voices and
    // timer ticks between segments with the lock released. Returns the frames
    // mixed: fewer when the output was shut down meanwhile.
    std::size_t Render(Lock& lock, std::uint8_t* out, std::size_t frames);
    void Report(Lock& lock);
    static void FillDevice(void* engine, std::uint8_t* stream, int bytes);
    // The layout of raw data handed to the voice.
    PcmLayout RawLayout(const Voice& voice) const;
    // Streams: forgets the buffers played to their end.
    void ForgetPlayedBuffers(Voice& voice);
    bool IsCd(AUD_HANDLE cd) const { return cd == CdHandle && cd_.has_value(); }
    void StopCd();

    static constexpr AUD_HANDLE DriverHandle = 1;
    static constexpr AUD_HANDLE CdHandle = 1;

    std::mutex mutex_;
    Mixer mixer_;
    bool headless_ = false;
    std::unique_ptr<Output> device_;
    std::chrono::steady_clock::time_point nextReopen_;
    std::string refusedPath_;            // an output file that could not be made, told once
    std::unique_ptr<WavWriter> writer_;  // kept over a shutdown, so that a restart appends
    std::vector<std::int32_t> mix_;
    std::vector<std::uint8_t> bytes_;
    MixEvents events_;
    std::optional<CdDrive> cd_;
    std::uint32_t cdStart_ = 0;
    std::uint32_t cdEnd_ = 0;
    std::vector<std::int32_t> preferences_ = std::vector<std::int32_t>(64, 0);
    // Last, so that its thread has ended before the device goes.
    IdlePause idlePause_{[this] {
        Lock lock(mutex_);
        return !mixer_.Busy();
    }};
};

}  // namespace aud
