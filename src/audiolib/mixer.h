// The mixing side: voices, the CD's playback, timers, and the arithmetic that
// adds them into one output stream. Not thread-safe; the engine locks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "audiolib/aud32.h"
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

    bool Empty() const { return ended.empty() && ticks.empty(); }
};

class Mixer {
public:
    static constexpr std::size_t kVoiceCount = 32;
    static constexpr std::size_t kTimerCount = 16;
    static constexpr std::uint64_t kNever = UINT64_MAX;

    // Starts mixing at output frame `startFrame` with every voice free.
    void Start(const OutputFormat& format, std::uint64_t startFrame);
    // Frees every voice and timer and stops the CD's playback.
    void Stop();
    bool Running() const { return running_; }
    const OutputFormat& Format() const { return format_; }
    std::uint64_t MixedFrames() const { return mixedFrames_; }

    AUD_HANDLE AllocateVoice();
    Voice* FindVoice(AUD_HANDLE handle);
    Voice& Cd() { return cd_; }

    AUD_HANDLE RegisterTimer(AUD_TIMER_CALLBACK callback);
    Timer* FindTimer(AUD_HANDLE handle);
    void StartTimer(Timer& timer);

    // Output frames until a voice ends or a timer is due; the engine mixes no
    // further in one go, so that either is reported at its exact moment.
    std::uint64_t FramesUntilNextEvent() const;
    // Mixes mix.size() / channels frames into `mix` (overwritten), 256 = unity.
    void Mix(std::span<std::int32_t> mix, MixEvents& events);

private:
    std::uint64_t NowUs() const;

    bool running_ = false;
    OutputFormat format_;
    std::uint64_t mixedFrames_ = 0;
    std::array<Voice, kVoiceCount> voices_;
    Voice cd_;
    std::array<Timer, kTimerCount> timers_;
};

// Output frames until the voice plays its last frame; kNever when endless.
std::uint64_t FramesUntilEnd(const Voice& voice, std::uint16_t channels);
// Adds the voice into `mix`; returns true when it has just played its end.
bool MixVoice(Voice& voice, std::uint16_t channels, std::span<std::int32_t> mix);
// Stores mixed values as output samples of `bits` bits, clipped.
void StoreMix(std::span<const std::int32_t> mix, std::uint16_t bits, std::uint8_t* out);

}  // namespace aud
