// SPDX-License-Identifier: GPL-3.0-or-later
// The test backend: no window, a virtual clock, scripted input, a trace of
// what would have been shown.
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <sstream>

#include "platform/core/backend.h"
#include "platform/core/events.h"
#include "platform/core/run_observer.h"
#include "platform/core/screen.h"
#include "platform/core/tell_user.h"
#include "platform/headless/input_script.h"
#include "platform/win/internal.h"
#include "platform/win/windows.h"

namespace platform {
namespace {

constexpr unsigned BusyPeeksFree = 1000;

volatile std::sig_atomic_t endingSignal = 0;

void NoteEndingSignal(int number) { endingSignal = number; }

// SIGTERM, SIGINT and SIGHUP end a headless run as Escape would, with the
// exit status a shell gives a killed program; the trace and the render are
// finished on the way. Not restarted: a wait for a program breaks off.
void CatchEndingSignals() {
    struct sigaction action {};
    action.sa_handler = NoteEndingSignal;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
}

void EndOnSignal() {
    if (endingSignal) win::ExitProcess(static_cast<win::UINT>(128 + endingSignal));
}

class HeadlessBackend final : public Backend {
public:
    explicit HeadlessBackend(const Settings& settings) : client_(settings.client), maxMs_(settings.maxMs) {
        CatchEndingSignals();
        if (settings.input.empty()) return;
        std::ifstream in(settings.input, std::ios::binary);
        if (!in) {
            TellUser("corvanta: cannot read input script " + settings.input);
            return;
        }
        std::stringstream text;
        text << in.rdbuf();
        InputScript script = ParseInputScript(text.str());
        for (const auto& error : script.errors)
            TellUser("corvanta: input script " + settings.input + ", " + error + " (skipped)");
        events_ = std::move(script.events);
    }

    bool Headless() const override { return true; }
    bool Start() override { return true; }
    std::uint64_t Now() const override { return now_.load(); }

    // Work takes no virtual time; but a program that peeks more than
    // BusyPeeksFree times without ever waiting is looping (a "goto" to
    // itself), and each further peek costs a millisecond: it still meets its
    // input and the time limit.
    void PollInput() override {
        EndOnSignal();
        if (++busyPeeks_ > BusyPeeksFree) AdvanceTo(now_.load() + 1);
        while (next_ < events_.size() && events_[next_].time <= now_.load()) Perform(events_[next_++]);
    }

    // The clock jumps to the time asked, or to the next scripted event; at
    // least a millisecond, so that a wait always ends.
    void WaitUntil(std::optional<std::uint64_t> due, bool forInput) override {
        EndOnSignal();
        busyPeeks_ = 0;
        std::uint64_t until = due.value_or(maxMs_);
        if (forInput && next_ < events_.size()) until = std::min(until, events_[next_].time);
        AdvanceTo(std::max(until, now_.load() + 1));
    }
    void Wake() override {}

    bool OpenFrame(const std::string&, Size) override { return true; }
    void CloseFrame() override {}
    void ShowFrame(bool) override {}
    void SetCaption(const std::string&) override {}
    void SetIcon(const IconImage&) override {}
    Size ClientSize() const override { return client_; }

    // The trace has it; a recording too.
    void Present(const Screen& screen, const win::RECT&) override {
        if (RunObserver* observer = TheRunObserver()) observer->Presented(screen, now_.load());
    }

    void AwaitProcessEnd(int pid) override {
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) EndOnSignal();
    }

    // Dismissed at once: a question is answered no.
    int ShowMessageBox(bool, const std::string&, const std::string&, win::UINT style) override {
        return (style & 0xF) == win::MB_YESNO ? win::IDNO : win::IDOK;
    }
    void Beep(win::UINT) override {}
    win::UINT WaveOutDevices() override { return 1; }  // the audio library's virtual device
    void Shutdown() override {}

private:
    // The clock stops at the limit, where the run ends.
    void AdvanceTo(std::uint64_t time) {
        time = std::min(time, maxMs_);
        now_.store(time);
        CheckTimeLimit(time);
    }

    void Perform(const ScriptEvent& event) {
        switch (event.kind) {
            case ScriptEvent::Kind::Key:
                QueueKey(event.key, true, false);
                QueueKey(event.key, false, false);
                break;
            case ScriptEvent::Kind::Click: {
                // The script gives client coordinates of the presentation window.
                win::RECT origin = SurfaceRect(PresentationWindow());
                QueueLeftButton(origin.left + event.x, origin.top + event.y, true);
                QueueLeftButton(origin.left + event.x, origin.top + event.y, false);
                break;
            }
            case ScriptEvent::Kind::Message: PostToPresentation(event.message, event.wParam); break;
            case ScriptEvent::Kind::Snapshot:
                if (!WriteSnapshot(event.file)) TellUser("corvanta: cannot write snapshot " + event.file);
                break;
            case ScriptEvent::Kind::Resize:
                client_ = event.size;
                ClientResized(event.size);
                break;
            case ScriptEvent::Kind::Close: RequestClose(); break;
        }
    }

    std::atomic<std::uint64_t> now_{0};
    Size client_;
    std::uint64_t maxMs_;
    std::vector<ScriptEvent> events_;
    std::size_t next_ = 0;
    unsigned busyPeeks_ = 0;  // since the last wait
};

}  // namespace

std::unique_ptr<Backend> MakeHeadlessBackend(const Settings& settings) {
    return std::make_unique<HeadlessBackend>(settings);
}

}  // namespace platform
