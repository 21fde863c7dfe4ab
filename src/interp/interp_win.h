// SPDX-License-Identifier: GPL-3.0-or-later
// The presentation window: it reads the `sequence` scripts of a presentation
// tree and carries out their commands, and takes all keyboard, mouse and timer
// input of the player.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "interp/action.h"
#include "interp/hotspot.h"
#include "interp/interp_host.h"
#include "interp/level_folders.h"
#include "interp/movie_host.h"
#include "interp/script_line.h"
#include "platform/win/framework.h"

class DSlideWin;
class DFLCWindow;

inline constexpr win::UINT WM_INTERP_OPEN = win::WM_USER + 250;  // 1274
inline constexpr win::UINT WM_INTERP_RUN = win::WM_USER + 300;   // 1324
inline constexpr win::UINT WM_INTERP_EXIT = win::WM_USER + 350;  // 1374

inline constexpr win::UINT_PTR StillTimerId = 100;
inline constexpr int CurDirSize = 260;
inline constexpr int LineBufSize = script::LineBufSize;

// The current media object: nothing, the still that is showing, or the last movie.
using MediaSlot = std::variant<std::monostate, std::unique_ptr<DSlideWin>, std::unique_ptr<DFLCWindow>>;

class DInterpWin : public framework::Window {
public:
    explicit DInterpWin(InterpHost& host);
    ~DInterpWin() override;

    // ---- sequence interpreter
    void StartPresentation();
    bool OpenSequence(bool restart);
    void RunSequence(bool restart);
    void GotoLine(std::int32_t line);
    void ReleaseMedia();

    // ---- actions and directory levels
    // Sets `action` to the one read; a malformed one is reported and taken as "-exit".
    void TakeAction(const script::ScriptAction& read, Action& action);
    void PerformAction(const Action& action);
    void ExitLevel();
    void ReturnToParent();
    void QuitPresentation();

    // ---- input
    void EvKeyDown(win::UINT key, win::UINT repeatCount, win::UINT flags);
    void EvLButtonDown(win::UINT modifiers, win::POINT point);
    void EvTimer(win::UINT_PTR id);

    // ---- state, read by tests and the media commands
    InterpState State() const { return state_; }
    std::int32_t Depth() const { return depth_; }
    std::int32_t LineNo() const { return lineNo_; }
    const HotSpot* HotSpots() const { return hotSpots_; }
    bool HasMedia() const { return !std::holds_alternative<std::monostate>(media_); }

protected:
    void Paint(win::HDC dc, bool erase, const win::RECT& rect) override;
    bool Dispatch(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT& result) override;

private:
    // Script commands, from the line as the grammar read it.
    void DoDefault(const script::ScriptLine& line);
    void DoBlank();
    void DoPause();
    void DoStill(const script::ScriptLine& line);
    void TraceStillWait(std::int32_t firstLine, bool timed) const;
    // False when the line loop must end (a fatal error).
    bool DoMovie(const script::ScriptLine& line);
    void DoMusic(const script::ScriptLine& line);
    // Another program: RUN waits for its end, EXEC hands over and quits.
    void DoRun(const script::ScriptLine& line);
    void DoExec(const script::ScriptLine& line);

    // The line reader shared by the line loop, GotoLine and the still block:
    // zero-fills LineBuf, reads one line of at most 255 characters, counts it.
    void ReadLine();
    bool AtEndOfFile() const;  // also true when no script is open or it cannot be read
    // Passes over the lines up to the "restart" mark (or rewinds when there is
    // none) and gives the line to carry out next.
    script::ScriptLine SkipToRestart(script::ScriptLine line);
    // Carries out one line of the script; false when the line loop stops here.
    bool CarryOut(const script::ScriptLine& line);
    // A key or a click during a movie asks it to end.
    void CutMovieShort();
    // A still's timeout: the DEFAULT in force, then its block's own line (true
    // when it starts the timer); its hotspots placed on the centred picture.
    bool StartDefaultTimeout();
    bool TakeTimeoutLine(const script::ScriptLine& line);
    void AddHotspot(const script::ScriptLine& line, std::int32_t dx, std::int32_t dy);
    void RewindSequence();
    void CloseSequence();
    bool OpenSequenceFile();
    void ShowNotice(const char* text, const char* caption, win::UINT style);
    void DeleteHotSpots();

    // Fields in the order of the design.
    std::uint8_t paused_ = 0;
    std::FILE* sequence_ = nullptr;
    std::unique_ptr<char[]> curDir_;
    std::unique_ptr<char[]> lineBuf_;
    std::int32_t depth_ = 0;
    std::int32_t lineNo_ = 0;
    Timeout defaultTimeout_;
    Timeout stillTimeout_;
    Action timeoutAction_;
    HotSpot* hotSpots_ = nullptr;  // owned list, newest first
    MediaSlot media_;
    InterpState state_ = InterpState::Running;

    InterpHost& host_;
    WindowMovieHost movieHost_{host_};
    LevelFolders levelFolders_;
};
