// SPDX-License-Identifier: GPL-3.0-or-later
// How new music starts beside what plays: queued behind it, after fading it
// out, or mixed with it. The numbers are the ones the music calls have
// always taken.
#pragma once

#include <cstdint>

enum class MusicMode : std::int32_t { Wait = 2, Fade = 3, Mix = 4 };
