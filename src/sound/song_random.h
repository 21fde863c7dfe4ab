// SPDX-License-Identifier: GPL-3.0-or-later
// The random choices of sectioned songs: the sample generator of the ISO C
// standard, never seeded, so a presentation makes the same choices in every
// run and on every platform.
#pragma once

#include <cstdint>

class SongRandom {
public:
    std::int32_t Next() {
        next_ = next_ * 1103515245u + 12345u;
        return static_cast<std::int32_t>(next_ / 65536u % 32768u);
    }

private:
    std::uint32_t next_ = 1;
};
