// SPDX-License-Identifier: GPL-3.0-or-later
// The script grammar: one line of a `sequence` script read into the command it
// gives, with the player's own message when it is malformed. The interpreter
// carries the commands out; the checker reports on them; neither cuts words
// of its own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "interp/action.h"
#include "interp/text.h"
#include "sound/music_mode.h"

namespace script {

// The words of one line, cut as C's strtok cuts them.
class Words {
public:
    explicit Words(std::string line) : line_(std::move(line)), next_(line_.data()) {}
    Words(const Words&) = delete;
    Words& operator=(const Words&) = delete;

    // The next word, or null when none is left. With "\n" as delimiters it
    // is the rest of the line, as RUN and EXEC take their command lines.
    const char* Next(const char* delimiters = ScriptDelimiters) { return CutToken(&next_, delimiters); }

private:
    std::string line_;
    char* next_;
};

// A script is read in lines of at most 255 characters: the rest of a longer
// one is read as a line of its own.
inline constexpr int LineBufSize = 256;

enum class LineKind {
    Empty,    // no word at all
    Unknown,  // a first word that is no command here: a comment to the player
    // Lines of the script itself.
    Default,
    Music,
    Restart,
    Exit,
    Goto,
    Run,
    Exec,
    Still,
    Movie,
    Blank,
    Pause,
    // Lines of a still's block.
    Timeout,
    Hotspot,
    Click,
    Cursor,
    EndStill,
};

inline constexpr const char* UnknownActionText = "Unknown action";
// A GOTO, or a "-goto" action, to a line the script does not reach.
inline constexpr const char* GotoTooFarText = "Goto found too few lines in SEQUENCE.";

// An action word and its argument. A malformed one is taken as "-exit".
struct ScriptAction {
    Action action;
    std::string word;             // as written
    const char* error = nullptr;  // the player's message for a malformed one
};

// How the MUSIC line took one of its option words.
enum class MusicOptionKind { Keyword, LoopCount, Track, SongRequest, Ignored };
struct MusicOption {
    MusicOptionKind kind;
    std::string word;
};

struct MusicRequest {
    std::int32_t playOnce = 1;
    MusicMode mode = MusicMode::Fade;
    std::uint32_t loopCount = 0;
    std::uint32_t cdTrack = 0;  // 0: a file
    bool songRequest = false;
    std::vector<MusicOption> options;  // in line order
};

struct ScriptLine {
    LineKind kind = LineKind::Empty;
    std::string keyword;          // as written
    const char* error = nullptr;  // the player's message for a malformed line
    // STILL and MOVIE: the file; MUSIC: the name; RUN and EXEC: the command
    // line as written. Empty when the line lacks it.
    std::string name;
    // GOTO: the line; DEFAULT and TIMEOUT: the seconds, as written in `numberWord`.
    bool hasNumber = false;
    std::int32_t number = 0;
    std::string numberWord;
    std::array<std::int32_t, 4> edges{};  // HOTSPOT: left, top, right, bottom
    ScriptAction action;                  // DEFAULT, TIMEOUT and HOTSPOT
    MusicRequest music;
    std::vector<std::string> rest;  // Unknown: the words after the first
};

// The keyword of a command or block line; null for Empty and Unknown.
const char* Spelling(LineKind kind);

// A line of the script outside a still's block.
ScriptLine ReadCommand(const char* line);
// A line inside a still's block, up to "endstill".
ScriptLine ReadBlockLine(const char* line);

}  // namespace script
