// The entry function: the restart scan, audio around the application's run,
// and the run's quit code as the exit status.
#include <memory>

#include "app/globals.h"
#include "app/interp_app.h"
#include "app/text.h"
#include "platform/win.h"
#include "sound/sound_class.h"

int main(int argc, char** argv) {
    ArgCount = argc;
    ArgVector = argv;
    RestartRequested = 0;
    for (int i = 1; i < argc; ++i) {
        if (EqualsIgnoringCase(argv[i], "-restart") || EqualsIgnoringCase(argv[i], "/restart")) RestartRequested = 1;
    }
    RegisterProgramResources();

    if (SoundManager) SoundManager->Startup();
    auto app = std::make_unique<DInterpApp>();
    int result = app->Run();
    if (SoundManager) SoundManager->Shutdown();
    app.reset();
    win::ExitProcess(static_cast<win::UINT>(result));
}
