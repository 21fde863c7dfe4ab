// SPDX-License-Identifier: GPL-3.0-or-later
// Actions and the way through the directory tree of a presentation.
#include <cstring>
#include <string>

#include "interp/interp_win.h"
#include "platform/core/trace.h"

namespace {

// The current folder; ".." when it cannot be had.
std::string WayBack() {
    std::string folder(4096, '\0');
    if (!win::_getcwd(folder.data(), static_cast<int>(folder.size()))) return "..";
    folder.resize(std::strlen(folder.c_str()));
    return folder;
}

}  // namespace

void DInterpWin::TakeAction(const script::ScriptAction& read, Action& action) {
    if (read.error) {
        host_.FatalError(read.error, nullptr);
        action.kind = ActionKind::Exit;
        return;
    }
    action.kind = read.action.kind;
    if (action.kind == ActionKind::Goto) action.line = read.action.line;
    if (action.kind == ActionKind::Dir) action.dir = read.action.dir;
}

void DInterpWin::PerformAction(const Action& requested) {
    // A copy: performing may overwrite the action it came from.
    const Action action = requested;
    switch (action.kind) {
        case ActionKind::Exit: ExitLevel(); break;
        case ActionKind::Next: win::PostMessageA(Handle(), WM_INTERP_RUN, 0, 0); break;
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
        case ActionKind::None: break;
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
