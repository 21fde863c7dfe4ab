// SPDX-License-Identifier: GPL-3.0-or-later
#include "interp/script_line.h"

#include <span>

namespace script {
namespace {

struct KeywordEntry {
    const char* word;
    LineKind kind;
};

constexpr KeywordEntry Commands[] = {
    {"default", LineKind::Default}, {"music", LineKind::Music}, {"restart", LineKind::Restart},
    {"exit", LineKind::Exit},       {"goto", LineKind::Goto},   {"run", LineKind::Run},
    {"exec", LineKind::Exec},       {"still", LineKind::Still}, {"movie", LineKind::Movie},
    {"blank", LineKind::Blank},     {"pause", LineKind::Pause},
};
constexpr KeywordEntry BlockWords[] = {
    {"timeout", LineKind::Timeout}, {"hotspot", LineKind::Hotspot},   {"click", LineKind::Click},
    {"cursor", LineKind::Cursor},   {"endstill", LineKind::EndStill},
};

bool Is(const char* word, const char* keyword) { return EqualsIgnoringCase(word, keyword); }

// The characters after the option's first letter are taken as digits
// without a test, as scripts have always relied on; the sum wraps.
std::uint32_t AccumulateDigits(const char* digits, std::uint32_t value) {
    for (; *digits; ++digits) value = value * 10 + static_cast<std::uint32_t>(*digits - '0');
    return value;
}

// The first word and what it names among `keywords`; the rest of a line
// that is no command is kept for whoever wants to guess what was meant.
ScriptLine Start(Words& words, std::span<const KeywordEntry> keywords) {
    ScriptLine line;
    const char* keyword = words.Next();
    if (!keyword) return line;
    line.keyword = keyword;
    line.kind = LineKind::Unknown;
    for (const KeywordEntry& entry : keywords) {
        if (Is(keyword, entry.word)) {
            line.kind = entry.kind;
            return line;
        }
    }
    for (const char* word = words.Next(); word; word = words.Next()) line.rest.emplace_back(word);
    return line;
}

void TakeNumber(ScriptLine& line, const char* word) {
    line.hasNumber = true;
    line.number = ParseInt(word);
    line.numberWord = word;
}

ScriptAction ReadAction(const char* word, Words& words) {
    static constexpr struct {
        const char* word;
        ActionKind kind;
    } Actions[] = {{"-exit", ActionKind::Exit},
                   {"-next", ActionKind::Next},
                   {"-goto", ActionKind::Goto},
                   {"-dir", ActionKind::Dir}};

    ScriptAction read;
    read.word = word;
    read.action.kind = ActionKind::Exit;
    ActionKind kind = ActionKind::None;
    for (const auto& entry : Actions) {
        if (Is(word, entry.word)) {
            kind = entry.kind;
            break;
        }
    }
    if (kind == ActionKind::None) {
        read.error = UnknownActionText;
        return read;
    }
    if (kind == ActionKind::Goto || kind == ActionKind::Dir) {
        const char* argument = words.Next();
        if (!argument) {
            read.error = "ACTION argument missing";
            return read;
        }
        if (kind == ActionKind::Goto)
            read.action.line = ParseInt(argument);
        else
            read.action.dir = argument;
    }
    read.action.kind = kind;
    return read;
}

// The seconds are taken before the action is found missing.
void ReadDefault(Words& words, ScriptLine& line) {
    if (!Is(words.Next(), "timeout")) {
        line.error = "TIMEOUT missing.";
        return;
    }
    const char* seconds = words.Next();
    if (!seconds) {
        line.error = "DEFAULT command malformed.";
        return;
    }
    TakeNumber(line, seconds);
    const char* action = words.Next();
    if (!action) {
        line.error = "DEFAULT command malformed.";
        return;
    }
    line.action = ReadAction(action, words);
}

void ReadMusic(Words& words, ScriptLine& line) {
    const char* name = words.Next();
    if (!name) {
        line.error = "MUSIC command malformed.";
        return;
    }
    line.name = name;
    MusicRequest& music = line.music;
    for (const char* word = words.Next(); word; word = words.Next()) {
        MusicOptionKind kind = MusicOptionKind::Keyword;
        if (Is(word, "loop")) {
            music.playOnce = 0;
            music.loopCount = 0;
        } else if (Is(word, "wait")) {
            music.mode = MusicMode::Wait;
        } else if (Is(word, "fade")) {
            music.mode = MusicMode::Fade;
        } else if (Is(word, "mix")) {
            music.mode = MusicMode::Mix;
        } else if (word[0] == 'l') {
            kind = MusicOptionKind::LoopCount;
            music.loopCount = AccumulateDigits(word + 1, music.loopCount);
        } else if (word[0] == 't' && Is(name, "cdaudio")) {
            kind = MusicOptionKind::Track;
            music.cdTrack = AccumulateDigits(word + 1, music.cdTrack);
        } else if (Is(name, "autodigitalaudio")) {
            kind = MusicOptionKind::SongRequest;
            music.songRequest = true;
        } else {
            kind = MusicOptionKind::Ignored;
        }
        music.options.push_back({kind, word});
    }
}

// A word the line cannot do without: `missing` is the message when it lacks it.
void TakeName(Words& words, ScriptLine& line, const char* missing, const char* delimiters = ScriptDelimiters) {
    if (const char* name = words.Next(delimiters))
        line.name = name;
    else
        line.error = missing;
}

void ReadTimeout(Words& words, ScriptLine& line) {
    const char* seconds = words.Next();
    const char* action = seconds ? words.Next() : nullptr;
    if (!action) {
        line.error = "TIMEOUT command malformed.";
        return;
    }
    TakeNumber(line, seconds);
    line.action = ReadAction(action, words);
}

void ReadHotspot(Words& words, ScriptLine& line) {
    const char* edges[4];
    for (const char*& edge : edges) edge = words.Next();
    const char* action = edges[3] ? words.Next() : nullptr;
    if (!action) {
        line.error = "HOTSPOT command malformed.";
        return;
    }
    for (std::size_t i = 0; i < line.edges.size(); ++i) line.edges[i] = ParseInt(edges[i]);
    line.action = ReadAction(action, words);
}

}  // namespace

const char* Spelling(LineKind kind) {
    using Keywords = std::span<const KeywordEntry>;
    for (const Keywords keywords : {Keywords(Commands), Keywords(BlockWords)})
        for (const KeywordEntry& entry : keywords)
            if (entry.kind == kind) return entry.word;
    return nullptr;
}

ScriptLine ReadCommand(const char* text) {
    Words words(text);
    ScriptLine line = Start(words, Commands);
    switch (line.kind) {
        case LineKind::Default: ReadDefault(words, line); break;
        case LineKind::Music: ReadMusic(words, line); break;
        case LineKind::Goto:
            if (const char* number = words.Next())
                TakeNumber(line, number);
            else
                line.error = "GOTO line number missing.";
            break;
        // The rest of the line as written, its leading spaces, commas and tabs
        // kept. EXEC without one ends the presentation without a word.
        case LineKind::Run: TakeName(words, line, "RUN command malformed.", "\n"); break;
        case LineKind::Exec: TakeName(words, line, nullptr, "\n"); break;
        case LineKind::Still: TakeName(words, line, "STILL file name missing."); break;
        case LineKind::Movie: TakeName(words, line, "MOVIE file name missing."); break;
        default: break;
    }
    return line;
}

ScriptLine ReadBlockLine(const char* text) {
    Words words(text);
    ScriptLine line = Start(words, BlockWords);
    switch (line.kind) {
        case LineKind::Timeout: ReadTimeout(words, line); break;
        case LineKind::Hotspot: ReadHotspot(words, line); break;
        case LineKind::Cursor: TakeName(words, line, "CURSOR filename missing."); break;
        default: break;
    }
    return line;
}

}  // namespace script
