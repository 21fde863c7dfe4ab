// SPDX-License-Identifier: GPL-3.0-or-later
// The RUN and EXEC lines: another program takes the machine, while the
// player waits (RUN) or after it has gone (EXEC).
#include <cerrno>
#include <string>

#include "interp/interp_win.h"

namespace {

// Normal priority, no console.
constexpr win::DWORD CreationFlags = win::NORMAL_PRIORITY_CLASS | win::DETACHED_PROCESS;

bool StartProgram(char* commandLine, win::PROCESS_INFORMATION& started) {
    win::STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = win::STARTF_FORCEONFEEDBACK;
    return win::CreateProcessA(nullptr, commandLine, nullptr, nullptr, win::FALSE, CreationFlags, nullptr, nullptr,
                               &startup, &started) != win::FALSE;
}

// The number is the start's own error, taken before anything else can set
// errno: a number some earlier call left behind would tell the viewer nothing.
void ReportStartFailure(const char* commandLine, InterpHost& host) {
    const int error = errno;
    const std::string text = std::string("CreateProcess command of ") + commandLine +
                             " failed.\n Error number: " + std::to_string(error) + ".";
    host.FatalError(text.c_str(), nullptr);
}

void Release(const win::PROCESS_INFORMATION& started) {
    win::CloseHandle(started.hThread);
    win::CloseHandle(started.hProcess);
}

}  // namespace

void DInterpWin::DoRun(const script::ScriptLine& line) {
    if (line.error) {
        ShowNotice(line.error, "Hey!", win::MB_ICONEXCLAMATION);
        return;
    }
    std::string commandLine = line.name;
    win::PROCESS_INFORMATION started{};
    if (!StartProgram(commandLine.data(), started)) {
        ReportStartFailure(commandLine.c_str(), host_);
        return;
    }
    // No message is handled until the program has ended: input given meanwhile
    // is handled by the next pump, in order.
    win::WaitForSingleObject(started.hProcess, win::INFINITE);
    Release(started);
}

void DInterpWin::DoExec(const script::ScriptLine& line) {
    if (line.name.empty()) {
        win::PostQuitMessage(0);
        return;
    }
    std::string commandLine = line.name;
    win::sndPlaySoundA(nullptr, win::SND_ASYNC);
    win::PROCESS_INFORMATION started{};
    if (!StartProgram(commandLine.data(), started)) {
        ReportStartFailure(commandLine.c_str(), host_);
        return;
    }
    Release(started);
    win::PostQuitMessage(0);
}
