// SPDX-License-Identifier: GPL-3.0-or-later
// The STILL command: show the picture, read the block of timeout, hotspot,
// click and cursor lines up to "endstill", register the hotspots and start
// the timeout.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flic/flc_window.h"
#include "interp/interp_win.h"
#include "platform/core/trace.h"
#include "platform/win/picture.h"
#include "still/slide_win.h"

namespace {

constexpr win::UINT NoticeStyle = win::MB_OK | win::MB_ICONEXCLAMATION;
constexpr const char* NoticeCaption = "Hey!";

// Script numbers are 32-bit: sums and products with them wrap instead of
// overflowing.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t SecondsToMs(std::int32_t seconds) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds) * 1000u);
}

std::string ActionText(const Action& action) {
    switch (action.kind) {
        case ActionKind::Exit: return "-exit";
        case ActionKind::Next: return "-next";
        case ActionKind::Goto: return "-goto " + std::to_string(action.line);
        case ActionKind::Dir: return "-dir " + action.dir;
        case ActionKind::None: break;
    }
    return "none";
}

}  // namespace

// "wait<TAB>still<TAB>FIRST<TAB>LAST<TAB>TIMEOUT<TAB>HOTSPOT...": the still
// block of lines FIRST to LAST now waits for the viewer. TIMEOUT is
// "MS ACTION" or "none"; each HOTSPOT is "LEFT TOP RIGHT BOTTOM ACTION" in
// client coordinates, every one a click is tested against, oldest first (a
// still left with a key leaves its hotspots to the next). A tour of the
// presentation reads its choices from this line.
void DInterpWin::TraceStillWait(std::int32_t firstLine, bool timed) const {
    if (!platform::TracingWaits()) return;
    std::string fields = "wait\tstill\t" + std::to_string(firstLine) + "\t" + std::to_string(lineNo_) + "\t";
    fields += timed ? std::to_string(stillTimeout_.period) + " " + ActionText(timeoutAction_) : "none";
    std::vector<const HotSpot*> declared;
    for (const HotSpot* spot = hotSpots_; spot; spot = spot->next) declared.insert(declared.begin(), spot);
    for (const HotSpot* spot : declared) {
        fields += "\t" + std::to_string(spot->left) + " " + std::to_string(spot->top) + " " +
                  std::to_string(spot->right) + " " + std::to_string(spot->bottom) + " " +
                  platform::EscapeTraceText(ActionText(spot->action));
    }
    platform::WriteTrace(fields);
}

void DInterpWin::DoStill(const script::ScriptLine& line) {
    const std::int32_t firstLine = lineNo_;
    if (line.error) {
        host_.FatalError(line.error, nullptr);
        return;
    }
    ReleaseMedia();
    state_ = InterpState::Still;
    auto created = std::make_unique<DSlideWin>(Handle(), line.name.c_str(), host_);
    const DSlideWin& slide = *created;
    media_ = std::move(created);

    win::RECT client{};
    win::GetClientRect(Handle(), &client);
    win::HDC dc = win::GetDC(Handle());
    slide.Draw(dc, client);
    win::ReleaseDC(Handle(), dc);

    bool timed = StartDefaultTimeout();

    // Hotspots are given relative to the picture, which sits centred when it
    // fits. Without a picture there is nothing to be relative to.
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    if (slide.HasPicture()) {
        dx = platform::CentredStart(client.right - client.left, slide.Width());
        dy = platform::CentredStart(client.bottom - client.top, slide.Height());
    }

    for (;;) {
        host_.Serve();
        ReadLine();
        host_.Serve();
        const script::ScriptLine blockLine = script::ReadBlockLine(lineBuf_.get());
        if (blockLine.kind == script::LineKind::Timeout) {
            timed = TakeTimeoutLine(blockLine) || timed;
        } else if (blockLine.kind == script::LineKind::Hotspot) {
            AddHotspot(blockLine, dx, dy);
        } else if (blockLine.kind == script::LineKind::Cursor && blockLine.error) {
            ShowNotice(blockLine.error, NoticeCaption, NoticeStyle);
        }
        // "click" and any other line change nothing.
        if (AtEndOfFile() || blockLine.kind == script::LineKind::EndStill) break;
    }
    TraceStillWait(firstLine, timed);
}

bool DInterpWin::StartDefaultTimeout() {
    if (defaultTimeout_.action.kind == ActionKind::None) {
        stillTimeout_ = Timeout{};
        return false;
    }
    // A DEFAULT in force acts as the still's own timeout line until the
    // block gives one.
    stillTimeout_ = Timeout{SecondsToMs(defaultTimeout_.period), defaultTimeout_.action};
    timeoutAction_ = defaultTimeout_.action;
    win::SetTimer(Handle(), StillTimerId, static_cast<win::UINT>(stillTimeout_.period), nullptr);
    return true;
}

bool DInterpWin::TakeTimeoutLine(const script::ScriptLine& line) {
    if (line.error) {
        ShowNotice(line.error, NoticeCaption, NoticeStyle);
        return false;
    }
    const std::int32_t period = SecondsToMs(line.number);
    TakeAction(line.action, timeoutAction_);
    win::SetTimer(Handle(), StillTimerId, static_cast<win::UINT>(period), nullptr);
    stillTimeout_.period = period;
    return true;
}

void DInterpWin::AddHotspot(const script::ScriptLine& line, std::int32_t dx, std::int32_t dy) {
    std::unique_ptr<HotSpot> spot(new (std::nothrow) HotSpot);
    if (!spot) {
        ShowNotice("Out of memory for HOTSPOTs.", NoticeCaption, NoticeStyle);
    } else if (line.error) {
        ShowNotice(line.error, NoticeCaption, NoticeStyle);
    } else {
        spot->left = WrappingAdd(line.edges[0], dx);
        spot->top = WrappingAdd(line.edges[1], dy);
        spot->right = WrappingAdd(line.edges[2], dx);
        spot->bottom = WrappingAdd(line.edges[3], dy);
        TakeAction(line.action, spot->action);
        spot->next = hotSpots_;
        hotSpots_ = spot.release();
    }
}
