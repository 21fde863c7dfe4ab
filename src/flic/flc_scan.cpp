// SPDX-License-Identifier: GPL-3.0-or-later
// A movie decoded without being played, for those who need the player's
// verdict on a file: the frame loop of a play without its screen and pace.
#include "flic/flc_window.h"
#include "media/media_names.h"

void DFLCWindow::DecodeFrom(std::unique_ptr<platform::ByteReader> source, const char* openedName) {
    file = std::move(source);
    std::uint16_t frames = 0;
    if (OpenFrames(media::BaseName(openedName).c_str(), frames)) {
        for (std::uint32_t number = 1; number <= frames; ++number)
            if (!DecodeFrame(number)) break;
    }
    EndPlay();
}
