// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/silent_output.h"

#include <chrono>

#include "audiolib/sdl_output.h"

namespace aud {

SilentOutput::SilentOutput(const OutputFormat& format, Fill fill, void* user)
    : format_(format),
      fill_(fill),
      user_(user),
      block_(std::size_t{BlockFrames(format.rate)} * format.BytesPerFrame()) {
    thread_ = std::thread(&SilentOutput::Run, this);
}

SilentOutput::~SilentOutput() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SilentOutput::Resume() {
    {
        std::lock_guard lock(mutex_);
        resumed_ = true;
    }
    wake_.notify_all();
}

void SilentOutput::Pause() {
    std::lock_guard lock(mutex_);
    resumed_ = false;
}

void SilentOutput::Run() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(BlockFrames(format_.rate)) / format_.rate));
    std::unique_lock lock(mutex_);
    auto due = Clock::now();
    while (!stopping_) {
        if (!resumed_) {
            wake_.wait(lock, [this] { return resumed_ || stopping_; });
            due = Clock::now();
            continue;
        }
        lock.unlock();
        fill_(user_, block_.data(), static_cast<int>(block_.size()));
        lock.lock();
        due += period;
        // After a stall, carry on from now rather than catch up in a burst.
        if (due < Clock::now() - period * 4) due = Clock::now();
        wake_.wait_until(lock, due, [this] { return stopping_ || !resumed_; });
    }
}

}  // namespace aud
