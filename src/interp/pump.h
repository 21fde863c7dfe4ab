// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class InterpHost;

// Handles every waiting message, serving the host's sound manager once per
// message. Never blocks. False when the quit request is next in the queue (it
// stays there).
bool PumpMessages(InterpHost& host);
