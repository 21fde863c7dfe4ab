// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for a device when none can be opened: a thread of its own asks
// for the mix block by block in real time and drops it, so that voices still
// play, end and report their end as they would be heard.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audiolib/output.h"
#include "audiolib/output_format.h"

namespace aud {

class SilentOutput final : public Output {
public:
    SilentOutput(const OutputFormat& format, Fill fill, void* user);
    ~SilentOutput() override;
    SilentOutput(const SilentOutput&) = delete;
    SilentOutput& operator=(const SilentOutput&) = delete;

    void Resume() override;
    void Pause() override;
    bool Lost() const override { return true; }

private:
    void Run();

    const OutputFormat format_;
    const Fill fill_;
    void* const user_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool resumed_ = false;
    bool stopping_ = false;
    std::vector<std::uint8_t> block_;
    std::thread thread_;
};

}  // namespace aud
