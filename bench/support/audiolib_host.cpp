// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audiolib_host.h"

#include "platform/core/host_services.h"

namespace bench {

std::uint32_t virtualNow = 0;

bool StartLibrary(benchmark::State& state, AUD_HANDLE& driver) {
    virtualNow = 0;
    AUD_startup();
    const AUD_PCMWAVEFORMAT format{1, 2, 44100, 176400, 4, 16};
    if (AUD_waveOutOpen(&driver, nullptr, 0, &format) == AUD_OPEN_OK) return true;
    state.SkipWithError(AUD_last_error());
    return false;
}

}  // namespace bench

extern "C" {
int corvanta_host_headless(void) { return 1; }
std::uint32_t corvanta_host_now_ms(void) { return bench::virtualNow; }
void corvanta_host_trace(const char*) {}
}
