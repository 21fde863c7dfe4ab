// SPDX-License-Identifier: GPL-3.0-or-later
// The process's backend, the clock read through it, and the end of the process.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/run_observer.h"
#include "platform/core/session.h"
#include "platform/core/trace.h"
#include "platform/win/internal.h"

namespace platform {

Backend& TheBackend() {
    return *CurrentSession().Part<std::unique_ptr<Backend>>([] {
        const Settings& settings = CurrentSettings();
        return settings.driver == Driver::Headless ? MakeHeadlessBackend(settings) : MakeSdlBackend(settings);
    });
}

namespace {

struct ExitFinishers {
    std::vector<void (*)()> finishers;
};

std::vector<void (*)()>& Finishers() { return CurrentSession().Part<ExitFinishers>().finishers; }

RunObserver* observer = nullptr;

}  // namespace

void ObserveRun(RunObserver* runObserver) { observer = runObserver; }
RunObserver* TheRunObserver() { return observer; }

void AtExit(void (*finish)()) { Finishers().push_back(finish); }

void CheckTimeLimit(std::uint64_t now) {
    if (now < CurrentSettings().maxMs) return;
    WriteTraceAt(CurrentSettings().maxMs, "limit");
    win::ExitProcess(3);
}

}  // namespace platform

namespace win {

DWORD GetTickCount() { return static_cast<DWORD>(platform::TickCountAtStart + platform::TheBackend().Now()); }

void ExitProcess(UINT exitCode) {
    platform::WriteTrace("exit\t" + std::to_string(exitCode));
    for (auto finish : platform::Finishers()) finish();
    if (platform::RunObserver* observer = platform::TheRunObserver())
        exitCode = static_cast<UINT>(observer->Ended(static_cast<int>(exitCode), platform::TheBackend().Now()));
    std::fflush(nullptr);
    platform::TheBackend().Shutdown();
    // Nothing else of the program runs after this: no destructors under a live stack.
    std::_Exit(static_cast<int>(exitCode));
}

}  // namespace win
