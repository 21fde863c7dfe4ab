// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/win/framework.h"

inline constexpr unsigned ProgramIconId = 3100;

class InterpHost;

class DInterpApp : public framework::Application {
public:
    explicit DInterpApp(InterpHost& host) : host_(host) {}

protected:
    void InitMainWindow() override;

private:
    InterpHost& host_;
};

// Makes the program's own resources (its icon) known to the platform.
void RegisterProgramResources();
