// SPDX-License-Identifier: GPL-3.0-or-later
// The fuzzer's coverage counters in every instrumented module loaded: the
// player's executable and its audio library. A forked child hands them back
// through shared memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

class CoverageCounters {
public:
    // The modules loaded now: a library the child opens later is not seen.
    CoverageCounters();

    std::size_t Size() const { return size_; }
    void Clear(std::uint8_t* shared) const;
    void Save(std::uint8_t* shared) const;
    void Load(const std::uint8_t* shared) const;

private:
    std::vector<std::span<std::uint8_t>> modules_;
    std::size_t size_ = 0;
};

}  // namespace fuzz
