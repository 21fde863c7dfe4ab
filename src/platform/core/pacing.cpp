// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/pacing.h"

#include <atomic>

#include "platform/core/backend.h"
#include "platform/core/session.h"

namespace platform {
namespace {

// Without a delivered message for this long, idle work gets its turn.
constexpr std::uint64_t IdleStepMs = 20;

struct PacingState {
    IdleWork work;
    std::atomic<bool> woken{false};
};

PacingState& State() { return CurrentSession().Part<PacingState>(); }

bool Ask(const std::function<bool()>& probe) { return probe && probe(); }

// A headless run has no device thread to report ends as they happen: it
// turns running work over at every idle step. A real one is woken by the
// report, or finds work due as it peeks.
bool Wanted() {
    auto& state = State();
    if (TheBackend().Headless()) return Ask(state.work.running);
    return Ask(state.work.due);
}

}  // namespace

void SetIdleWork(IdleWork work) { State().work = std::move(work); }

void WakeForIdleWork() {
    State().woken.store(true);
    TheBackend().Wake();
}

bool IdleMessageWanted(std::uint64_t now, std::uint64_t lastDelivery) {
    if (State().woken.exchange(false)) return true;
    return now - lastDelivery >= IdleStepMs && Wanted();
}

std::optional<std::uint64_t> NextIdleMessage(std::uint64_t lastDelivery) {
    if (!Wanted()) return std::nullopt;
    return lastDelivery + IdleStepMs;
}

void WaitUntil(std::optional<std::uint64_t> due, bool forInput) { TheBackend().WaitUntil(due, forInput); }

}  // namespace platform
