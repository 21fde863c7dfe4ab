// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence interpreter: the line loop over a directory's `sequence`
// script and the small commands it carries out itself.
#include <cstring>
#include <string>

#include "flic/flc_window.h"
#include "interp/interp_win.h"
#include "interp/pump.h"
#include "interp/text.h"
#include "platform/trace.h"
#include "still/slide_win.h"

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
    tokenNext_ = buffer;
}

char* DInterpWin::FirstToken() {
    tokenNext_ = lineBuf_.get();
    return NextToken();
}

char* DInterpWin::NextToken(const char* delimiters) { return CutToken(&tokenNext_, delimiters); }

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
        char* keyword = FirstToken();
        if (!keyword) {
            if (AtEndOfFile()) {
                ExitLevel();
                return;
            }
            continue;
        }
        if (restart) {
            keyword = SkipToRestart(keyword);
            restart = false;
        }

        if (EqualsIgnoringCase(keyword, "default")) {
            DoDefault();
        } else if (EqualsIgnoringCase(keyword, "music")) {
            DoMusic();
        } else if (EqualsIgnoringCase(keyword, "restart")) {
            // Only a mark for the skip above.
        } else if (EqualsIgnoringCase(keyword, "exit")) {
            ExitLevel();
            return;
        } else if (EqualsIgnoringCase(keyword, "goto")) {
            const char* number = NextToken();
            if (!number) {
                host_.FatalError("GOTO line number missing.", nullptr);
                return;
            }
            GotoLine(ParseInt(number));
        } else if (EqualsIgnoringCase(keyword, "run")) {
            // The audio device is the other program's while it runs; music is not resumed.
            host_.ReleaseSoundForRun();
            DoRun();
            host_.ResumeSoundAfterRun();
        } else if (EqualsIgnoringCase(keyword, "exec")) {
            host_.ReleaseSoundForExec();
            DoExec();
        } else if (EqualsIgnoringCase(keyword, "still")) {
            host_.Serve();
            DoStill();
            host_.Serve();
            return;
        } else if (EqualsIgnoringCase(keyword, "movie")) {
            if (!DoMovie()) return;
        } else if (EqualsIgnoringCase(keyword, "blank")) {
            DoBlank();
        } else if (EqualsIgnoringCase(keyword, "pause")) {
            DoPause();
        }
    }
}

char* DInterpWin::SkipToRestart(char* keyword) {
    while (!AtEndOfFile()) {
        if (EqualsIgnoringCase(keyword, "restart")) break;
        ReadLine();
        keyword = FirstToken();
        // A returning script gets back the defaults set above its resume point.
        if (EqualsIgnoringCase(keyword, "default")) DoDefault();
    }
    if (!EqualsIgnoringCase(keyword, "restart")) RewindSequence();
    ReadLine();
    return FirstToken();
}

void DInterpWin::GotoLine(std::int32_t line) {
    const std::int64_t target = std::int64_t{line} - 1;
    if (target < lineNo_) RewindSequence();
    while (!AtEndOfFile() && lineNo_ < target) ReadLine();
    if (lineNo_ != target) host_.FatalError("Goto found too few lines in SEQUENCE.", nullptr);
}

void DInterpWin::ReleaseMedia() {
    if (!HasMedia()) return;
    if (state_ == InterpState::Still) DeleteHotSpots();
    media_ = std::monostate{};
}

// ---------------------------------------------------------------- small commands

void DInterpWin::DoDefault() {
    const char* word = NextToken();
    if (!EqualsIgnoringCase(word, "timeout")) {
        ShowNotice("TIMEOUT missing.", "Hey!", win::MB_ICONEXCLAMATION);
        return;
    }
    const char* seconds = NextToken();
    if (!seconds) {
        ShowNotice("DEFAULT command malformed.", "Hey!", win::MB_ICONEXCLAMATION);
        return;
    }
    defaultTimeout_.period = ParseInt(seconds);
    const char* action = NextToken();
    if (!action) {
        ShowNotice("DEFAULT command malformed.", "Hey!", win::MB_ICONEXCLAMATION);
        return;
    }
    ParseAction(action, defaultTimeout_.action);
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
