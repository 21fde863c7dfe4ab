// The backend, the clock and the end of the process.
#include <cstdio>
#include <cstdlib>

#include "platform/backend.h"
#include "platform/internal.h"
#include "platform/no_destructor.h"
#include "platform/trace.h"

namespace platform {

Backend& TheBackend() {
    static NoDestructor<std::unique_ptr<Backend>> backend([] {
        const Settings& settings = CurrentSettings();
        return settings.driver == Driver::Headless ? MakeHeadlessBackend(settings) : MakeSdlBackend(settings);
    }());
    return **backend;
}

void CheckTimeLimit(std::uint64_t now) {
    if (now < CurrentSettings().maxMs) return;
    WriteTraceAt(CurrentSettings().maxMs, "limit");
    win::ExitProcess(3);
}

}  // namespace platform

namespace win {

DWORD GetTickCount() { return static_cast<DWORD>(platform::TickCountAtStart + platform::TheBackend().ReadClock()); }

void ExitProcess(UINT exitCode) {
    platform::WriteTrace("exit\t" + std::to_string(exitCode));
    std::fflush(nullptr);
    platform::TheBackend().Shutdown();
    // Objects on the live stack are left alone; static ones (the loaded audio
    // library's output file among them) are finished as at any process end.
    std::exit(static_cast<int>(exitCode));
}

}  // namespace win
