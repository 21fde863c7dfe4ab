// SPDX-License-Identifier: GPL-3.0-or-later
// The objects and flags that live for the whole run. Only the application
// uses them: it hands them to the presentation window through its host.
#pragma once

#include <cstdint>

class MessageClass;
class SoundClass;

// Made by static initialisation, the sound manager (which binds the audio
// library) first.
extern SoundClass* SoundManager;
extern MessageClass* ErrorReporter;

extern std::int32_t RestartRequested;
extern std::uint8_t FirstPaint;
extern std::uint8_t AbortMovie;
