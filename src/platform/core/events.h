// SPDX-License-Identifier: GPL-3.0-or-later
// How a backend hands input and window events to the layer.
#pragma once

#include <string>

#include "platform/core/settings.h"
#include "platform/win/win.h"

namespace platform {

// A key went down (repeat: an auto-repeat of a held key) or up.
void QueueKey(win::UINT vk, bool down, bool repeat);
// The left button went down or up at a point of the presentation screen.
void QueueLeftButton(int x, int y, bool down);
// The user asked to close the main window.
void RequestClose();
// Another program posts a message to the presentation window.
void PostToPresentation(win::UINT message, win::WPARAM wParam);
// The real window's client area has a new size.
void ClientResized(Size size);
// Writes the screen as an RGB PNG; false when it could not be written.
bool WriteSnapshot(const std::string& path);

}  // namespace platform
