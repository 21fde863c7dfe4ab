// Built without coverage instrumentation: in an instrumented file these
// declarations would clash with the compiler's own, and the fuzzer would not
// learn of the counters at all.
#include "coverage_counters.h"

extern "C" std::uint8_t __start___sancov_cntrs[];
extern "C" std::uint8_t __stop___sancov_cntrs[];

namespace fuzz {

std::span<std::uint8_t> CoverageCounters() { return {__start___sancov_cntrs, __stop___sancov_cntrs}; }

}  // namespace fuzz
