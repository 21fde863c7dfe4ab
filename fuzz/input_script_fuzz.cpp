// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: headless input scripts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/headless/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto script = platform::ParseInputScript(std::string_view(reinterpret_cast<const char*>(data), size));
    // Every line gives at most one event or one error.
    return script.events.size() + script.errors.size() > size + 1 ? -1 : 0;
}
