// SPDX-License-Identifier: GPL-3.0-or-later
// One translation unit, so that the sound manager (which binds the audio
// library) is created before the error reporter.
#include "app/globals.h"

#include "interp/message_class.h"
#include "sound/sound_class.h"

SoundClass* SoundManager = new SoundClass;
MessageClass* ErrorReporter = new MessageClass;

std::int32_t RestartRequested = 0;
std::uint8_t FirstPaint = 1;
std::uint8_t AbortMovie = 0;
