// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/core/session.h"

#include <cstdlib>
#include <utility>

namespace platform {
namespace {

// Never destroyed: the process's session outlives every other thread and
// every static destructor.
Session*& Current() {
    static Session* current = new Session;
    return current;
}

}  // namespace

Session::~Session() {
    while (!made_.empty()) made_.pop_back();
}

std::size_t Session::NewSlot() {
    static std::atomic<std::size_t> next{0};
    const std::size_t slot = next++;
    if (slot >= MaxParts) std::abort();  // a new kind of part needs a larger table
    return slot;
}

Session& CurrentSession() { return *Current(); }

FreshSession::FreshSession() : previous_(std::exchange(Current(), new Session)) {}

// What the parts do on their way out already sees the previous session.
FreshSession::~FreshSession() { delete std::exchange(Current(), previous_); }

}  // namespace platform
