// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plays the presentation as the program does: the restart scan of the
// arguments, the presentation named by one (a folder, a disc image or a
// drive; else the current folder), audio around the application's run, and the
// run's quit code as the exit status. Ends the process.
[[noreturn]] void PlayPresentation(int argc, char** argv);
