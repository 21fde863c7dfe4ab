#include "app/message_class.h"

void MessageClass::FatalError(const char* text, win::HWND owner) {
    win::MessageBoxA(owner, text, "Fatal Error", win::MB_OK | win::MB_ICONEXCLAMATION);
    win::MessageBeep(win::MB_ICONEXCLAMATION);
    win::PostQuitMessage(1);
}
