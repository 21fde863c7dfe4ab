// SPDX-License-Identifier: GPL-3.0-or-later
// The trace: one event per line, tab-separated, the first column the run's
// milliseconds. Safe to use from any thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Backslash, tab and line end written as \\, \t and \n.
std::string EscapeTraceText(std::string_view text);

// The style of a box or beep as the trace writes it: hex, -1 for 0xFFFFFFFF.
std::string TraceFlags(std::uint32_t value);

// True when a trace file is set.
bool Tracing();
// True when the trace also says where the player waits for the viewer
// (CORVANTA_TRACE_WAITS=1, for tools that steer a run); other traces never do.
bool TracingWaits();

// Appends "ms<TAB>fields" to the trace, if one is open; fields are already
// tab-separated and escaped. Flushed at once.
void WriteTrace(std::string_view fields);
void WriteTraceAt(std::uint64_t ms, std::string_view fields);

// "show<TAB>KIND<TAB>NAME": a picture ("still") or movie ("movie") was opened,
// by the name it was opened with.
void TraceShow(std::string_view kind, std::string_view name);
// "dir<TAB>PATH": the current folder changed; PATH is relative to the
// starting folder, "." for the starting folder itself.
void TraceFolder();
// "spawn<TAB>FOLDER<TAB>COMMANDLINE": a program was started in the current
// folder (given as for "dir").
void TraceSpawn(std::string_view commandLine);

// Formats one line, as WriteTrace writes it.
std::string FormatTraceLine(std::uint64_t ms, std::string_view fields);

}  // namespace platform
