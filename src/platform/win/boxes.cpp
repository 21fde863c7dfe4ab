// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes and beeps: always traced, shown by the backend.
#include "platform/core/backend.h"
#include "platform/core/trace.h"
#include "platform/win/windows.h"

namespace win {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    bool owned = platform::FindWindowData(owner) != nullptr;
    std::string captionText = caption ? caption : "Error";
    std::string bodyText = text ? text : "";
    platform::WriteTrace(std::string("box\t") + (owned ? "window" : "none") + "\t" + platform::TraceFlags(type) + "\t" +
                         platform::EscapeTraceText(captionText) + "\t" + platform::EscapeTraceText(bodyText));
    return platform::TheBackend().ShowMessageBox(owned, captionText, bodyText, type);
}

BOOL MessageBeep(UINT type) {
    platform::WriteTrace("beep\t" + platform::TraceFlags(type));
    platform::TheBackend().Beep(type);
    return TRUE;
}

}  // namespace win
