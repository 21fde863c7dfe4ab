// SPDX-License-Identifier: GPL-3.0-or-later
// The MUSIC line: a name, then option words read in order.
#include <cstdint>

#include "interp/globals.h"
#include "interp/interp_win.h"
#include "platform/message_class.h"
#include "sound/sound_class.h"

static_assert(static_cast<std::int32_t>(script::MusicMode::Wait) == SoundClass::ModeWait &&
              static_cast<std::int32_t>(script::MusicMode::Fade) == SoundClass::ModeFade &&
              static_cast<std::int32_t>(script::MusicMode::Mix) == SoundClass::ModeMix);

void DInterpWin::DoMusic(const script::ScriptLine& line) {
    if (line.error) {
        ErrorReporter->FatalError(line.error);
        return;
    }
    if (!SoundManager) return;
    const script::MusicRequest& music = line.music;
    if (music.songRequest) {
        SoundManager->CountSongSections();
        SoundManager->QueueSongPass();
        return;
    }
    SoundManager->StartMusic(line.name.c_str(), music.playOnce, static_cast<std::int32_t>(music.mode),
                             static_cast<std::int32_t>(music.loopCount), music.cdTrack,
                             music.cdTrack ? EntryKind::CdTrack : EntryKind::MusicFile);
}
