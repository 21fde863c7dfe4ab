// The fuzzer's coverage counters of this executable: the whole player but its
// audio library. A forked child hands them back through shared memory.
#pragma once

#include <cstdint>
#include <span>

namespace fuzz {

std::span<std::uint8_t> CoverageCounters();

}  // namespace fuzz
