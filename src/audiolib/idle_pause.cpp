// SPDX-License-Identifier: GPL-3.0-or-later
#include "audiolib/idle_pause.h"

namespace aud {

IdlePause::~IdlePause() { Stop(); }

void IdlePause::Watch(Output* output) {
    // No thread of ours outlives the output (a process that forks later has one thread less to lose).
    if (!output) Stop();
    std::lock_guard lock(deviceMutex_);
    output_ = output;
    if (output_ && !thread_.joinable()) thread_ = std::thread(&IdlePause::Run, this);
}

void IdlePause::Stop() {
    {
        std::lock_guard lock(signalMutex_);
        stopping_ = true;
    }
    signal_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(signalMutex_);
    stopping_ = false;
    pending_ = false;
}

void IdlePause::FellIdle() {
    {
        std::lock_guard lock(signalMutex_);
        pending_ = true;
    }
    signal_.notify_all();
}

void IdlePause::Resume() {
    std::lock_guard lock(deviceMutex_);
    if (output_) output_->Resume();
}

void IdlePause::Run() {
    for (;;) {
        {
            std::unique_lock lock(signalMutex_);
            signal_.wait(lock, [this] { return pending_ || stopping_; });
            if (stopping_) return;
            pending_ = false;
        }
        std::lock_guard lock(deviceMutex_);
        // A sound that started meanwhile resumed the output already.
        if (output_ && stillIdle_()) output_->Pause();
    }
}

}  // namespace aud
