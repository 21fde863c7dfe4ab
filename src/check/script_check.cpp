// SPDX-License-Identifier: GPL-3.0-or-later
// The lines of one script, read and cut as the interpreter reads and cuts
// them, with the still block read as the STILL command reads it.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "check/tree_checker.h"
#include "check/typo.h"
#include "interp/script_line.h"
#include "platform/win/win.h"

namespace check {
namespace {

using script::LineKind;
using script::ScriptLine;

bool AllDigits(const char* text) {
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

std::string Quoted(const std::string& word) { return "\"" + word + "\""; }

// Seconds are read as C's atoi reads them: a word that is not a number
// gives what its leading digits give, most often 0, the shortest timer.
std::string SecondsProblem(const char* command, const ScriptLine& line) {
    const char* seconds = line.numberWord.c_str();
    const char* digits = seconds + (*seconds == '-' || *seconds == '+');
    if (*digits && AllDigits(digits)) return {};
    return std::string(command) + " seconds " + Quoted(line.numberWord) + " are not a number: taken as " +
           std::to_string(line.number) + (line.number == 0 ? ", the still ends after 10 ms" : "");
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
    char buffer[script::LineBufSize];
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
        const bool rest = std::exchange(
            cut, std::strlen(buffer) == script::LineBufSize - 1 && buffer[script::LineBufSize - 2] != '\n');
        const ScriptLine command = script::ReadCommand(buffer);
        const ScriptLine block = inStill ? script::ReadBlockLine(buffer) : ScriptLine{};
        const ScriptLine& read = inStill ? block : command;
        if (rest && read.kind != LineKind::Empty && read.kind != LineKind::Unknown)
            Report(line, "the text after the 255th character of line " + std::to_string(line - 1) +
                             " is read as a line of its own: the command " + Quoted(read.keyword));
        // The way back into a script looks for its first "restart" line,
        // reading every line, still blocks too.
        if (command.kind == LineKind::Restart) script_.restart = true;
        if (inStill) {
            CheckBlockLine(line, read, picture);
            if (read.kind == LineKind::EndStill) inStill = false;
        } else if (read.kind == LineKind::Still) {
            if (read.error) Report(line, read.error);
            picture = read.error ? std::nullopt : UsePicture(line, read.name.c_str());
            inStill = true;
            stillLine = line;
        } else {
            CheckCommand(line, read);
        }
    }
    std::fclose(file);
    if (inStill) Report(stillLine, "STILL without \"endstill\": every line after it is read as its block");
    if (script_.firstDescent && !script_.restart)
        Report(script_.firstDescent, "no \"restart\" line: coming back from " + script_.descentName +
                                         ", the viewer starts this script again from the top");
}

void TreeChecker::CheckCommand(int line, const ScriptLine& read) {
    if (read.error) {
        Report(line, read.error);
        return;
    }
    switch (read.kind) {
        case LineKind::Default:
            if (std::string problem = SecondsProblem("DEFAULT TIMEOUT", read); !problem.empty())
                Report(line, std::move(problem));
            CheckAction(line, read.action);
            break;
        case LineKind::Music: CheckMusic(line, read); break;
        case LineKind::Movie: UseMovie(line, read.name.c_str()); break;
        case LineKind::Goto: CheckGoto(line, read.number); break;
        case LineKind::Run: UseProgram(line, "RUN", read.name.c_str()); break;
        case LineKind::Exec:
            if (read.name.empty())
                Report(line, "EXEC without a command line ends the presentation");
            else
                UseProgram(line, "EXEC", read.name.c_str());
            break;
        case LineKind::Unknown: CheckUnknown(line, read, false); break;
        default: break;
    }
}

void TreeChecker::CheckBlockLine(int line, const ScriptLine& read, const std::optional<PictureSize>& picture) {
    if (read.error) {
        Report(line, read.error);
        return;
    }
    switch (read.kind) {
        case LineKind::Timeout:
            if (std::string problem = SecondsProblem("TIMEOUT", read); !problem.empty())
                Report(line, std::move(problem));
            CheckAction(line, read.action);
            break;
        case LineKind::Hotspot:
            CheckHotspot(line, read.edges, picture);
            CheckAction(line, read.action);
            break;
        case LineKind::Unknown: CheckUnknown(line, read, true); break;
        default: break;
    }
}

void TreeChecker::CheckMusic(int line, const ScriptLine& read) {
    for (const script::MusicOption& option : read.music.options) {
        const bool number = AllDigits(option.word.c_str() + 1);
        switch (option.kind) {
            case script::MusicOptionKind::LoopCount:
                if (!number) Report(line, "MUSIC option " + Quoted(option.word) + ": the loop count is not a number");
                break;
            case script::MusicOptionKind::Track:
                if (!number) Report(line, "MUSIC option " + Quoted(option.word) + ": the track is not a number");
                break;
            case script::MusicOptionKind::Ignored:
                Report(line, "unknown MUSIC option " + Quoted(option.word) + " is ignored");
                break;
            default: break;
        }
    }
    if (read.music.songRequest)
        UseSong(line);
    else if (!EqualsIgnoringCase(read.name.c_str(), "none") && read.music.cdTrack == 0)
        UseMusicFile(line, read.name.c_str());
}

void TreeChecker::CheckAction(int line, const script::ScriptAction& read) {
    if (read.error && std::string_view(read.error) == script::UnknownActionText)
        Report(line, std::string(read.error) + " (" + read.word + ")");
    else if (read.error)
        Report(line, read.error);
    else if (read.action.kind == ActionKind::Goto)
        CheckGoto(line, read.action.line);
    else if (read.action.kind == ActionKind::Dir)
        Descend(line, read.action.dir.c_str());
}

void TreeChecker::CheckGoto(int line, std::int32_t target) {
    const std::int64_t linesBefore = std::int64_t{target} - 1;
    if (linesBefore >= 0 && linesBefore <= script_.reach) return;
    Report(line, std::string(script::GotoTooFarText) + " (line " + std::to_string(target) + "; the script has " +
                     std::to_string(script_.lines) + ")");
}

void TreeChecker::CheckHotspot(int line, const std::array<std::int32_t, 4>& edges,
                               const std::optional<PictureSize>& picture) {
    std::string spot = "hotspot";
    for (const std::int32_t edge : edges) spot.append(" ").append(std::to_string(edge));
    if (edges[0] > edges[2] || edges[1] > edges[3]) {
        Report(line, spot + " can never be hit (" + (edges[0] > edges[2] ? "left > right)" : "top > bottom)"));
    } else if (picture && (edges[0] < 0 || edges[1] < 0 || edges[2] >= picture->width || edges[3] >= picture->height)) {
        Report(line, spot + " reaches outside the " + std::to_string(picture->width) + "x" +
                         std::to_string(picture->height) + " picture");
    }
}

void TreeChecker::CheckUnknown(int line, const ScriptLine& read, bool inStill) {
    const std::string meant = KeywordMeant(read.keyword, read.rest, inStill);
    if (!meant.empty())
        Report(line, "unknown command " + Quoted(read.keyword) + " is ignored; did you mean " + Quoted(meant) + "?");
}

}  // namespace check
