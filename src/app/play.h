#pragma once

// Plays the presentation in the current folder as the program does: the
// restart scan of the arguments, audio around the application's run, and the
// run's quit code as the exit status. Ends the process.
[[noreturn]] void PlayPresentation(int argc, char** argv);
