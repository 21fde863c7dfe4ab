// SPDX-License-Identifier: GPL-3.0-or-later
// Test programs link the player's parts without its entry function: these are
// the globals the player's own executable would define. No sound manager, so
// the parts under test run without an audio library.
#include "interp/globals.h"
#include "platform/message_class.h"
#include "sound/sound_class.h"

SoundClass* SoundManager = nullptr;
MessageClass* ErrorReporter = new MessageClass;
std::int32_t RestartRequested = 0;
std::uint8_t FirstPaint = 1;
std::uint8_t AbortMovie = 0;
