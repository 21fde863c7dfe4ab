// The objects and flags that live for the whole run.
#pragma once

#include <cstdint>

class SoundClass;
class MessageClass;

// Created by static initialisation, sound manager first; never destroyed.
// The sound manager may be null if its creation failed.
extern SoundClass* SoundManager;
extern MessageClass* ErrorReporter;

extern std::int32_t RestartRequested;
extern std::uint8_t FirstPaint;
extern std::uint8_t AbortMovie;
