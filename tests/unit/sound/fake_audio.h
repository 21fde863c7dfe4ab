// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted stand-in for the audio library, bound through the same entry
// table as the real one. Voices behave like the library's: idle (2) until
// started, playing (4) until ended or finished; every call is recorded.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sound/aud_entry_table.h"

struct FakeVoice {
    std::int32_t status = AUD_SAMPLE_DONE;
    std::int32_t volume = 200;
    const void* image = nullptr;
    AUD_EOS_CALLBACK endOfSample = nullptr;
};

class FakeAudio {
public:
    FakeAudio();  // becomes the library the table's functions talk to
    ~FakeAudio();
    FakeAudio(const FakeAudio&) = delete;
    FakeAudio& operator=(const FakeAudio&) = delete;

    static AudEntryTable Table();

    // Ends a started sample by itself, as the mixer does at the end of a file.
    void Finish(AUD_HANDLE voice);
    // The handle of music voice i (0 to 13), in the order Startup allocates them.
    AUD_HANDLE Voice(std::size_t index) const { return allocated.at(index + 1); }
    // Recorded calls whose text starts with the prefix.
    std::vector<std::string> Calls(const std::string& prefix) const;

    // Script
    std::function<bool(const AUD_PCMWAVEFORMAT&)> acceptsFormat = [](const AUD_PCMWAVEFORMAT&) { return true; };
    std::size_t allocationLimit = 15;  // voices per library start-up
    std::uint32_t cdTracks = 0;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> cdTrackRange;
    std::uint32_t cdPlayResult = 1;
    std::uint32_t cdLoopResult = 0;  // 0: the manager replays a looping range itself

    // State and record
    std::map<AUD_HANDLE, FakeVoice> voices;
    std::vector<AUD_HANDLE> allocated;
    std::uint32_t cdStatus = 0;
    std::vector<AUD_PCMWAVEFORMAT> formatsTried;
    std::vector<std::string> calls;
    std::vector<std::pair<AUD_HANDLE, std::uint32_t>> volumeTicks;  // voice and clock at each volume change
};
