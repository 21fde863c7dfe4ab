// SPDX-License-Identifier: GPL-3.0-or-later
// Programs on a disc cannot be run from it: each runs from a private copy of
// its folder (mode 0700, under XDG_RUNTIME_DIR or the system's temporary
// folder), made when it starts. The copy of a program the player waits for
// goes when the wait ends; one left behind goes at a later start.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct ProgramCopy {
    std::string folder;   // the copy of the program's folder
    std::string program;  // the program in it
};

// The copy of the folder of the program `name` names on the disc (a plain
// name in the current folder, ".exe" tried after it when it has none); none
// when the name is not on the disc. error: nonzero when the copy failed.
std::optional<ProgramCopy> CopyProgramFromDisc(std::string_view name, int& error);
void RemoveProgramCopy(const std::string& folder);
// Whether `name` names a program on the disc, as CopyProgramFromDisc finds it.
bool ProgramOnDisc(std::string_view name);
// Removes copies left by players no longer running.
void RemoveLeftProgramCopies();

}  // namespace platform
