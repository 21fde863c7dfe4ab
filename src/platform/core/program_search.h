// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program a command line names is found, and how it is run there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct ProgramFound {
    int error = 0;  // ENOENT: nothing found, or a Windows program without wine; EACCES: may not be run
    // What to run: the file to execute first, then the words that go before
    // the command line's arguments (wine's path, then the Windows program's).
    std::vector<std::string> run;
};

// A name with a folder in it is taken as written, relative to the current
// folder; any other name is looked for in the current folder, then in each
// folder of searchPath (colon-separated, as PATH). Backslashes separate and
// names match without regard to case; without an extension the plain name is
// tried first, then the name with ".exe". The first file found is the
// program: a Windows program (starting with "MZ") runs through the first
// wine of searchPath, anything else must be executable. A name with a folder
// and the current folder keep to the presentation's tree unless !inTree (a
// program copied off the disc).
ProgramFound FindProgram(std::string_view name, std::string_view searchPath, bool inTree = true);

// 0 when the program may start as CORVANTA_PROGRAMS says: always, after the
// viewer said yes to a box naming it and its command line (else EACCES), or
// never (ENOENT, as for a missing program).
int MayStart(std::string_view program, std::string_view commandLine);

}  // namespace platform
