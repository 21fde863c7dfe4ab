// SPDX-License-Identifier: GPL-3.0-or-later
// The MUSIC line: a name, then option words read in order.
#include <cstdint>

#include "interp/interp_win.h"
#include "sound/sound_class.h"

void DInterpWin::DoMusic(const script::ScriptLine& line) {
    if (line.error) {
        host_.FatalError(line.error, nullptr);
        return;
    }
    const script::MusicRequest& music = line.music;
    if (music.songRequest) {
        host_.QueueSongPass();
        return;
    }
    host_.StartMusic(line.name.c_str(), music.playOnce, music.mode, static_cast<std::int32_t>(music.loopCount),
                     music.cdTrack, music.cdTrack ? EntryKind::CdTrack : EntryKind::MusicFile);
}
