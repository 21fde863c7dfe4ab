// SPDX-License-Identifier: GPL-3.0-or-later
// The lines of one script, read and cut as the interpreter reads and cuts
// them, with the still block read as the STILL command reads it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "interp/text.h"
#include "check/tree_checker.h"
#include "check/typo.h"
#include "check/words.h"
#include "platform/win.h"

namespace check {
namespace {

constexpr int LineBufSize = 256;  // a line is read in pieces of at most 255 characters

bool Is(const char* word, const char* keyword) { return EqualsIgnoringCase(word, keyword); }

// The digits after an option's first letter, taken as the MUSIC command
// takes them: without a test, the sum wrapping.
std::uint32_t AccumulateDigits(const char* digits, std::uint32_t value) {
    for (; *digits; ++digits) value = value * 10 + static_cast<std::uint32_t>(*digits - '0');
    return value;
}

bool AllDigits(const char* text) {
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

std::string Quoted(const char* word) { return std::string("\"") + word + "\""; }

// Seconds are read as C's atoi reads them: a word that is not a number
// gives what its leading digits give, most often 0, the shortest timer.
std::string SecondsProblem(const char* command, const char* seconds) {
    const char* digits = seconds + (*seconds == '-' || *seconds == '+');
    if (*digits && AllDigits(digits)) return {};
    const std::int32_t taken = ParseInt(seconds);
    return std::string(command) + " seconds " + Quoted(seconds) + " are not a number: taken as " +
           std::to_string(taken) + (taken == 0 ? ", the still ends after 10 ms" : "");
}

// Whether the player carries out a line starting with `keyword`.
bool IsCommand(const char* keyword, bool inStill) {
    static constexpr const char* Commands[] = {"default", "music", "restart", "exit", "goto", "run",
                                               "exec",    "still", "movie",   "blank", "pause"};
    static constexpr const char* BlockWords[] = {"timeout", "hotspot", "click", "cursor", "endstill"};
    if (!keyword) return false;
    const auto any = [&](const auto& words) {
        return std::any_of(std::begin(words), std::end(words), [&](const char* word) { return Is(keyword, word); });
    };
    return inStill ? any(BlockWords) : any(Commands);
}

}  // namespace

void TreeChecker::CheckScript(const std::string& name) {
    script_ = Script{};
    script_.shown = Shown(folder_ / name);
    std::FILE* file = win::fopen("sequence", "r");
    if (!file) return;
    // Line by line, twice: first to know how far a GOTO reaches, then to check
    // each line; a script of any length costs one line of memory.
    // A GOTO reads on while the end-of-file indicator is clear, counting
    // the read that sets it: one more than the lines when the last one ends
    // with a line end.
    char buffer[LineBufSize];
    for (;;) {
        if (!std::fgets(buffer, sizeof buffer, file)) {
            script_.reach = script_.lines + 1;
            break;
        }
        ++script_.lines;
        if (std::feof(file) || std::ferror(file)) {
            script_.reach = script_.lines;
            break;
        }
    }
    std::rewind(file);

    bool inStill = false;
    int stillLine = 0;
    std::optional<PictureSize> picture;
    bool cut = false;  // the line before filled the line buffer: this is its rest
    for (std::int64_t index = 0; index < script_.lines && std::fgets(buffer, sizeof buffer, file); ++index) {
        const int line = static_cast<int>(index + 1);
        const bool rest = std::exchange(cut, std::strlen(buffer) == LineBufSize - 1 && buffer[LineBufSize - 2] != '\n');
        Words words(buffer);
        const char* keyword = words.Next();
        if (rest && IsCommand(keyword, inStill))
            Report(line, "the text after the 255th character of line " + std::to_string(line - 1) +
                             " is read as a line of its own: the command " + Quoted(keyword));
        // The way back into a script looks for its first "restart" line,
        // reading every line, still blocks too.
        if (Is(keyword, "restart")) script_.restart = true;
        if (inStill) {
            CheckBlockLine(line, keyword, words, picture);
            if (Is(keyword, "endstill")) inStill = false;
        } else if (Is(keyword, "still")) {
            const char* pictureName = words.Next();
            if (!pictureName) Report(line, "STILL file name missing.");
            picture = pictureName ? UsePicture(line, pictureName) : std::nullopt;
            inStill = true;
            stillLine = line;
        } else if (keyword) {
            CheckCommand(line, keyword, words);
        }
    }
    std::fclose(file);
    if (inStill) Report(stillLine, "STILL without \"endstill\": every line after it is read as its block");
    if (script_.firstDescent && !script_.restart)
        Report(script_.firstDescent, "no \"restart\" line: coming back from " + script_.descentName +
                                         ", the viewer starts this script again from the top");
}

void TreeChecker::CheckCommand(int line, const char* keyword, Words& words) {
    if (Is(keyword, "default")) {
        CheckDefault(line, words);
    } else if (Is(keyword, "movie")) {
        const char* file = words.Next();
        if (file)
            UseMovie(line, file);
        else
            Report(line, "MOVIE file name missing.");
    } else if (Is(keyword, "music")) {
        CheckMusic(line, words);
    } else if (Is(keyword, "goto")) {
        const char* number = words.Next();
        if (number)
            CheckGoto(line, ParseInt(number));
        else
            Report(line, "GOTO line number missing.");
    } else if (Is(keyword, "run") || Is(keyword, "exec")) {
        const bool run = Is(keyword, "run");
        // The rest of the line as written, its leading spaces, commas and tabs kept.
        const char* commandLine = words.Next("\n");
        if (commandLine)
            UseProgram(line, run ? "RUN" : "EXEC", commandLine);
        else
            Report(line, run ? "RUN command malformed." : "EXEC without a command line ends the presentation");
    } else if (!Is(keyword, "restart") && !Is(keyword, "exit") && !Is(keyword, "blank") && !Is(keyword, "pause")) {
        CheckUnknown(line, keyword, words, false);
    }
}

void TreeChecker::CheckBlockLine(int line, const char* keyword, Words& words, const std::optional<PictureSize>& picture) {
    if (Is(keyword, "timeout")) {
        const char* seconds = words.Next();
        const char* action = seconds ? words.Next() : nullptr;
        if (!action) {
            Report(line, "TIMEOUT command malformed.");
            return;
        }
        if (std::string problem = SecondsProblem("TIMEOUT", seconds); !problem.empty()) Report(line, std::move(problem));
        CheckAction(line, action, words);
    } else if (Is(keyword, "hotspot")) {
        const char* words4[4];
        for (const char*& word : words4) word = words.Next();
        const char* action = words4[3] ? words.Next() : nullptr;
        if (!action) {
            Report(line, "HOTSPOT command malformed.");
            return;
        }
        std::int32_t edges[4];
        for (int i = 0; i < 4; ++i) edges[i] = ParseInt(words4[i]);
        CheckHotspot(line, edges, picture);
        CheckAction(line, action, words);
    } else if (Is(keyword, "cursor")) {
        if (!words.Next()) Report(line, "CURSOR filename missing.");
    } else if (keyword && !Is(keyword, "click") && !Is(keyword, "endstill")) {
        CheckUnknown(line, keyword, words, true);
    }
}

void TreeChecker::CheckDefault(int line, Words& words) {
    if (!Is(words.Next(), "timeout")) {
        Report(line, "TIMEOUT missing.");
        return;
    }
    const char* seconds = words.Next();
    const char* action = seconds ? words.Next() : nullptr;
    if (!action) {
        Report(line, "DEFAULT command malformed.");
        return;
    }
    if (std::string problem = SecondsProblem("DEFAULT TIMEOUT", seconds); !problem.empty()) Report(line, std::move(problem));
    CheckAction(line, action, words);
}

void TreeChecker::CheckMusic(int line, Words& words) {
    const char* name = words.Next();
    if (!name) {
        Report(line, "MUSIC command malformed.");
        return;
    }
    const bool cd = Is(name, "cdaudio");
    const bool song = Is(name, "autodigitalaudio");
    std::uint32_t track = 0;
    bool songRequest = false;
    for (const char* word = words.Next(); word; word = words.Next()) {
        if (Is(word, "loop") || Is(word, "wait") || Is(word, "fade") || Is(word, "mix")) continue;
        if (word[0] == 'l') {
            if (!AllDigits(word + 1)) Report(line, "MUSIC option " + Quoted(word) + ": the loop count is not a number");
        } else if (word[0] == 't' && cd) {
            if (!AllDigits(word + 1)) Report(line, "MUSIC option " + Quoted(word) + ": the track is not a number");
            track = AccumulateDigits(word + 1, track);
        } else if (song) {
            songRequest = true;
        } else {
            Report(line, "unknown MUSIC option " + Quoted(word) + " is ignored");
        }
    }
    if (songRequest)
        UseSong(line);
    else if (!Is(name, "none") && track == 0)
        UseMusicFile(line, name);
}

void TreeChecker::CheckAction(int line, const char* word, Words& words) {
    if (Is(word, "-exit") || Is(word, "-next")) return;
    const bool toLine = Is(word, "-goto");
    if (!toLine && !Is(word, "-dir")) {
        Report(line, "Unknown action (" + std::string(word) + ")");
        return;
    }
    const char* argument = words.Next();
    if (!argument)
        Report(line, "ACTION argument missing");
    else if (toLine)
        CheckGoto(line, ParseInt(argument));
    else
        Descend(line, argument);
}

void TreeChecker::CheckGoto(int line, std::int32_t target) {
    const std::int64_t linesBefore = std::int64_t{target} - 1;
    if (linesBefore >= 0 && linesBefore <= script_.reach) return;
    Report(line, "Goto found too few lines in SEQUENCE. (line " + std::to_string(target) + "; the script has " +
                     std::to_string(script_.lines) + ")");
}

void TreeChecker::CheckHotspot(int line, const std::int32_t (&edges)[4], const std::optional<PictureSize>& picture) {
    std::string spot = "hotspot";
    for (const std::int32_t edge : edges) spot += " " + std::to_string(edge);
    if (edges[0] > edges[2] || edges[1] > edges[3]) {
        Report(line, spot + " can never be hit (" + (edges[0] > edges[2] ? "left > right)" : "top > bottom)"));
    } else if (picture && (edges[0] < 0 || edges[1] < 0 || edges[2] >= picture->width || edges[3] >= picture->height)) {
        Report(line, spot + " reaches outside the " + std::to_string(picture->width) + "x" +
                         std::to_string(picture->height) + " picture");
    }
}

void TreeChecker::CheckUnknown(int line, const char* keyword, Words& words, bool inStill) {
    std::vector<std::string> rest;
    for (const char* word = words.Next(); word; word = words.Next()) rest.emplace_back(word);
    const std::string meant = KeywordMeant(keyword, rest, inStill);
    if (!meant.empty())
        Report(line, "unknown command " + Quoted(keyword) + " is ignored; did you mean " + Quoted(meant.c_str()) + "?");
}

}  // namespace check
