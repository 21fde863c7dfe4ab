// SPDX-License-Identifier: GPL-3.0-or-later
// Actions and the way through the directory tree of a presentation.
#include <cstring>
#include <string>

#include "interp/interp_win.h"
#include "interp/text.h"
#include "platform/trace.h"

namespace {

// The current folder; ".." when it cannot be had.
std::string WayBack() {
    std::string folder(4096, '\0');
    if (!win::_getcwd(folder.data(), static_cast<int>(folder.size()))) return "..";
    folder.resize(std::strlen(folder.c_str()));
    return folder;
}

}  // namespace

bool DInterpWin::ParseAction(const char* word, Action& action) {
    static constexpr struct {
        const char* word;
        ActionKind kind;
    } words[] = {{"-exit", ActionKind::Exit}, {"-next", ActionKind::Next}, {"-goto", ActionKind::Goto}, {"-dir", ActionKind::Dir}};

    ActionKind kind = ActionKind::None;
    for (const auto& entry : words) {
        if (EqualsIgnoringCase(word, entry.word)) {
            kind = entry.kind;
            break;
        }
    }
    if (kind == ActionKind::None) {
        host_.FatalError("Unknown action", nullptr);
        action.kind = ActionKind::Exit;
        return false;
    }
    action.kind = kind;
    if (kind == ActionKind::Goto || kind == ActionKind::Dir) {
        const char* argument = NextToken();
        if (!argument) {
            host_.FatalError("ACTION argument missing", nullptr);
            action.kind = ActionKind::Exit;
            return false;
        }
        if (kind == ActionKind::Goto)
            action.line = ParseInt(argument);
        else
            action.dir = argument;
    }
    return true;
}

void DInterpWin::PerformAction(const Action& requested) {
    // A copy: performing may overwrite the action it came from.
    const Action action = requested;
    switch (action.kind) {
    case ActionKind::Exit:
        ExitLevel();
        break;
    case ActionKind::Next:
        win::PostMessageA(Handle(), WM_INTERP_RUN, 0, 0);
        break;
    case ActionKind::Goto:
        GotoLine(action.line);
        RunSequence(false);
        break;
    case ActionKind::Dir: {
        // A folder path goes down several levels at once: the way back is the
        // folder it started from, not "..".
        const std::string from = WayBack();
        if (win::_chdir(action.dir.c_str()) != 0) {
            host_.FatalError("Failed descending into directory.", nullptr);
            return;
        }
        levelFolders_.Push(from);
        ++depth_;
        platform::TraceFolder();
        win::PostMessageA(Handle(), WM_INTERP_OPEN, 0, 0);
        break;
    }
    case ActionKind::None:
        break;
    }
}

void DInterpWin::ExitLevel() {
    --depth_;
    if (depth_ < 0)
        QuitPresentation();
    else
        ReturnToParent();
}

void DInterpWin::ReturnToParent() {
    const std::string back = levelFolders_.Pop();
    if (win::_chdir(back.c_str()) != 0) {
        host_.FatalError("Oops!  Can't get back to parent directory.", nullptr);
        return;
    }
    platform::TraceFolder();
    if (!OpenSequenceFile()) {
        host_.FatalError("Unable to open SEQUENCE file.", nullptr);
        return;
    }
    defaultTimeout_ = {};
    lineNo_ = 0;
    win::PostMessageA(Handle(), WM_INTERP_RUN, 1, 0);
}

void DInterpWin::QuitPresentation() {
    CloseSequence();
    win::PostQuitMessage(0);
}
