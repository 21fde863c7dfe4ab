// SPDX-License-Identifier: GPL-3.0-or-later
// The flags that live for the whole run. The run's objects are declared with
// their classes: `SoundManager` in sound/sound_class.h, `ErrorReporter` in
// platform/message_class.h.
#pragma once

#include <cstdint>

extern std::int32_t RestartRequested;
extern std::uint8_t FirstPaint;
extern std::uint8_t AbortMovie;
