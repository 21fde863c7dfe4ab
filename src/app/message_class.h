#pragma once

// The fatal-error reporter: a box without owner, a beep, and the quit request
// with exit code 1. The caller returns; the program ends at the next message loop.
class MessageClass {
public:
    void FatalError(const char* text);
};
