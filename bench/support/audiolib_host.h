// SPDX-License-Identifier: GPL-3.0-or-later
// What the audio library's benchmarks share: the host services the player
// offers the library (headless output, on a clock the benchmark moves), and
// the library's start with the player's output, 44.1 kHz 16-bit stereo.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "audiolib/aud32.h"

namespace bench {

// The library's clock, in milliseconds.
extern std::uint32_t virtualNow;

// Starts the library with its clock at 0 and opens the output into `driver`.
// False, with the benchmark skipped, when the output does not open.
bool StartLibrary(benchmark::State& state, AUD_HANDLE& driver);

}  // namespace bench
