// SPDX-License-Identifier: GPL-3.0-or-later
// The services of the program that loaded us (virtual clock, trace), found by
// name at run time. Absent services fall back to a local clock and no trace.
#pragma once

#include <cstdint>
#include <string>

namespace aud::host {

// True when the run is headless: the host says so, or, without a host,
// CORVANTA_DRIVER=headless.
bool Headless();
// Milliseconds of the host's (virtual) clock; without a host, milliseconds
// since the library first asked.
std::uint32_t NowMs();
// One trace event, fields separated by tabs.
void Trace(const std::string& event);
// Tells the host that a sound ended, from any thread; nothing without a host.
void Wake();
// Has the host call `finish` when it ends the process its own way; nothing
// without a host (a normal process end destroys the library's objects).
void AtExit(void (*finish)());
// The disc image or drive the host plays its presentation from; null when
// none (or no host).
const char* Disc();
// Waits until the bytes of a sound image from `begin` on are in memory: the
// host may still be filling the image; nothing without a host.
void AwaitBytes(const void* begin, std::uint64_t length);
// One line for the person running the program; on standard error without a host.
void TellUser(const std::string& line);

}  // namespace aud::host
