// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/engine.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "audiolib/host.h"
#include "audiolib/last_error.h"
#include "audiolib/sdl_output.h"
#include "audiolib/silent_output.h"
#include "audiolib/wav_format.h"

namespace aud {
namespace {

constexpr std::uint64_t SegmentFrames = 4096;
constexpr std::uint32_t MaxOutputRate = 192000;
constexpr auto ReopenEvery = std::chrono::seconds(3);

// Set while this thread mixes: its entry-point calls (from end-of-sample
// procedures and timers) must not start another mix.
thread_local bool mixingHere = false;

class MixingHere {
public:
    MixingHere() { mixingHere = true; }
    ~MixingHere() { mixingHere = false; }
    MixingHere(const MixingHere&) = delete;
    MixingHere& operator=(const MixingHere&) = delete;
};

std::uint64_t FrameAt(std::uint32_t ms, std::uint32_t rate) { return std::uint64_t{ms} * rate / 1000; }

}  // namespace

Engine& Engine::Instance() {
    static Engine engine;
    return engine;
}

Engine::~Engine() {
    std::unique_ptr<Output> device;
    {
        Lock lock(mutex_);
        device = std::move(device_);
    }
    device.reset();
}

std::int32_t Engine::Open(AUD_HANDLE* driver, std::int32_t device, const AUD_PCMWAVEFORMAT* format) {
    if (!driver || !format) {
        SetLastError("no driver address or no format record");
        return AUD_OPEN_BAD_ARGUMENT;
    }
    if (device != 0) {
        SetLastError("no such output device");
        return AUD_OPEN_BAD_DEVICE;
    }
    const OutputFormat wanted{format->nSamplesPerSec, format->nChannels, format->wBitsPerSample};
    if (format->wFormatTag != 1 || (wanted.bits != 8 && wanted.bits != 16) || wanted.channels < 1 ||
        wanted.channels > MaxChannels || wanted.rate < MinRate || wanted.rate > MaxOutputRate) {
        SetLastError("output format not supported");
        return AUD_OPEN_BAD_FORMAT;
    }
    Lock lock(mutex_);
    if (mixer_.Running()) {
        SetLastError("the output is open already");
        return AUD_OPEN_ALREADY_OPEN;
    }
    headless_ = host::Headless();
    if (!headless_) {
        device_ = OpenOutput(wanted);
        nextReopen_ = std::chrono::steady_clock::now() + ReopenEvery;
        mixer_.Start(wanted, 0);
        *driver = DriverHandle;
        // The device's thread takes SDL's lock before ours: touch it without
        // ours. Nothing plays yet: it is paused off this thread, as closing
        // waits for the device's thread.
        Output* output = device_.get();
        lock.unlock();
        idlePause_.Watch(output);
        idlePause_.FellIdle();
        return AUD_OPEN_OK;
    }
    const char* path = std::getenv("CORVANTA_AUDIO_OUT");
    if (!path || !*path || refusedPath_ == path) {
        // Without a file (or one that cannot be made, which has been told)
        // the mix still runs in virtual time: sounds start and end as with one.
        writer_.reset();
    } else if (!writer_ || writer_->Path() != path || writer_->Format() != wanted) {
        writer_.reset();
        writer_ = WavWriter::Create(path, wanted);
        if (!writer_) refusedPath_ = path;
    }
    if (writer_) {
        // The mix up to the end of the run, also when the host ends it abruptly.
        static const bool finishRegistered = [] {
            host::AtExit([] { Instance().Shutdown(); });
            return true;
        }();
        (void)finishRegistered;
    }
    // The file's sample 0 is virtual time 0: what lies before the opening is silence.
    mixer_.Start(wanted,
                 writer_ && !writer_->Failed() ? writer_->FramesWritten() : FrameAt(host::NowMs(), wanted.rate));
    *driver = DriverHandle;
    lock.unlock();
    CatchUp();
    return AUD_OPEN_OK;
}

std::unique_ptr<Output> Engine::OpenOutput(const OutputFormat& format) {
    if (auto device = SdlOutput::Open(format, &FillDevice, this)) return device;
    return std::make_unique<SilentOutput>(format, &FillDevice, this);
}

void Engine::ReplaceLostOutput() {
    OutputFormat format;
    std::unique_ptr<Output> lost;
    {
        Lock lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (headless_ || !mixer_.Running() || !device_ || !device_->Lost() || now < nextReopen_) return;
        nextReopen_ = now + ReopenEvery;
        format = mixer_.Format();
        lost = std::move(device_);
    }
    // Closed first, so that SDL may start its driver afresh (a sound server
    // that restarted); closing waits for its thread, which may wait for our lock.
    idlePause_.Watch(nullptr);
    lost.reset();
    auto output = OpenOutput(format);
    Output* resume = output.get();
    bool busy = false;
    {
        Lock lock(mutex_);
        if (device_ || !mixer_.Running() || mixer_.Format() != format) return;
        device_ = std::move(output);
        busy = mixer_.Busy();
    }
    idlePause_.Watch(resume);
    if (busy) idlePause_.Resume();
}

void Engine::Shutdown() {
    CatchUp();
    std::unique_ptr<Output> device;
    {
        Lock lock(mutex_);
        if (mixingHere && device_) {
            SetLastError("the output cannot be shut down from its own mixing thread");
            return;
        }
        mixer_.Stop();
        device = std::move(device_);
        if (writer_) writer_->FixHeader();
    }
    // Closing waits for the device's thread, which may be waiting for the lock.
    idlePause_.Watch(nullptr);
    device.reset();
}

std::int32_t Engine::SetPreference(std::uint32_t number, std::int32_t value) {
    Lock lock(mutex_);
    if (number >= preferences_.size()) {
        SetLastError("no such preference");
        return -1;
    }
    return std::exchange(preferences_[number], value);
}

std::int32_t Engine::MinimumBufferSize(AUD_HANDLE driver, std::int32_t rate, std::int32_t type) {
    Lock lock(mutex_);
    if (driver != DriverHandle || !mixer_.Running() || rate < static_cast<std::int32_t>(MinRate) ||
        rate > static_cast<std::int32_t>(MaxOutputRate) || type < AUD_SAMPLE_TYPE_MONO_8 ||
        type > AUD_SAMPLE_TYPE_STEREO_16) {
        SetLastError("no output, or rate or sample type not supported");
        return 0;
    }
    // One block of the device, as long in time at the buffer's rate.
    const std::uint32_t frames = std::bit_floor(std::max(static_cast<std::uint32_t>(rate) / 40, 64u));
    const std::int32_t frameBytes = (type & 1 ? 2 : 1) * (type & 2 ? 2 : 1);
    return static_cast<std::int32_t>(frames) * frameBytes;
}

void Engine::CatchUp() {
    if (mixingHere) return;
    ReplaceLostOutput();
    Lock lock(mutex_);
    if (!headless_ || !mixer_.Running()) return;
    MixingHere guard;
    const std::uint64_t target = FrameAt(host::NowMs(), mixer_.Format().rate);
    while (mixer_.Running() && mixer_.MixedFrames() < target) {
        const std::uint64_t frames = std::min(target - mixer_.MixedFrames(), SegmentFrames);
        if (Render(lock, nullptr, static_cast<std::size_t>(frames)) == 0) break;
    }
}

std::size_t Engine::Render(Lock& lock, std::uint8_t* out, std::size_t frames) {
    std::size_t done = 0;
    while (done < frames && mixer_.Running()) {
        const OutputFormat format = mixer_.Format();
        const auto count = static_cast<std::size_t>(
            std::min<std::uint64_t>({frames - done, mixer_.FramesUntilNextEvent(), SegmentFrames}));
        mix_.resize(count * format.channels);
        const bool wasBusy = mixer_.Busy();
        mixer_.Mix(mix_, events_);
        if (wasBusy && !mixer_.Busy()) idlePause_.FellIdle();
        bytes_.resize(count * format.BytesPerFrame());
        StoreMix(mix_, format.bits, bytes_.data());
        if (out) {
            std::memcpy(out + done * format.BytesPerFrame(), bytes_.data(), bytes_.size());
        } else if (writer_) {
            writer_->Append(bytes_);
        }
        done += count;
        if (!events_.Empty()) Report(lock);
    }
    return done;
}

void Engine::Report(Lock& lock) {
    MixEvents events;
    std::swap(events, events_);
    // Headless, the host turns running sounds over itself, in virtual time.
    const bool wake = !headless_ && (!events.ended.empty() || events.cdEnded);
    lock.unlock();
    for (const auto& ended : events.ended) {
        host::Trace("sound\tend\t" + std::to_string(ended.voice));
        if (ended.onEnd) ended.onEnd(ended.voice);
    }
    if (wake) host::Wake();
    for (const auto& tick : events.ticks) {
        if (tick.callback) tick.callback(tick.user);
    }
    lock.lock();
}

void Engine::FillDevice(void* context, std::uint8_t* stream, int bytes) {
    auto& engine = *static_cast<Engine*>(context);
    MixingHere guard;
    std::size_t filled = 0;
    std::uint8_t silence = 0;
    // Nothing may escape into the output's thread: a block that fails is silence.
    try {
        Lock lock(engine.mutex_);
        const OutputFormat format = engine.mixer_.Format();
        const std::size_t frameBytes = format.BytesPerFrame();
        const std::size_t frames = frameBytes ? static_cast<std::size_t>(bytes) / frameBytes : 0;
        silence = format.bits == 8 ? 0x80 : 0;
        filled = engine.Render(lock, stream, frames) * frameBytes;
    } catch (...) {
        SetLastError("mixing failed");
    }
    std::memset(stream + filled, silence, static_cast<std::size_t>(bytes) - filled);
}

AUD_HANDLE Engine::RegisterTimer(AUD_TIMER_CALLBACK callback) {
    Lock lock(mutex_);
    const AUD_HANDLE timer = mixer_.RegisterTimer(callback);
    if (timer == 0) SetLastError("no free timer");
    return timer;
}

void Engine::SetTimerPeriod(AUD_HANDLE handle, std::uint32_t microseconds) {
    CatchUp();
    Lock lock(mutex_);
    if (Timer* timer = mixer_.FindTimer(handle)) {
        timer->periodUs = microseconds;
        if (timer->running) mixer_.StartTimer(*timer);
    }
}

void Engine::SetTimerUser(AUD_HANDLE handle, std::uint32_t user) {
    Lock lock(mutex_);
    if (Timer* timer = mixer_.FindTimer(handle)) timer->user = user;
}

void Engine::StartTimer(AUD_HANDLE handle) {
    CatchUp();
    Lock lock(mutex_);
    if (Timer* timer = mixer_.FindTimer(handle)) mixer_.StartTimer(*timer);
}

}  // namespace aud
