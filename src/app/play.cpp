// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/play.h"

#include <memory>
#include <string>

#include "app/globals.h"
#include "app/interp_app.h"
#include "app/player_host.h"
#include "interp/text.h"
#include "platform/core/backend.h"
#include "platform/core/disc_program.h"
#include "platform/core/pacing.h"
#include "platform/core/presentation_source.h"
#include "platform/core/tell_user.h"
#include "platform/core/tree_top.h"
#include "platform/win/win.h"
#include "sound/sound_class.h"

void PlayPresentation(int argc, char** argv) {
    RestartRequested = 0;
    const char* presentation = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (EqualsIgnoringCase(argv[i], "-restart") || EqualsIgnoringCase(argv[i], "/restart"))
            RestartRequested = 1;
        else if (!presentation && platform::IsPresentationArgument(argv[i]))
            presentation = argv[i];
    }
    platform::RemoveLeftProgramCopies();
    if (presentation) {
        std::string error;
        if (!platform::EnterPresentation(presentation, error)) {
            platform::TellUser("corvanta: " + error);
            win::ExitProcess(2);
        }
    }
    platform::KeepToTree(true);
    if (!platform::TheBackend().Start()) win::ExitProcess(2);
    RegisterProgramResources();

    SoundManager->Startup();
    // The sound service runs between messages only while it has work.
    platform::SetIdleWork({[] { return SoundManager->ServiceDue(); }, [] { return SoundManager->ServiceRunning(); }});
    PlayerHost host;
    auto app = std::make_unique<DInterpApp>(host);
    int result = app->Run();
    SoundManager->Shutdown();
    app.reset();
    win::ExitProcess(static_cast<win::UINT>(result));
}
