// SPDX-License-Identifier: GPL-3.0-or-later
// Pauses the output while nothing plays, so that an idle player costs the
// machine nothing. The mixing thread sees the mix fall idle but may not stop
// its own device: a thread of ours does, asleep until then. Starting a sound
// resumes the output on the caller's thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "audiolib/output.h"

namespace aud {

class IdlePause {
public:
    // stillIdle is asked, without our locks, right before pausing.
    explicit IdlePause(std::function<bool()> stillIdle) : stillIdle_(std::move(stillIdle)) {}
    ~IdlePause();
    IdlePause(const IdlePause&) = delete;
    IdlePause& operator=(const IdlePause&) = delete;

    // The output to pause from now on, or none; returns once a pause under
    // way is done.
    void Watch(Output* output);
    // From the mixing thread: the mix has just fallen idle.
    void FellIdle();
    // A sound starts: the output plays.
    void Resume();

private:
    void Run();
    void Stop();

    const std::function<bool()> stillIdle_;
    std::mutex signalMutex_;  // never held while the device is touched
    std::condition_variable signal_;
    bool pending_ = false;
    bool stopping_ = false;
    std::mutex deviceMutex_;
    Output* output_ = nullptr;
    std::thread thread_;
};

}  // namespace aud
