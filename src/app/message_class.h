#pragma once

#include "platform/win.h"

// The fatal-error reporter: a box (owned by `owner` when one is given), a
// beep, and the quit request with exit code 1. The caller returns; the
// program ends at the next message loop.
class MessageClass {
public:
    void FatalError(const char* text, win::HWND owner = nullptr);
};
