#include "app/message_class.h"

#include "platform/win.h"

void MessageClass::FatalError(const char* text) {
    win::MessageBoxA(nullptr, text, "Fatal Error", win::MB_OK | win::MB_ICONEXCLAMATION);
    win::MessageBeep(win::MB_ICONEXCLAMATION);
    win::PostQuitMessage(1);
}
