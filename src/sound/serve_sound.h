// SPDX-License-Identifier: GPL-3.0-or-later
// Long operations of the stills let the audio library work between steps.
#pragma once

#include "sound/sound_class.h"

inline void ServeSound() {
    if (SoundManager) SoundManager->Serve();
}
