// SPDX-License-Identifier: GPL-3.0-or-later
// A module with one export, for the LoadLibraryA tests.
extern "C" int probe_answer() { return 42; }
