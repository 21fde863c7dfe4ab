// SPDX-License-Identifier: GPL-3.0-or-later
// The mixing side: voices, the CD's playback, timers, the fading tails of
// stopped sounds, and the arithmetic that adds them into one output stream.
// Not thread-safe; the engine locks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "audiolib/aud32.h"
#include "audiolib/cd_feed.h"
#include "audiolib/output_format.h"
#include "audiolib/voice.h"

namespace aud {

struct Timer {
    bool registered = false;
    bool running = false;
    AUD_TIMER_CALLBACK callback = nullptr;
    std::uint32_t user = 0;
    std::uint32_t periodUs = 0;  // 0 = never due
    std::uint64_t dueUs = 0;     // in microseconds of mixed output
};

// What happened during a mix, to be reported once the lock is released.
struct MixEvents {
    struct Ended {
        AUD_HANDLE voice;
        AUD_EOS_CALLBACK onEnd;
    };
    struct Tick {
        AUD_TIMER_CALLBACK callback;
        std::uint32_t user;
    };
    std::vector<Ended> ended;
    std::vector<Tick> ticks;

    bool cdEnded = false;

    bool Empty() const { return ended.empty() && ticks.empty() && !cdEnded; }
};

class Mixer {
public:
    static constexpr std::size_t VoiceCount = 32;
    static constexpr std::size_t TimerCount = 16;

    // Starts mixing at output frame `startFrame` with every voice free.
    void Start(const OutputFormat& format, std::uint64_t startFrame);
    // Frees every voice and timer and stops the CD's playback.
    void Stop();
    bool Running() const { return running_; }
    const OutputFormat& Format() const { return format_; }
    std::uint64_t MixedFrames() const { return mixedFrames_; }

    AUD_HANDLE AllocateVoice();
    Voice* FindVoice(AUD_HANDLE handle);
    // Starts the voice's sound from its beginning (a playing voice fades out first).
    void StartVoice(Voice& voice);
    // Stops a playing voice: what it was playing fades out over a few milliseconds.
    void StopVoice(Voice& voice);

    void PlayCd(std::unique_ptr<CdFeed> feed);
    void StopCd();
    // The CD's range plays `plays` times in all (0 = without end) as one
    // signal; false when nothing plays or the range cannot run on.
    bool LoopCd(std::uint32_t plays) { return cd_.playing && cd_.feed->Loop(plays); }
    bool CdPlaying() const { return cd_.playing; }
    // Something to hear: a voice, the CD, the fading end of a stopped sound,
    // or a timer that runs.
    bool Busy() const;
    // Output frames of the CD's range played so far.
    std::uint64_t CdProduced() const { return cd_.playback.Produced(); }

    AUD_HANDLE RegisterTimer(AUD_TIMER_CALLBACK callback);
    Timer* FindTimer(AUD_HANDLE handle);
    void StartTimer(Timer& timer);

    // Output frames until a voice ends or a timer is due; the engine mixes no
    // further in one go, so that either is reported at its exact moment.
    std::uint64_t FramesUntilNextEvent();
    // Mixes mix.size() / channels frames into `mix` (overwritten), 256 = unity.
    void Mix(std::span<std::int32_t> mix, MixEvents& events);

private:
    struct Cd {
        std::unique_ptr<CdFeed> feed;
        Playback playback;
        bool playing = false;
    };
    // The last few milliseconds of a stopped sound, mixed ahead.
    struct Tail {
        std::vector<std::int32_t> mix;
        std::size_t at = 0;
    };

    std::uint64_t NowUs() const;
    void FadeOut(Playback& playback, Feed& feed);

    bool running_ = false;
    OutputFormat format_;
    std::uint64_t mixedFrames_ = 0;
    std::array<Voice, VoiceCount> voices_;
    Cd cd_;
    std::vector<Tail> tails_;
    std::array<Timer, TimerCount> timers_;
};

// Stores mixed values as output samples of `bits` bits, clipped.
void StoreMix(std::span<const std::int32_t> mix, std::uint16_t bits, std::uint8_t* out);

}  // namespace aud
