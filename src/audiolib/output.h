// SPDX-License-Identifier: GPL-3.0-or-later
// Where the mix goes outside a headless run: a thread of the output asks for
// each block of the mix.
#pragma once

#include <cstdint>

namespace aud {

class Output {
public:
    using Fill = void (*)(void* user, std::uint8_t* stream, int bytes);

    // Stops asking for blocks; returns once no block is being filled any more.
    virtual ~Output() = default;
    // Both may be asked again in the state they ask for.
    virtual void Resume() = 0;
    virtual void Pause() = 0;
    // True when nobody hears it: the device went away, or there was none.
    virtual bool Lost() const = 0;
};

}  // namespace aud
