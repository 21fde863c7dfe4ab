// SPDX-License-Identifier: GPL-3.0-or-later
// Services the player's executable offers to the audio library it loads, so
// that a headless run has one virtual clock and one trace. Looked up by name
// (dlsym on the running program); absent when the library is loaded elsewhere.
#pragma once

#include <cstdint>

extern "C" {
// 1 when the run is headless (virtual clock, virtual audio device).
int corvanta_host_headless(void);
// Milliseconds since the run started, without advancing the virtual clock.
std::uint32_t corvanta_host_now_ms(void);
// Appends one trace event; fields are tab-separated by the caller, the time
// column is added here. Does nothing when no trace is open.
void corvanta_host_trace(const char* event);
// From any thread: a sound ended, and the program's sound service has work.
void corvanta_host_wake(void);
// Has `finish` called when the program ends through its own exit path, which
// runs no destructors (the library finishes its output file there).
void corvanta_host_at_exit(void (*finish)(void));
// The disc image or drive the presentation plays from, or null: the CD drive
// when no other is set up.
const char* corvanta_host_disc(void);
// Tells the person running the program something they must hear of (an
// output file that cannot be written), as the program's own messages go.
void corvanta_host_tell_user(const char* line);
// From any thread: waits until `length` bytes from `begin` of a sound file
// handed to the library are in memory. The program fills files it cannot map
// as they play; any other memory is there already.
void corvanta_host_await_bytes(const void* begin, std::uint64_t length);
}
