// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence interpreter: the line loop over a directory's `sequence`
// script and the small commands it carries out itself.
#include <cstring>
#include <string>
#include <utility>

#include "flic/flc_window.h"
#include "interp/interp_win.h"
#include "interp/pump.h"
#include "platform/core/trace.h"
#include "still/slide_win.h"

using script::LineKind;

// ---------------------------------------------------------------- the script file

bool DInterpWin::OpenSequenceFile() {
    CloseSequence();
    sequence_ = win::fopen("sequence", "r");
    return sequence_ != nullptr;
}

void DInterpWin::CloseSequence() {
    if (sequence_) std::fclose(sequence_);
    sequence_ = nullptr;
}

void DInterpWin::RewindSequence() {
    if (sequence_) std::rewind(sequence_);
    lineNo_ = 0;
}

bool DInterpWin::AtEndOfFile() const { return !sequence_ || std::feof(sequence_) || std::ferror(sequence_); }

void DInterpWin::ReadLine() {
    char* buffer = lineBuf_.get();
    std::memset(buffer, 0, LineBufSize);
    if (sequence_ && !std::fgets(buffer, LineBufSize, sequence_)) std::memset(buffer, 0, LineBufSize);
    ++lineNo_;
}

// ---------------------------------------------------------------- start and the line loop

void DInterpWin::StartPresentation() {
    if (!curDir_ || !lineBuf_) return;  // the allocation failure has been reported
    if (!win::_getcwd(curDir_.get(), CurDirSize)) {
        host_.FatalError("Could not get current working directory.", nullptr);
        return;
    }
    if (OpenSequence(host_.RestartRequested())) {
        while (PumpMessages(host_)) win::WaitMessage();
    }
}

bool DInterpWin::OpenSequence(bool restart) {
    defaultTimeout_ = {};
    lineNo_ = 0;
    if (!OpenSequenceFile()) {
        host_.FatalError("Unable to open SEQUENCE file.", nullptr);
        return false;
    }
    // The run ends either by leaving this level itself or on a quit request;
    // a quit must not walk the tree, so nothing follows here.
    RunSequence(restart);
    return true;
}

void DInterpWin::RunSequence(bool restart) {
    for (;;) {
        if (!sequence_ || !PumpMessages(host_)) {
            state_ = InterpState::Ended;
            return;
        }
        // A last line without a line end leaves the file at its end without
        // the empty line that marks the end of a script: the script is over all the same.
        if (AtEndOfFile()) {
            ExitLevel();
            return;
        }
        ReadLine();
        script::ScriptLine line = script::ReadCommand(lineBuf_.get());
        if (line.kind == LineKind::Empty) {
            if (AtEndOfFile()) {
                ExitLevel();
                return;
            }
            continue;
        }
        if (restart) {
            line = SkipToRestart(std::move(line));
            restart = false;
        }

        if (!CarryOut(line)) return;
    }
}

bool DInterpWin::CarryOut(const script::ScriptLine& line) {
    switch (line.kind) {
        case LineKind::Default: DoDefault(line); return true;
        case LineKind::Music: DoMusic(line); return true;
        case LineKind::Exit: ExitLevel(); return false;
        case LineKind::Goto:
            if (line.error) {
                host_.FatalError(line.error, nullptr);
                return false;
            }
            GotoLine(line.number);
            return true;
        case LineKind::Run:
            // The audio device is the other program's while it runs; music is not resumed.
            host_.ReleaseSoundForRun();
            DoRun(line);
            host_.ResumeSoundAfterRun();
            return true;
        case LineKind::Exec:
            host_.ReleaseSoundForExec();
            DoExec(line);
            return true;
        case LineKind::Still:
            host_.Serve();
            DoStill(line);
            host_.Serve();
            return false;
        case LineKind::Movie: return DoMovie(line);
        case LineKind::Blank: DoBlank(); return true;
        case LineKind::Pause: DoPause(); return true;
        default: return true;  // a restart mark, or a line the loop does not know
    }
}

script::ScriptLine DInterpWin::SkipToRestart(script::ScriptLine line) {
    while (!AtEndOfFile()) {
        if (line.kind == LineKind::Restart) break;
        ReadLine();
        line = script::ReadCommand(lineBuf_.get());
        // A returning script gets back the defaults set above its resume point.
        if (line.kind == LineKind::Default) DoDefault(line);
    }
    if (line.kind != LineKind::Restart) RewindSequence();
    ReadLine();
    return script::ReadCommand(lineBuf_.get());
}

void DInterpWin::GotoLine(std::int32_t line) {
    const std::int64_t target = std::int64_t{line} - 1;
    if (target < lineNo_) RewindSequence();
    while (!AtEndOfFile() && lineNo_ < target) ReadLine();
    if (lineNo_ != target) host_.FatalError(script::GotoTooFarText, nullptr);
}

void DInterpWin::ReleaseMedia() {
    if (!HasMedia()) return;
    if (state_ == InterpState::Still) DeleteHotSpots();
    media_ = std::monostate{};
}

// ---------------------------------------------------------------- small commands

void DInterpWin::DoDefault(const script::ScriptLine& line) {
    if (line.hasNumber) defaultTimeout_.period = line.number;
    if (line.error) {
        ShowNotice(line.error, "Hey!", win::MB_ICONEXCLAMATION);
        return;
    }
    TakeAction(line.action, defaultTimeout_.action);
}

void DInterpWin::DoBlank() {
    win::RECT client{};
    win::GetClientRect(Handle(), &client);
    win::HDC dc = win::GetDC(Handle());
    win::PatBlt(dc, 0, 0, client.right - client.left, client.bottom - client.top, win::BLACKNESS);
    win::ReleaseDC(Handle(), dc);
}

void DInterpWin::DoPause() {
    // "wait<TAB>pause<TAB>LINE": a tour answers it with a key.
    if (platform::TracingWaits()) platform::WriteTrace("wait\tpause\t" + std::to_string(lineNo_));
    paused_ = 1;
    while (paused_ && PumpMessages(host_)) {
        if (paused_) win::WaitMessage();
    }
}
