// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/framework.h"

inline constexpr unsigned ProgramIconId = 3100;

class DInterpApp : public framework::Application {
protected:
    void InitMainWindow() override;
};

// Makes the program's own resources (its icon) known to the platform.
void RegisterProgramResources();
