// SPDX-License-Identifier: GPL-3.0-or-later
// The MUSIC line: a name, then option words read in order.
#include <cstdint>

#include "interp/interp_win.h"
#include "interp/text.h"
#include "sound/sound_class.h"

namespace {

// The characters after the option's first letter are taken as digits
// without a test, as scripts have always relied on; the sum wraps.
std::uint32_t AccumulateDigits(const char* digits, std::uint32_t value) {
    for (; *digits; ++digits) value = value * 10 + static_cast<std::uint32_t>(*digits - '0');
    return value;
}

}  // namespace

void DInterpWin::DoMusic() {
    const char* name = NextToken();
    if (!name) {
        host_.FatalError("MUSIC command malformed.", nullptr);
        return;
    }
    std::int32_t playOnce = 1;
    std::int32_t mode = SoundClass::ModeFade;
    std::uint32_t loopCount = 0;
    std::uint32_t cdTrack = 0;
    bool songRequest = false;
    for (const char* word = NextToken(); word; word = NextToken()) {
        if (EqualsIgnoringCase(word, "loop")) {
            playOnce = 0;
            loopCount = 0;
        } else if (EqualsIgnoringCase(word, "wait")) {
            mode = SoundClass::ModeWait;
        } else if (EqualsIgnoringCase(word, "fade")) {
            mode = SoundClass::ModeFade;
        } else if (EqualsIgnoringCase(word, "mix")) {
            mode = SoundClass::ModeMix;
        } else if (word[0] == 'l') {
            loopCount = AccumulateDigits(word + 1, loopCount);
        } else if (word[0] == 't' && EqualsIgnoringCase(name, "cdaudio")) {
            cdTrack = AccumulateDigits(word + 1, cdTrack);
        } else if (EqualsIgnoringCase(name, "autodigitalaudio")) {
            songRequest = true;
        }
    }
    if (songRequest) {
        host_.QueueSongPass();
        return;
    }
    host_.StartMusic(name, playOnce, mode, static_cast<std::int32_t>(loopCount), cdTrack,
                     cdTrack ? EntryKind::CdTrack : EntryKind::MusicFile);
}
